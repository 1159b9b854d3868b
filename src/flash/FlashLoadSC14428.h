#pragma once

#include "floader.h"

#include <QString>
#include <functional>

// The four program-wide hooks the flash load window fills. They always run on
// the application's (window) thread, in the order the indications arrived,
// also when the library reports from a thread of its own. An empty hook does
// nothing.
struct TFlashLoaderHooks {
    std::function<void(quint16 loaderId, const QString& text)> Log;
    std::function<void(quint16 loaderId, bool busy)> Busy;
    std::function<void(quint16 loaderId, const QString& text)> Error;
    std::function<void(quint16 loaderId)> Success;
};

// The hook slots; read and written on the application's thread only.
TFlashLoaderHooks& FlashLoaderHooks();

// The indication handler given to the library. It copies the record and posts
// the resulting hook calls to the application's thread; nothing else.
extern "C" void FlashIndicationHandler(const FLoaderIndication* indication);

// Registers the handler with the library; false when the library does not
// give it back (the caller shows "Error in SetupCallbackFunction !").
bool RegisterFlashIndicationHandler();

// One SC14428 download start through the flash loader library.
class TFlashLoadSC14428 {
public:
    TFlashLoadSC14428();
    ~TFlashLoadSC14428();
    TFlashLoadSC14428(const TFlashLoadSC14428&) = delete;
    TFlashLoadSC14428& operator=(const TFlashLoadSC14428&) = delete;

    [[nodiscard]] quint16 Id() const { return m_id; }
    // Status line of the last download start; empty before the first.
    [[nodiscard]] const QString& StatusText() const { return m_statusText; }

    [[nodiscard]] quint32 DllVersion() const;
    // Starts the download and sets StatusText; a code other than 0 also calls
    // the error hook (posted, like every hook).
    quint16 Download(quint32 comPort, quint8 firstMode, quint32 baudRate, quint8 secondMode, const QString& filePath);
    // Asks a running download of this loader to stop (it then reports its end).
    bool Stop();

private:
    quint16 m_id;
    QString m_statusText;
};

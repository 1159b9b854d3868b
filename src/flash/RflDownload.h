#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <functional>
#include <memory>
#include <thread>

// The callbacks of an RFL download, as the window (or the command line)
// implements them. They run on the thread that owns the TRflDownload.
struct TRflCallbacks {
    std::function<void(const QByteArray& piece)> TextOut;
    std::function<int()> WaitKey;
    std::function<char()> GetKey;
    std::function<int()> KeyAvailable;
    std::function<void(int result)> Finished;
};

// Runs the RFL library's download on a worker thread, so that the window
// keeps drawing and taking keys, and carries every callback to the owner's
// thread in the order the library made them. Key callbacks block the library
// until the owner has answered. Load the library first (TRflLibrary::Load).
class TRflDownload : public QObject {
    Q_OBJECT
public:
    // Argument slots kept for the whole run of the program: the library may
    // keep pointers to them.
    static constexpr int kArgumentSlots = 10;

    explicit TRflDownload(QObject* parent = nullptr);
    ~TRflDownload() override; // stops a running download and waits for it

    // RflInit with this program's callbacks; the slots stay filled.
    void Init(TRflCallbacks callbacks);
    // Fills the argument slots and starts RflRun on the worker thread; false
    // when a download is still running.
    bool Run(const QList<QByteArray>& arguments);
    [[nodiscard]] bool IsRunning() const;
    // Asks the library to stop (RflTerminate), releases a waiting key
    // callback and waits for RflRun to return.
    void Stop();

signals:
    // RflRun returned with its result (after the Finished callback).
    void Returned(int result);

private:
    std::thread m_worker;
};

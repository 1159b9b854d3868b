#pragma once

#include "ProgramError.h"
#include "RflLib.h"

#include <QStringList>

class EDLLLoadError : public EProgramError {
public:
    using EProgramError::EProgramError;
};

// The RFL loader library, loaded at run time: first from the program's folder,
// then from ../lib beside it, then through the system's library search. Once
// loaded it stays loaded for the rest of the run.
class TRflLibrary {
public:
    // Loads the library and looks up its four entry points; throws
    // EDLLLoadError ("Unable to load RflLib.Dll", "Failed to lookup <name>").
    static bool Load();

    // The entry points; valid after Load().
    struct Entries {
        void (*Init)(RflTextOutFunc, RflWaitKeyFunc, RflGetKeyFunc, RflKeyAvailableFunc) = nullptr;
        int (*GetVersion)() = nullptr;
        int (*Run)(int, const char* const*, RflFinishedFunc) = nullptr;
        void (*Terminate)() = nullptr;
    };
    [[nodiscard]] static const Entries& Entry();
    // The folders searched before the system's search, in order.
    [[nodiscard]] static QStringList SearchFolders();
    // The file the library was loaded from; empty before.
    [[nodiscard]] static QString LoadedFrom();
};

#include "RflLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace {

struct Loaded {
    QLibrary library;
    TRflLibrary::Entries entries;
};

Loaded& State()
{
    static Loaded loaded;
    return loaded;
}

template <typename F>
void Lookup(QLibrary& library, const char* name, F* slot)
{
    *slot = reinterpret_cast<F>(library.resolve(name));
    if (!*slot)
        throw EDLLLoadError(QStringLiteral("Failed to lookup %1").arg(QLatin1String(name)));
}

} // namespace

QStringList TRflLibrary::SearchFolders()
{
    const QString program = QCoreApplication::applicationDirPath();
    // Beside the program in a build tree; the private library folder when installed.
    return {program, QDir::cleanPath(program + QStringLiteral("/../lib")),
            QDir::cleanPath(program + QStringLiteral("/../lib/tunebench"))};
}

bool TRflLibrary::Load()
{
    Loaded& state = State();
    if (!state.library.isLoaded()) {
        QStringList candidates;
        for (const QString& folder : SearchFolders())
            candidates << folder + QStringLiteral("/RflLib");
        candidates << QStringLiteral("RflLib");
        bool loaded = false;
        for (const QString& candidate : candidates) {
            state.library.setFileName(candidate);
            if ((loaded = state.library.load()))
                break;
        }
        if (!loaded)
            throw EDLLLoadError(QStringLiteral("Unable to load RflLib.Dll"));
    }
    Entries entries;
    Lookup(state.library, "RflInit", &entries.Init);
    Lookup(state.library, "RflGetVersion", &entries.GetVersion);
    Lookup(state.library, "RflRun", &entries.Run);
    Lookup(state.library, "RflTerminate", &entries.Terminate);
    state.entries = entries;
    return true;
}

const TRflLibrary::Entries& TRflLibrary::Entry() { return State().entries; }

QString TRflLibrary::LoadedFrom() { return State().library.isLoaded() ? State().library.fileName() : QString(); }

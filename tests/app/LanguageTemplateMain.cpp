// Not a test: writes the language file template from the program's windows.
//   tunebench-lngtemplate translations/Template.lng
#include "AtomicFile.h"
#include "LanguageTemplate.h"
#include "ProgramWindows.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tunebench-lngtemplate OUT.lng\n");
        return 1;
    }
    // The windows in an empty folder with a store of their own: nothing of the user's is read.
    QTemporaryDir folder;
    TProgramEnvironment env;
    env.programFile = folder.filePath(QStringLiteral("tunebench"));
    env.machineSettings = folder.filePath(QStringLiteral("registry.ini"));
    const TProgramWindows windows(env);
    QString error;
    if (!WriteFileAtomically(QString::fromLocal8Bit(argv[1]),
                             LanguageTemplate([&](const QString& name) { return windows.Find(name); }), &error)) {
        std::fprintf(stderr, "tunebench-lngtemplate: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

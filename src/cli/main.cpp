#include "BuildInfo.h"
#include "CliApp.h"
#include "CliGroups.h"
#include "Timing.h"
#include "WriteJournal.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tunebench-cli"));
    QCoreApplication::setApplicationVersion(FullVersion());
    InitTimeOfDay();
    TWriteJournal::Install(TWriteJournal::DefaultPath(QCoreApplication::applicationDirPath()),
                           QStringLiteral("tunebench-cli"));
    TWriteJournal::SetWarning([](const QString& path, const QString& reason) {
        std::fprintf(stderr,
                     "tunebench-cli: warning: the journal of writes %s cannot be written (%s); the writes go on\n",
                     qPrintable(path), qPrintable(reason));
    });

    QTextStream out(stdout);
    QTextStream err(stderr);
    TCliApp cli;
    AddAllCommands(cli);
    return cli.Run(QCoreApplication::arguments(), out, err);
}

#include "BuildInfo.h"
#include "CliApp.h"
#include "CliGroups.h"
#include "Timing.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tunebench-cli"));
    QCoreApplication::setApplicationVersion(FullVersion());
    InitTimeOfDay();

    QTextStream out(stdout);
    QTextStream err(stderr);
    TCliApp cli;
    AddAllCommands(cli);
    return cli.Run(QCoreApplication::arguments(), out, err);
}

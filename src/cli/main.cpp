#include "CliOptions.h"
#include "CliRunner.h"
#include "Timing.h"
#include "TraceMonitor.h"
#include "TrafficMonitor.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tunebench-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TUNEBENCH_VERSION));
    InitTimeOfDay();

    QTextStream out(stdout);
    QTextStream err(stderr);
    const TCliParseResult parsed = ParseCliArguments(QCoreApplication::arguments());
    if (!parsed.options) {
        err << "tunebench-cli: " << parsed.error << "\nTry 'tunebench-cli --help'.\n";
        return kExitUsage;
    }
    const TCliOptions& options = *parsed.options;
    if (options.help) {
        out << CliUsageText();
        return kExitDone;
    }
    if (options.version) {
        out << "tunebench-cli " << TUNEBENCH_VERSION << "\n";
        return kExitDone;
    }
    if (options.trace)
        TrafficMonitorRegistry::Install(new TTraceMonitor(stderr, QStringLiteral("\n")));
    int code = kExitDone;
    {
        TCliRunner runner(options, out, err);
        code = runner.Run();
    }
    out.flush();
    TrafficMonitorRegistry::Free();
    return code;
}

#include "InfoSwitches.h"

#include "BuildInfo.h"
#include "ProgramEnvironment.h"

InfoRequest RequestedInfo(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return InfoRequest::Help;
        if (argument == QLatin1String("--version") || argument == QLatin1String("-v"))
            return InfoRequest::Version;
    }
    return InfoRequest::None;
}

QString InfoText(InfoRequest request, const QString& programName)
{
    switch (request) {
    case InfoRequest::Help:
        return UsageText(programName).replace(QLatin1Char('\r'), QLatin1Char('\n')) +
               QStringLiteral("\n--help, -h\t(print this text and exit)"
                              "\n--version, -v\t(print the version and exit)"
                              "\nSwitches may also begin with \"-\"; /? shows this text in a box, then starts.\n");
    case InfoRequest::Version:
        return VersionLine(programName) + QLatin1Char('\n');
    case InfoRequest::None:
        break;
    }
    return {};
}

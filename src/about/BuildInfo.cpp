#include "BuildInfo.h"

QString FullVersion()
{
    const TBuildInfo& info = BuildInfo();
    const QString version = QString::fromUtf8(info.version);
    const QString describe = QString::fromUtf8(info.describe);
    if (describe.isEmpty() || describe == version || describe == QLatin1Char('v') + version)
        return version;
    return QStringLiteral("%1 (%2)").arg(version, describe);
}

QString VersionLine(const QString& program) { return program + QLatin1Char(' ') + FullVersion(); }

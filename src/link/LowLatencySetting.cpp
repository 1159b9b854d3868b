#include "LowLatencySetting.h"

#include "FileLocations.h"
#include "ProfileFile.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <utility>

namespace LowLatencySetting {

bool Wanted(const QProcessEnvironment& environment, const QString& settingsFile)
{
    const QString variable = QLatin1String(kVariable);
    if (environment.contains(variable))
        return environment.value(variable).trimmed() != QLatin1String("0");
    if (settingsFile.isEmpty())
        return true;
    const TProfileFile ini(settingsFile);
    const QString section = QStringLiteral("Link");
    const QString key = QStringLiteral("LowLatency");
    // A number is read as ever; only a value that gives none falls to the default.
    if (const int on = ini.ReadInteger(section, key, 1); on == ini.ReadInteger(section, key, 0))
        return on != 0;
    const QString value = ini.ReadString(section, key, QString()).trimmed();
    if (value.isEmpty())
        return true;
    // Said once: every port of the program asks.
    static bool warned = false;
    if (!std::exchange(warned, true))
        std::fprintf(stderr, "%s: [Link] LowLatency=%s is not understood (0: off, 1: on); low latency stays on\n",
                     qPrintable(QDir::toNativeSeparators(settingsFile)), qPrintable(value.left(40)));
    return true;
}

bool Wanted()
{
    // The window keeps its positions in the same file, beside the program or in the user's folder.
    QString settingsFile;
    if (QCoreApplication::instance())
        settingsFile =
            TFileLocations(QCoreApplication::applicationDirPath()).ConfigFolder() + QStringLiteral("Tunebench.ini");
    return Wanted(QProcessEnvironment::systemEnvironment(), settingsFile);
}

void TurnOff() { qputenv(kVariable, "0"); }

} // namespace LowLatencySetting

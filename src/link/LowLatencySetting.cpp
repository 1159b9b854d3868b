#include "LowLatencySetting.h"

#include "FileLocations.h"
#include "ProfileFile.h"

#include <QCoreApplication>

namespace LowLatencySetting {

bool Wanted(const QProcessEnvironment& environment, const QString& settingsFile)
{
    const QString variable = QLatin1String(kVariable);
    if (environment.contains(variable))
        return environment.value(variable).trimmed() != QLatin1String("0");
    return settingsFile.isEmpty() ||
           TProfileFile(settingsFile).ReadBool(QStringLiteral("Link"), QStringLiteral("LowLatency"), true);
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

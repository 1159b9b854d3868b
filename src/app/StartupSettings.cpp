#include "StartupSettings.h"

#include "AtomicFile.h"
#include "BoundedFile.h"
#include "MachineSettings.h"
#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QString kTabsheets = QStringLiteral("Tabsheets");
const QString kUser = QStringLiteral("User");
const QString kBaudrateIndex = QStringLiteral("BaudrateIndex");
} // namespace

TPageConfiguration ReadPageConfiguration(const QString& configIniPath)
{
    TProfileFile ini(configIniPath);
    TPageConfiguration config;
    config.startPosition = ini.ReadInteger(kTabsheets, QStringLiteral("Start Position"), 1);
    for (int page : {1, 2, 3, 4, 6, 7, 8, 9})
        config.tabVisible[page] = ini.ReadBool(kTabsheets, QString::number(page), page != 2);
    return config;
}

int LoadBaudrateIndex(const QString& settingsPath)
{
    return TProfileFile(settingsPath).ReadInteger(kUser, kBaudrateIndex, 1);
}

bool SaveBaudrateIndex(const QString& settingsPath, int index, QString* error)
{
    TProfileFile ini(settingsPath);
    if (ini.WriteInteger(kUser, kBaudrateIndex, index))
        return true;
    if (error != nullptr)
        *error = ini.ErrorString();
    return false;
}

QString LanguageToApply(const std::optional<QString>& registryValue, bool defaultLngExists)
{
    QString name = registryValue.value_or(QString());
    if (name.isEmpty() && defaultLngExists)
        name = QStringLiteral("Default");
    if (name == QLatin1String("English"))
        return {};
    return name;
}

bool ReplaceFile(const QString& from, const QString& target)
{
    const QString suffix = QFileInfo(from).suffix().toLower();
    const TFileKind kind = suffix == QLatin1String("lng")   ? TFileKind::Language
                           : suffix == QLatin1String("ini") ? TFileKind::Settings
                           : suffix == QLatin1String("hlp") ? TFileKind::Help
                                                            : TFileKind::Picture;
    QByteArray bytes;
    return ReadBoundedFile(from, kind, bytes) && WriteFileAtomically(target, bytes);
}

bool RunInstallationStep(TMachineSettings& settings, const QString& programFolder)
{
    const std::optional<QString> source = settings.ReadString(QStringLiteral("SourceDir"));
    if (!source)
        return false;
    if (!source->isEmpty() && QDir(*source).exists()) {
        for (const char* name : kInstalledFiles) {
            (void)ReplaceFile(*source + QLatin1String(name), programFolder + QLatin1String(name));
        }
    }
    settings.DeleteValue(QStringLiteral("SourceDir"));
    return true;
}

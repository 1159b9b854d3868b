#include "ProgramEnvironment.h"

#include "MachineSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

TProgramEnvironment TProgramEnvironment::FromApplication()
{
    TProgramEnvironment env;
    env.programFile = QCoreApplication::applicationFilePath();
    env.arguments = QCoreApplication::arguments().mid(1);
    env.machineSettings = TMachineSettings::DefaultPath();
    env.instanceLockPath = QDir::temp().filePath(QStringLiteral("Tunebench - DavoTelecom.lock"));
    return env;
}

QString TProgramEnvironment::ProgramFolder() const
{
    QString folder = QFileInfo(programFile).absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString TProgramEnvironment::SettingsFileName() const
{
    return QFileInfo(programFile).completeBaseName() + QStringLiteral(".ini");
}

bool TProgramEnvironment::HasSwitch(const QString& name) const { return ::HasSwitch(arguments, name); }

bool HasSwitch(const QStringList& arguments, const QString& name)
{
    for (const QString& argument : arguments) {
        if (argument.size() < 2 || (argument[0] != QLatin1Char('/') && argument[0] != QLatin1Char('-')))
            continue;
        if (argument.mid(1).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString UsageText()
{
    return QStringLiteral("Usage:    Tunebench.exe /Param\r\r"
                          "/?\t(This help)\r"
                          "/va\t(Tabsheet \"Volume adjust PP\" visible)\r"
                          "/sm\t(\"SendMail Monitor\" visible)\r"
                          "/d\t(Debug Mode)");
}

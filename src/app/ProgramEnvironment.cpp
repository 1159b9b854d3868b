#include "ProgramEnvironment.h"

#include "MachineSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
QString UserKey()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}
} // namespace

TProgramEnvironment TProgramEnvironment::FromApplication()
{
    TProgramEnvironment env;
    env.programFile = QCoreApplication::applicationFilePath();
    env.startedAs = QFileInfo(QCoreApplication::arguments().value(0)).fileName();
    env.arguments = QCoreApplication::arguments().mid(1);
    env.machineSettings = TMachineSettings::DefaultPath();
    // One copy per user: another user's running copy neither blocks nor answers.
    // The user's own runtime folder where the session has one: in the shared
    // temporary folder another user could make the lock first and block a start.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QDir folder = !runtime.isEmpty() && QFileInfo(runtime).isDir() ? QDir(runtime) : QDir::temp();
    env.instanceLockPath = folder.filePath(QStringLiteral("Tunebench - DavoTelecom-%1.lock").arg(UserKey()));
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

QString TProgramEnvironment::InstanceSocketPath() const
{
    if (instanceLockPath.isEmpty())
        return {};
    QString path = instanceLockPath;
    if (path.endsWith(QLatin1String(".lock")))
        path.chop(5);
    return path + QStringLiteral(".socket");
}

QString TProgramEnvironment::ProgramName() const
{
    return startedAs.isEmpty() ? QFileInfo(programFile).fileName() : startedAs;
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

QString UsageText(const QString& programName)
{
    return QStringLiteral("Usage:    ") + programName +
           QStringLiteral(" /Param\r\r"
                          "/?\t(This help)\r"
                          "/va\t(Tabsheet \"Volume adjust PP\" visible)\r"
                          "/sm\t(\"SendMail Monitor\" visible)\r"
                          "/d\t(Debug Mode)");
}

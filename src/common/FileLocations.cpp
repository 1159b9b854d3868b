#include "FileLocations.h"

#include "InvokingUser.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

QString WithSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// $XDG_x_HOME when it is an absolute path (a relative one must be ignored),
// else ~/fallback.
[[maybe_unused]] QString XdgFolder(const QProcessEnvironment& environment, const char* variable, const char* fallback)
{
    const QString value = environment.value(QLatin1String(variable));
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return WithSeparator(value);
    QString home = environment.value(QStringLiteral("HOME"));
    if (home.isEmpty())
        home = QDir::homePath();
    return WithSeparator(home) + QLatin1String(fallback);
}

bool IsWritableFolder(const QString& folder)
{
    const QFileInfo info(folder);
#ifdef Q_OS_UNIX
    // Under sudo: whether the invoking user may write it, not root.
    if (InvokingUser()) {
        const TAsInvokingUser user;
        return info.isDir() && ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK, AT_EACCESS) == 0;
    }
#endif
    return info.isDir() && info.isWritable();
}

QString MadeFolder(const QString& folder)
{
    const TAsInvokingUser user;
    QDir().mkpath(folder);
    return folder;
}

} // namespace

TFileLocations::TFileLocations(const QString& programFolder, const QProcessEnvironment& environment)
{
    const QString program = WithSeparator(programFolder);
#ifdef Q_OS_WIN
    // The installer leaves its uninstaller beside the program: an installed
    // program writes into the user's application-data folder, never into
    // Program Files (which an administrator's session could write).
    const bool installed = QFileInfo::exists(program + QLatin1String(kWindowsUninstaller));
    m_portable = !installed && IsWritableFolder(program);
    if (m_portable) {
        m_data = m_config = m_userData = program;
        return;
    }
    m_data = program;
    QString appData = QDir::fromNativeSeparators(environment.value(QStringLiteral("APPDATA")));
    if (appData.isEmpty() || !QDir::isAbsolutePath(appData))
        appData = QDir::homePath() + QStringLiteral("/AppData/Roaming");
    m_config = m_userData = WithSeparator(appData) + QStringLiteral("Tunebench/");
#else
    const QString installedData = InstalledDataFolder(program);
    m_portable = installedData.isEmpty() && IsWritableFolder(program);
    if (m_portable) {
        m_data = m_config = m_userData = program;
        return;
    }
    m_data = installedData.isEmpty() ? program : installedData;
    // sudo keeps root's home and environment: the files are the invoking user's.
    if (const std::optional<TInvokingUser> user = InvokingUser()) {
        m_config = user->home + QStringLiteral("/.config/tunebench/");
        m_userData = user->home + QStringLiteral("/.local/share/tunebench/");
        return;
    }
    m_config = XdgFolder(environment, "XDG_CONFIG_HOME", ".config/") + QStringLiteral("tunebench/");
    m_userData = XdgFolder(environment, "XDG_DATA_HOME", ".local/share/") + QStringLiteral("tunebench/");
#endif
}

QString TFileLocations::InstalledDataFolder(const QString& programFolder)
{
    const QDir bin(programFolder);
    if (bin.dirName() != QLatin1String("bin"))
        return {};
    const QString data = QDir::cleanPath(bin.absoluteFilePath(QStringLiteral("../share/tunebench")));
    return QFileInfo(data).isDir() ? WithSeparator(data) : QString();
}

QString TFileLocations::ConfigFile(const QString& name) const
{
    return (m_portable ? m_config : MadeFolder(m_config)) + name;
}

QString TFileLocations::UserDataFile(const QString& name) const
{
    return (m_portable ? m_userData : MadeFolder(m_userData)) + name;
}

QString TFileLocations::UserOrShippedFile(const QString& name) const
{
    for (const QString& folder : {m_config, m_userData})
        if (QFileInfo::exists(folder + name))
            return folder + name;
    return DataFile(name);
}

QStringList TFileLocations::LanguageFolders() const
{
    if (m_userData == m_data)
        return {m_data};
    return {m_userData, m_data};
}

#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tbtest {

// Points HOME and the XDG folders at a temporary folder for the whole test
// process and the programs it starts, so that no test reads or writes the
// user's real settings (Qt's file-dialog history, the machine settings store,
// which as root would otherwise land in /etc/xdg). Create it before the
// application object.
class TIsolatedHome {
public:
    TIsolatedHome()
    {
        if (!m_dir.isValid())
            qFatal("cannot create a temporary home folder");
        Set("HOME", QStringLiteral("home"));
        Set("XDG_CONFIG_HOME", QStringLiteral("home/.config"));
        Set("XDG_DATA_HOME", QStringLiteral("home/.local/share"));
        Set("XDG_CACHE_HOME", QStringLiteral("home/.cache"));
        Set("XDG_STATE_HOME", QStringLiteral("home/.local/state"));
        Set("XDG_CONFIG_DIRS", QStringLiteral("etc/xdg"));
        const QString runtime = Set("XDG_RUNTIME_DIR", QStringLiteral("run"));
        // A portable build would keep its journal of writes beside the program.
        qputenv("TUNEBENCH_JOURNAL", QFile::encodeName(m_dir.filePath(QStringLiteral("journal"))));
#ifdef Q_OS_WIN
        // The machine settings store is the registry there, shared by every process.
        Set("APPDATA", QStringLiteral("home/AppData/Roaming"));
        qputenv("TUNEBENCH_REGISTRY", QFile::encodeName(m_dir.filePath(QStringLiteral("VUREZIVO.ini"))));
#endif
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    QString Set(const char* variable, const QString& relative)
    {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(path);
        qputenv(variable, QFile::encodeName(path));
        return path;
    }

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/tunebench-home-XXXXXX")};
};

} // namespace tbtest

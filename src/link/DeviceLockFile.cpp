#include "DeviceLockFile.h"

#include "BoundedFile.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace DeviceLockFile {

QString Name(const QString& devicePath)
{
    QString name = QFileInfo(devicePath).canonicalFilePath();
    if (name.isEmpty())
        name = devicePath;
    if (name.startsWith(QStringLiteral("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

QStringList Folders() { return {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")}; }

qint64 ParsePid(const QByteArray& bytes)
{
    const QByteArray line = bytes.left(bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n')).trimmed();
    bool ok = false;
    const qint64 pid = line.toLongLong(&ok);
    if (ok && !line.isEmpty())
        return pid > 0 ? pid : 0;
    // Binary: exactly one native int.
    if (bytes.size() == int(sizeof(qint32))) {
        qint32 binary = 0;
        std::memcpy(&binary, bytes.constData(), sizeof binary);
        return binary > 0 ? binary : 0;
    }
    return 0;
}

qint64 ForeignHolder(const QString& devicePath)
{
#ifdef Q_OS_UNIX
    const QString name = Name(devicePath);
    for (const QString& folder : Folders()) {
        const QString path = folder + QLatin1Char('/') + name;
        QByteArray bytes;
        if (!ReadBoundedFile(path, TFileKind::LockFile, bytes))
            continue;
        const qint64 pid = ParsePid(bytes.left(256));
        if (pid == 0 || pid == ::getpid())
            continue; // not a PID we can judge, or our own: QSerialPort decides
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)
            return pid;
        QFile::remove(path);
    }
#else
    Q_UNUSED(devicePath);
#endif
    return 0;
}

} // namespace DeviceLockFile

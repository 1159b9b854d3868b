#include "DeviceLockFile.h"

#include "BoundedFile.h"

#include <QDateTime>
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

#ifdef Q_OS_UNIX
namespace {
// When the process started, in seconds since the epoch; 0 when unknown.
qint64 ProcessStart(const QByteArray& stat)
{
    // Field 22 of /proc/<pid>/stat, in clock ticks after boot; fields 3 on follow the name's ')'.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    QFile system(QStringLiteral("/proc/stat"));
    if (fields.size() < 20 || !system.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : system.read(64 * 1024).split('\n'))
        if (line.startsWith("btime "))
            return line.mid(6).trimmed().toLongLong() + fields[19].toLongLong() / ::sysconf(_SC_CLK_TCK);
    return 0;
}

// A PID is used again once its process has ended: a process started after
// the lock file was written is not its owner, and an ended process not yet
// reaped (a zombie) holds nothing.
bool HoldsLock(qint64 pid, const QFileInfo& lockFile)
{
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.read(1024);
    const qsizetype end = line.lastIndexOf(')');
    if (end >= 0 && line.mid(end + 2, 1) == "Z")
        return false;
    const qint64 started = ProcessStart(line);
    return started == 0 || started <= lockFile.lastModified().toSecsSinceEpoch() + 1;
}
} // namespace
#endif

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
        if (HoldsLock(pid, QFileInfo(path)))
            return pid;
        QFile::remove(path);
    }
#else
    Q_UNUSED(devicePath);
#endif
    return 0;
}

} // namespace DeviceLockFile

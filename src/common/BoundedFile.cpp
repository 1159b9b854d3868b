#include "BoundedFile.h"

#include "StopRequest.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr qint64 kKiB = 1024;
constexpr qint64 kMiB = 1024 * kKiB;
// The largest flash a target may have (a CFG's "flash", the HEX reader's span).
constexpr qint64 kLargestFlash = 16 * kMiB;

struct TKindLimit {
    qint64 bytes;
    const char* name;
};

TKindLimit Limit(TFileKind kind)
{
    switch (kind) {
    case TFileKind::Settings:
        return {kMiB, "settings file"}; // ours hold a few KiB
    case TFileKind::Language:
        return {kMiB, "language file"}; // a whole translation is about 13 KiB
    case TFileKind::Menu:
        return {16 * kMiB, "menu file"}; // a backup of all 64 KiB cells is about 200 KiB
    case TFileKind::FlashConfig:
        return {64 * kKiB, "flash configuration file"};
    case TFileKind::HexImage:
        // A whole flash in 16-byte records is 2.8 times its bytes as HEX text.
        return {4 * kLargestFlash, "HEX file"};
    case TFileKind::Journal:
        return {16 * kMiB, "journal of writes"}; // it moves aside at 1 MiB
    case TFileKind::Picture:
        return {16 * kMiB, "picture"};
    case TFileKind::Help:
        return {64 * kMiB, "help file"};
    case TFileKind::LockFile:
        return {4 * kKiB, "lock file"};
    case TFileKind::DeviceAttribute:
        return {4 * kKiB, "device attribute"}; // sysfs gives every attribute that size
    case TFileKind::DeviceImage:
        return {kLargestFlash, "device image"};
    }
    return {0, "file"};
}

QString SizeText(qint64 bytes)
{
    if (bytes % kMiB == 0)
        return QStringLiteral("%1 MiB").arg(bytes / kMiB);
    if (bytes % kKiB == 0)
        return QStringLiteral("%1 KiB").arg(bytes / kKiB);
    return QStringLiteral("%1 bytes").arg(bytes);
}

#ifndef Q_OS_UNIX
// Windows reserves these names in every folder and with any extension
// ("COM1.txt" is the port); "\\.\" and "\\?\GLOBALROOT" name devices too.
bool NamesADevice(const QString& path)
{
    const QString native = QDir::toNativeSeparators(path);
    if (native.startsWith(QLatin1String("\\\\.\\")) ||
        native.startsWith(QLatin1String("\\\\?\\GLOBALROOT"), Qt::CaseInsensitive))
        return true;
    QString base = native.mid(native.lastIndexOf(QLatin1Char('\\')) + 1);
    base = base.left(base.indexOf(QLatin1Char('.'))).left(base.indexOf(QLatin1Char(':'))).trimmed().toUpper();
    static const QStringList names{QStringLiteral("CON"), QStringLiteral("PRN"),    QStringLiteral("AUX"),
                                   QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (names.contains(base))
        return true;
    return base.size() == 4 && (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT"))) &&
           base[3] >= QLatin1Char('1') && base[3] <= QLatin1Char('9');
}
#endif

} // namespace

qint64 FileSizeLimit(TFileKind kind) { return Limit(kind).bytes; }

TBoundedFile::TBoundedFile(QString path, TFileKind kind) : m_path(std::move(path)), m_kind(kind) {}

QString TBoundedFile::ErrorString() const
{
    return QStringLiteral("Cannot read \"%1\": %2").arg(QDir::toNativeSeparators(m_path), m_reason);
}

bool TBoundedFile::Fail(const QString& reason)
{
    m_reason = reason;
    if (m_file.isOpen())
        m_file.close();
    return false;
}

bool TBoundedFile::TooLarge()
{
    const TKindLimit limit = Limit(m_kind);
    return Fail(
        QStringLiteral("larger than %1, too large for a %2").arg(SizeText(limit.bytes), QLatin1String(limit.name)));
}

bool TBoundedFile::Open() { return OpenChecked(true); }

bool TBoundedFile::OpenAnySize() { return OpenChecked(false); }

bool TBoundedFile::OpenChecked(bool checkSize)
{
    m_missing = m_stopped = false;
    m_reason.clear();
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(m_path);
    struct stat st {};
    // Looked at before it is opened: opening a FIFO waits for a writer, and
    // opening a device may do something to it.
    if (::stat(native.constData(), &st) != 0) {
        m_missing = errno == ENOENT;
        return Fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISREG(st.st_mode))
        return Fail(QStringLiteral("not a regular file"));
    const int fd = ::open(native.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_missing = errno == ENOENT;
        return Fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    // It may have been swapped for something else in between.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Fail(QStringLiteral("not a regular file"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_size = st.st_size;
    if (!m_file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Fail(m_file.errorString());
    }
#else
    // Opening a device may do something to it (a port raises its lines).
    if (NamesADevice(m_path))
        return Fail(QStringLiteral("not a regular file"));
    const QFileInfo info(m_path);
    if (!info.exists()) {
        m_missing = true;
        return Fail(QString::fromLocal8Bit(std::strerror(ENOENT)));
    }
    if (!info.isFile())
        return Fail(QStringLiteral("not a regular file"));
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::ReadOnly))
        return Fail(m_file.errorString());
    m_size = m_file.size();
#endif
    if (checkSize && m_size > Limit(m_kind).bytes)
        return TooLarge();
    return true;
}

bool TBoundedFile::ReadAll(QByteArray& bytes)
{
    bytes.clear();
    if (!m_file.isOpen() && !Open())
        return false;
    const qint64 limit = Limit(m_kind).bytes;
    constexpr qint64 kBlock = kMiB;
    bytes.reserve(qsizetype(std::min(m_size, limit)));
    for (;;) {
        if (tbstop::Requested()) {
            m_stopped = true;
            bytes.clear();
            return Fail(QStringLiteral("stopped"));
        }
        // One byte beyond the limit tells a file that grew while being read.
        const QByteArray block = m_file.read(std::min(kBlock, limit + 1 - bytes.size()));
        if (block.isEmpty())
            break;
        bytes += block;
        if (bytes.size() > limit) {
            bytes.clear();
            return TooLarge();
        }
    }
    if (m_file.error() != QFileDevice::NoError) {
        bytes.clear();
        return Fail(m_file.errorString());
    }
    m_file.close();
    return true;
}

bool ReadBoundedFile(const QString& path, TFileKind kind, QByteArray& bytes, QString* error)
{
    TBoundedFile file(path, kind);
    const bool ok = file.ReadAll(bytes);
    if (!ok && error != nullptr)
        *error = file.ErrorString();
    return ok;
}

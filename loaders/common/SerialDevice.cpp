#include "SerialDevice.h"

#include "DeviceLockFile.h"
#include "LowLatencySetting.h"
#include "SerialLowLatency.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tbload {

namespace {

speed_t SpeedCode(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return 0;
    }
}

bool SetModemLine(int fd, int line, bool on)
{
    if (fd < 0)
        return false;
    return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

} // namespace

SerialDevice::SerialDevice()
    : m_lowLatencyWanted(LowLatencySetting::Wanted()), m_lowLatency(std::make_unique<TSerialLowLatency>())
{}

SerialDevice::~SerialDevice() { Close(); }

// The directories QSerialPort looks at, in its order: the first readable one
// that holds the file or may receive it.
std::string SerialDevice::LockFilePath(const std::string& devicePath)
{
    static const QStringList directories = {QStringLiteral("/var/lock"),
                                            QStringLiteral("/etc/locks"),
                                            QStringLiteral("/var/spool/locks"),
                                            QStringLiteral("/var/spool/uucp"),
                                            QStringLiteral("/tmp"),
                                            QStringLiteral("/var/tmp"),
                                            QStringLiteral("/var/lock/lockdev"),
                                            QStringLiteral("/run/lock"),
                                            QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
    // Named after the device, not after a link to it, as others lock it.
    const QString name = QLatin1Char('/') + DeviceLockFile::Name(QString::fromLocal8Bit(devicePath.c_str()));
    for (const QString& directory : directories) {
        const QFileInfo info(directory);
        const QString file = directory + name;
        if (info.isReadable() && (QFile::exists(file) || info.isWritable()))
            return QFile::encodeName(file).toStdString();
    }
    return {};
}

SerialDevice::OpenError SerialDevice::Open(const std::string& path, int baud)
{
    Close();
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return OpenError::Missing;
    if (!S_ISCHR(st.st_mode))
        return OpenError::NotATerminal;
    const speed_t speed = SpeedCode(baud);
    if (speed == 0)
        return OpenError::Settings;

    const std::string lockPath = LockFilePath(path);
    if (lockPath.empty())
        return OpenError::Denied;
    if (DeviceLockFile::ForeignHolder(QString::fromLocal8Bit(path.c_str())) != 0)
        return OpenError::InUse;
    auto lock = std::make_unique<QLockFile>(QFile::decodeName(lockPath.c_str()));
    if (!lock->tryLock(0))
        return lock->error() == QLockFile::LockFailedError ? OpenError::InUse : OpenError::Denied;

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY ? OpenError::InUse : errno == ENOENT ? OpenError::Missing : OpenError::Denied;
    if (!::isatty(fd)) {
        ::close(fd);
        return OpenError::NotATerminal;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        return OpenError::Denied;
    }
    // Terminal programs and serial libraries of other makers hold the device
    // itself with flock, which TIOCEXCL does not make root respect.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return OpenError::InUse;
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        ::close(fd);
        return OpenError::Settings;
    }
    m_saved = t;
    ::cfmakeraw(&t);
    t.c_cflag &= ~tcflag_t(CSTOPB | PARENB | CRTSCTS | CSIZE);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        ::close(fd);
        return OpenError::Settings;
    }
    m_fd = fd;
    m_lock = std::move(lock);
    // A driver that refuses (a pseudo-terminal) leaves the port as it is.
    if (m_lowLatencyWanted)
        m_lowLatency->Request(TSerialLowLatency::OfDescriptor(fd));
    m_lost = false;
    m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    // A tty raises DTR on open; a target must not see the lines change.
    SetDtr(false);
    SetRts(false);
    Flush();
    return OpenError::None;
}

void SerialDevice::Close()
{
    if (m_fd >= 0) {
        // The next program finds the port as this one found it (rate, raw mode, modem control).
        if (!m_lost) {
            ::tcsetattr(m_fd, TCSANOW, &m_saved);
            m_lowLatency->Restore(TSerialLowLatency::OfDescriptor(m_fd));
        }
        m_lowLatency->Forget();
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_wake >= 0) {
        ::close(m_wake);
        m_wake = -1;
    }
    m_lock.reset(); // unlocks and removes the lock file
}

bool SerialDevice::SetDtr(bool on) { return SetModemLine(m_fd, TIOCM_DTR, on); }
bool SerialDevice::SetRts(bool on) { return SetModemLine(m_fd, TIOCM_RTS, on); }

void SerialDevice::Flush()
{
    if (m_fd >= 0)
        ::tcflush(m_fd, TCIOFLUSH);
}

void SerialDevice::Interrupt()
{
    if (m_wake >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
    }
}

bool SerialDevice::Interrupted() const
{
    if (m_wake < 0)
        return false;
    pollfd p{m_wake, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

bool SerialDevice::WaitFor(short events, Clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p[2] = {{m_fd, events, 0}, {m_wake, POLLIN, 0}};
        const int n = ::poll(p, m_wake >= 0 ? 2 : 1, int(std::clamp<long long>(left, 0, 60000)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (m_wake >= 0 && p[1].revents))
            return false;
        if (p[0].revents & events)
            return true;
        if (p[0].revents & (POLLERR | POLLNVAL | POLLHUP)) {
            m_lost = true; // the device went away
            return false;
        }
        if (left <= 0)
            return false;
    }
}

bool SerialDevice::WriteAll(const uint8_t* data, size_t size, Clock::time_point deadline)
{
    size_t done = 0;
    while (m_fd >= 0 && !m_lost && done < size) {
        const ssize_t n = ::write(m_fd, data + done, size - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            m_lost = true;
            return false;
        }
        if (!WaitFor(POLLOUT, deadline))
            return false;
    }
    return done == size;
}

int SerialDevice::ReadSome(uint8_t* buffer, size_t size, Clock::time_point deadline)
{
    bool readable = false; // poll said a read would not wait
    for (;;) {
        if (m_fd < 0 || m_lost || Interrupted())
            return -1;
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n > 0)
            return int(n);
        if (n < 0 && errno == EINTR)
            continue;
        // Raw mode without a minimum count: 0 means nothing there yet.
        // ... but 0 right after poll called the port readable is its end: the other
        // side hung up, and poll would go on saying so at once (a busy loop).
        if ((n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) || (n == 0 && readable)) {
            m_lost = true;
            return -1;
        }
        if (!WaitFor(POLLIN, deadline))
            return m_lost || Interrupted() ? -1 : 0;
        readable = true;
    }
}

} // namespace tbload

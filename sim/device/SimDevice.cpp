#include "SimDevice.h"
#include "SimDeviceLine.h"

#include "BoundedFile.h"
#include "DeviceLogic.h"
#include "SimProfiles.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace tbsim {

namespace {

void addFlags(int fd, int statusFlags)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | statusFlags);
    fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

} // namespace

SimDevice::SimDevice(SimOptions options) : m_options(std::move(options)) {}

SimDevice::~SimDevice() { stop(); }

bool SimDevice::start()
{
    if (m_running || m_thread.joinable()) {
        m_error = QStringLiteral("already started");
        return false;
    }
    const ProfileInfo* profile = findProfile(m_options.profile);
    if (!profile) {
        m_error = QStringLiteral("unknown profile: %1").arg(m_options.profile);
        return false;
    }
    QByteArray image;
    if (m_options.imagePath.isEmpty())
        image = profileImage(profile->name);
    else if (!loadImage(m_options.imagePath, &image, &m_error))
        return false;
    applyCellOptions(image, m_options);
    m_baud = m_options.baud > 0 ? m_options.baud : profile->defaultBaud;
    {
        std::lock_guard lock(m_mutex);
        m_logic = std::make_unique<DeviceLogic>(image, m_baud, m_options.faults);
    }

    if (openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) < 0) {
        m_error = QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    char name[256] = {};
    if (ttyname_r(m_slave, name, sizeof name) != 0) {
        m_error = QStringLiteral("ttyname: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        closeFds();
        return false;
    }
    termios raw{};
    tcgetattr(m_slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_slave, TCSANOW, &raw);
    addFlags(m_master, O_NONBLOCK);
    addFlags(m_slave, 0);
    m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wake < 0) {
        m_error = QStringLiteral("eventfd: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        closeFds();
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    const QString usb =
        m_options.usbLatencyMs > 0
            ? QStringLiteral(" usb %1 ms %2 bytes").arg(m_options.usbLatencyMs).arg(m_options.usbPacketBytes)
            : QString();
    addLog({QStringLiteral("START %1 %2 baud %3%4%5 on %6")
                .arg(profile->name)
                .arg(m_baud)
                .arg(m_options.twoWire ? QStringLiteral("two-wire") : QStringLiteral("one-wire"),
                     m_options.pace ? QStringLiteral(" paced") : QString(), usb, m_slavePath)});
    m_stop = false;
    m_running = true;
    m_thread = std::thread([this] { run(); });
    return true;
}

void SimDevice::run()
{
    Line line(*this);
    line.run();
    m_running = false;
    if (m_hungUp && m_finished)
        m_finished();
}

void SimDevice::stop()
{
    m_stop = true;
    if (m_wake >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
    }
    if (m_thread.joinable()) {
        m_thread.join();
        addLog({QStringLiteral("STOP")});
    }
    closeFds();
}

void SimDevice::closeFds()
{
    for (int* fd : {&m_master, &m_slave, &m_wake}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void SimDevice::addLog(const QStringList& lines)
{
    if (lines.isEmpty())
        return;
    if (m_options.keepLog) {
        std::lock_guard lock(m_mutex);
        m_log += lines;
    }
    if (m_sink)
        for (const QString& line : lines)
            m_sink(line);
}

QByteArray SimDevice::eeprom(int address, int count) const
{
    std::lock_guard lock(m_mutex);
    return m_logic ? m_logic->read(address, count) : QByteArray();
}

void SimDevice::setEeprom(int address, const QByteArray& data)
{
    std::lock_guard lock(m_mutex);
    if (m_logic)
        m_logic->write(address, data);
}

QByteArray SimDevice::image() const
{
    std::lock_guard lock(m_mutex);
    return m_logic ? m_logic->image() : QByteArray();
}

SimFaults SimDevice::faults() const
{
    std::lock_guard lock(m_mutex);
    return m_logic ? m_logic->faults() : m_options.faults;
}

void SimDevice::setFaults(const SimFaults& faults)
{
    std::lock_guard lock(m_mutex);
    if (m_logic)
        m_logic->setFaults(faults);
    else
        m_options.faults = faults; // not started yet
}

QStringList SimDevice::log() const
{
    std::lock_guard lock(m_mutex);
    return m_log;
}

int SimDevice::framesReceived() const
{
    std::lock_guard lock(m_mutex);
    return m_logic ? m_logic->framesReceived() : 0;
}

int SimDevice::writesStored() const
{
    std::lock_guard lock(m_mutex);
    return m_logic ? m_logic->writesStored() : 0;
}

int SimDevice::defaultMails() const
{
    std::lock_guard lock(m_mutex);
    return m_logic ? m_logic->defaultMails() : 0;
}

bool SimDevice::saveImage(const QString& path, QString* error) const
{
    const QByteArray bytes = image();
    QSaveFile file(path);
    if (bytes.size() != kEepromSize || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
        !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot save image %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool SimDevice::loadImage(const QString& path, QByteArray* image, QString* error)
{
    TBoundedFile file(path, TFileKind::DeviceImage);
    QByteArray bytes;
    if (!file.ReadAll(bytes)) {
        if (error)
            *error = QStringLiteral("cannot read image %1: %2").arg(path, file.Reason());
        return false;
    }
    if (bytes.size() != kEepromSize) {
        if (error)
            *error = QStringLiteral("image %1 has %2 bytes, not %3").arg(path).arg(bytes.size()).arg(kEepromSize);
        return false;
    }
    *image = bytes;
    return true;
}

} // namespace tbsim

#include "TpaProComImpl.h"

#include "DeviceLockFile.h"
#include "LowLatencySetting.h"
#include "Timing.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <termios.h>
#endif
#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
// A path that exists but is no terminal (a file, a folder, /dev/null).
bool ExistsButIsNoSerialPort(const QString& path)
{
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return false;
    if (!S_ISCHR(st.st_mode))
        return true;
    const int fd = ::open(native.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool tty = ::isatty(fd) == 1;
    ::close(fd);
    return !tty;
#else
    Q_UNUSED(path);
    return false;
#endif
}

// Terminal programs and serial libraries of other makers mark a port as theirs
// with flock on the device itself (TIOCEXCL does not stop root). Take the same
// lock for as long as the port is open; false when another holds it.
bool LockDevice(int fd)
{
#ifdef Q_OS_UNIX
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
#else
    Q_UNUSED(fd);
    return true;
#endif
}
} // namespace

TTpaProComImpl::TTpaProComImpl(QObject* parent) : QObject(parent), m_lowLatencyWanted(LowLatencySetting::Wanted())
{
    m_port.setBaudRate(m_baud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(0);
    connect(&m_port, &QSerialPort::readyRead, this, &TTpaProComImpl::OnReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &TTpaProComImpl::OnError);
    m_receptionPause.setSingleShot(true);
    m_receptionPause.setTimerType(Qt::PreciseTimer);
    connect(&m_receptionPause, &QTimer::timeout, this, &TTpaProComImpl::ResumeReception);
    connect(&m_port, &QSerialPort::bytesWritten, this, [this] {
        if (m_port.bytesToWrite() == 0 && OnOutSent)
            OnOutSent(this);
    });
}

TTpaProComImpl::~TTpaProComImpl()
{
    OnData = nullptr;
    if (m_port.isOpen()) {
        m_lowLatency.Restore(DriverFlags());
        m_port.close();
    }
}

bool TTpaProComImpl::IsOpen() const { return m_port.isOpen(); }

bool TTpaProComImpl::PinoutHas(QSerialPort::PinoutSignal signal) const
{
    if (!m_port.isOpen())
        return false;
    return (const_cast<QSerialPort&>(m_port).pinoutSignals() & signal) != 0;
}

bool TTpaProComImpl::Dcd() const { return PinoutHas(QSerialPort::DataCarrierDetectSignal); }
bool TTpaProComImpl::Cts() const { return PinoutHas(QSerialPort::ClearToSendSignal); }
bool TTpaProComImpl::Dsr() const { return PinoutHas(QSerialPort::DataSetReadySignal); }

namespace {

// Without free file descriptors every open fails, the port's lock file first,
// which the serial port reports as a permission error. The port and its lock
// file take one each.
bool OutOfFileDescriptors()
{
    const int first = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int second = first < 0 ? -1 : ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int error = errno;
    for (const int fd : {first, second})
        if (fd >= 0)
            ::close(fd);
    return second < 0 && (error == EMFILE || error == ENFILE);
}

} // namespace

bool TTpaProComImpl::Open(std::uint8_t com, std::int32_t baud)
{
    bool ok = true;
    if (com != m_com) {
        ok = Close();
        m_com = com;
    }
    if (!ok)
        return false;

    bool result = true;
    m_baud = baud;
    if (!m_port.setBaudRate(baud) && m_port.isOpen())
        result = false;
    if (!m_port.isOpen()) {
        m_lastFailure = OpenFailure::None;
        m_lastErrorText.clear();
        // The lock file is named after the port name: the device's own name
        // is the one that other programs (and the loaders) look for.
        const QString given = m_portMap.DevicePath(com);
        const QString device = QFileInfo(given).canonicalFilePath();
        m_port.setPortName(device.isEmpty() ? given : device);
        if (const qint64 holder = DeviceLockFile::ForeignHolder(given); holder != 0) {
            m_lastFailure = OpenFailure::Busy;
            m_lastErrorText = QStringLiteral("locked by process %1").arg(holder);
        }
        else if (!m_port.open(QIODevice::ReadWrite)) {
            const QString path = m_portMap.DevicePath(com);
            switch (m_port.error()) {
            case QSerialPort::DeviceNotFoundError:
                m_lastFailure = OpenFailure::NotFound;
                break;
            case QSerialPort::PermissionError:
                m_lastFailure = QFileInfo::exists(path) && !QFileInfo(path).isWritable() ? OpenFailure::PermissionDenied
                                                                                         : OpenFailure::Busy;
                break;
            default:
                m_lastFailure = QFileInfo::exists(path) ? OpenFailure::Other : OpenFailure::NotFound;
                break;
            }
            if ((m_lastFailure == OpenFailure::NotFound || m_lastFailure == OpenFailure::Other) &&
                ExistsButIsNoSerialPort(path))
                m_lastFailure = OpenFailure::NotASerialPort;
            m_lastErrorText = m_port.errorString();
            if (OutOfFileDescriptors()) {
                m_lastFailure = OpenFailure::TooManyFiles;
                m_lastErrorText = QString::fromLocal8Bit(std::strerror(EMFILE));
            }
            m_port.clearError();
        }
        else if (!LockDevice(static_cast<int>(m_port.handle()))) {
            m_port.close();
            m_lastFailure = OpenFailure::Busy;
            m_lastErrorText = QStringLiteral("locked by another program");
        }
        else {
            // Refused by a pseudo-terminal or a driver without the flag: the port serves as it is.
            m_lowLatencyOn = m_lowLatencyWanted && m_lowLatency.Request(DriverFlags());
        }
    }
    // Lines come up off: a Linux tty raises DTR on open.
    SetDtr(false);
    SetRts(false);
    if (!m_port.isOpen())
        return false;
    m_receiveThreshold = 0;
    SetReceiveThreshold(1);
    // Bytes written towards us before we opened are still queued on some drivers.
    FlushIn();
    FlushOut();
    return result;
}

bool TTpaProComImpl::Close()
{
    m_receptionPause.stop();
    if (m_port.isOpen()) {
        m_lowLatency.Restore(DriverFlags());
        m_lowLatencyOn = false;
        m_port.close();
        for (int i = 0; i < 150 && m_port.isOpen(); ++i)
            Delay(10);
    }
    return !m_port.isOpen();
}

void TTpaProComImpl::SetDtr(bool on)
{
    if (m_port.isOpen())
        m_modemLinesSupported = m_port.setDataTerminalReady(on) && m_modemLinesSupported;
    m_port.clearError();
}

void TTpaProComImpl::SetRts(bool on)
{
    if (m_port.isOpen())
        m_modemLinesSupported = m_port.setRequestToSend(on) && m_modemLinesSupported;
    m_port.clearError();
}

void TTpaProComImpl::FlushIn()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

void TTpaProComImpl::FlushOut()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Output);
}

void TTpaProComImpl::SetHardwareFlow(bool on)
{
    m_port.setFlowControl(on ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
}

int TTpaProComImpl::Write(const QByteArray& block)
{
    if (!m_port.isOpen())
        return 0;
    if (m_port.write(block) != block.size())
        return 0;
    // Hand the bytes to the driver now instead of at the next event-loop turn.
    m_port.flush();
    return static_cast<int>(block.size());
}

void TTpaProComImpl::SetReceiveThreshold(int bytes)
{
    bytes = std::clamp(bytes, 1, 255);
    if (bytes == m_receiveThreshold || !m_port.isOpen())
        return;
#ifdef Q_OS_LINUX
    // With VTIME 0 the tty reports readable only once VMIN bytes are queued, so a
    // paced stream wakes us once per chunk instead of once per byte. Reads stay
    // non-blocking and take whatever is there.
    termios tio{};
    if (tcgetattr(m_port.handle(), &tio) != 0)
        return;
    tio.c_cc[VMIN] = static_cast<cc_t>(bytes);
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(m_port.handle(), TCSANOW, &tio) == 0)
        m_receiveThreshold = bytes;
#endif
}

TSerialLowLatency::TFlags TTpaProComImpl::DriverFlags() const
{
#ifdef Q_OS_UNIX
    return TSerialLowLatency::OfDescriptor(m_port.isOpen() ? static_cast<int>(m_port.handle()) : -1);
#else
    return {};
#endif
}

QSocketNotifier* TTpaProComImpl::ReadNotifier() const
{
    // QSerialPort reads through a socket notifier of its own; pausing it keeps
    // the kernel from waking this thread for every byte of a paced answer.
    const auto notifiers = m_port.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly);
    for (QSocketNotifier* n : notifiers)
        if (n->type() == QSocketNotifier::Read)
            return n;
    return nullptr;
}

void TTpaProComImpl::PauseReception(int ms)
{
    QSocketNotifier* notifier = ms > 0 && m_port.isOpen() ? ReadNotifier() : nullptr;
    if (!notifier)
        return;
    notifier->setEnabled(false);
    m_receptionPause.start(ms);
}

void TTpaProComImpl::ResumeReception()
{
    m_receptionPause.stop();
    if (!m_port.isOpen())
        return;
    if (QSocketNotifier* notifier = ReadNotifier())
        notifier->setEnabled(true);
}

void TTpaProComImpl::DeliverPending()
{
    if (!m_port.isOpen() || !OnData)
        return;
    // The tty reports readable only at the threshold; look at every byte now.
    // Qt's own read path keeps its notifier and error handling consistent.
    const int threshold = m_receiveThreshold;
    SetReceiveThreshold(1);
    OnReadyRead();
    for (int round = 0; round < 4 && m_port.isOpen() && m_port.waitForReadyRead(0); ++round) {
    }
    if (!m_port.isOpen())
        return;
    if (m_port.error() == QSerialPort::TimeoutError)
        m_port.clearError();
    SetReceiveThreshold(threshold);
}

void TTpaProComImpl::OnReadyRead()
{
    if (!OnData)
        return;
    const QByteArray data = m_port.readAll();
    if (!data.isEmpty())
        OnData(this, data);
}

void TTpaProComImpl::OnError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    // A vanished device makes Qt repeat this error at full speed: close once and tell the owner.
    if (m_closingAfterLoss || !m_port.isOpen())
        return;
    m_closingAfterLoss = true;
    m_lowLatency.Forget();
    m_lowLatencyOn = false;
    m_port.close();
    m_port.clearError();
    m_closingAfterLoss = false;
    if (OnPortLost)
        OnPortLost(this);
}

#include "TpaProComImpl.h"
#include "WinComLine.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QMetaObject>
#include <QMutex>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include <windows.h>

// One overlapped COM handle. A reader thread keeps a read of one byte
// pending: it completes as soon as a byte arrives, then whatever else the
// driver holds is read at once. (A read that asks for more and relies on
// "return what is there" time-outs never completes under some drivers and
// emulators.) The thread only queues the bytes and posts their delivery to the
// UI thread, so OnData runs only there, while it processes events, as with
// QSerialPort elsewhere. Writes are overlapped and queued; a write waits only
// for the one before it.
namespace {
constexpr DWORD kDrainWaitMs = 50;
constexpr DWORD kWriteWaitMs = 5000;
constexpr int kHeartbeatMs = 50;
constexpr UINT kBytesQueued = WM_APP + 0x3B1;
} // namespace

struct TTpaProComImpl::TWinPort {
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED writeIo{};
    bool writing = false;
    QByteArray writingNow; // must live until its write completes
    std::thread reader;

    QMutex lock; // guards what the reader hands over
    QByteArray received;
    bool lost = false;
    std::atomic<bool> deliveryPosted{false};
    DWORD uiThread = ::GetCurrentThreadId();
    // Takes what the reader queued also should a posted delivery not wake the
    // event loop (seen under wine): a system timer does.
    QTimer heartbeat;

    TWinPort() { writeIo.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~TWinPort()
    {
        ::CloseHandle(stop);
        ::CloseHandle(writeIo.hEvent);
    }
    TWinPort(const TWinPort&) = delete;
    TWinPort& operator=(const TWinPort&) = delete;

    [[nodiscard]] bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }

    bool Modem(DWORD function) const { return IsOpen() && ::EscapeCommFunction(handle, function) != 0; }

    [[nodiscard]] DWORD ModemStatus() const
    {
        DWORD status = 0;
        if (!IsOpen() || !::GetCommModemStatus(handle, &status))
            return 0;
        return status;
    }
};

namespace {

// The reader wakes the UI thread with a message of its own, which this filter
// turns into deliveries: a waiting event loop did not always wake for Qt's
// posted events under wine.
class TWakeFilter : public QAbstractNativeEventFilter {
public:
    std::set<TTpaProComImpl*> channels;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override
    {
        Q_UNUSED(type);
        Q_UNUSED(result);
        if (static_cast<const MSG*>(message)->message != kBytesQueued)
            return false;
        const std::set<TTpaProComImpl*> now = channels;
        for (TTpaProComImpl* channel : now)
            if (channels.count(channel) != 0)
                channel->DeliverPending();
        return true;
    }
};

TWakeFilter* WakeFilter()
{
    static TWakeFilter* filter = [] {
        auto* f = new TWakeFilter;
        if (QCoreApplication* app = QCoreApplication::instance())
            app->installNativeEventFilter(f);
        return f;
    }();
    return filter;
}

QString SystemText(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD n =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    QString result = n > 0 ? QString::fromWCharArray(text, static_cast<qsizetype>(n)).trimmed()
                           : QStringLiteral("system error %1").arg(code);
    ::LocalFree(text);
    return result;
}

// Waits for an overlapped operation of this thread, or gives it up when the
// stop event comes first. False when it did not complete.
bool Await(HANDLE port, OVERLAPPED& io, HANDLE stop, DWORD ms, DWORD& got)
{
    const HANDLE waits[2] = {io.hEvent, stop};
    if (::WaitForMultipleObjects(2, waits, FALSE, ms) != WAIT_OBJECT_0)
        ::CancelIo(port);
    return ::GetOverlappedResult(port, &io, &got, TRUE) != 0;
}

// The reader thread: one byte, then what the driver holds, until the port
// ends or the stop event comes. Returns false when the line was lost.
template <typename Hand>
bool ReadUntilStopped(HANDLE port, HANDLE stop, Hand hand)
{
    OVERLAPPED io{};
    io.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool lost = false;
    while (::WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
        char first = 0;
        DWORD got = 0;
        ::ResetEvent(io.hEvent);
        if (!::ReadFile(port, &first, 1, nullptr, &io) && ::GetLastError() != ERROR_IO_PENDING) {
            lost = true;
            break;
        }
        if (!Await(port, io, stop, INFINITE, got)) {
            lost = ::GetLastError() != ERROR_OPERATION_ABORTED;
            break;
        }
        // Without time-outs a read of one byte ends only with its byte: an
        // empty one is the end of the line (a pseudo-terminal whose other side closed).
        if (got == 0) {
            lost = true;
            break;
        }
        QByteArray bytes(1, first);
        DWORD errors = 0;
        COMSTAT status{};
        if (::ClearCommError(port, &errors, &status) && status.cbInQue > 0) {
            QByteArray more(static_cast<qsizetype>(status.cbInQue), Qt::Uninitialized);
            DWORD moreGot = 0;
            ::ResetEvent(io.hEvent);
            // The bytes are there; should the driver hold the read back, what
            // it did not take comes with the next one.
            if (::ReadFile(port, more.data(), status.cbInQue, &moreGot, &io) ||
                (::GetLastError() == ERROR_IO_PENDING && Await(port, io, stop, kDrainWaitMs, moreGot)))
                bytes += more.left(moreGot);
        }
        hand(bytes);
    }
    ::CloseHandle(io.hEvent);
    return !lost;
}

} // namespace

TTpaProComImpl::TTpaProComImpl(QObject* parent) : QObject(parent), m_win(std::make_unique<TWinPort>())
{
    m_win->heartbeat.setTimerType(Qt::CoarseTimer);
    m_win->heartbeat.setInterval(kHeartbeatMs);
    connect(&m_win->heartbeat, &QTimer::timeout, this, &TTpaProComImpl::DeliverPending);
    WakeFilter()->channels.insert(this);
}

TTpaProComImpl::~TTpaProComImpl()
{
    OnData = nullptr;
    CloseHandle();
    WakeFilter()->channels.erase(this);
}

bool TTpaProComImpl::IsOpen() const { return m_win->IsOpen(); }

bool TTpaProComImpl::Dcd() const { return (m_win->ModemStatus() & MS_RLSD_ON) != 0; }
bool TTpaProComImpl::Cts() const { return (m_win->ModemStatus() & MS_CTS_ON) != 0; }
bool TTpaProComImpl::Dsr() const { return (m_win->ModemStatus() & MS_DSR_ON) != 0; }

bool TTpaProComImpl::ApplyLineSettings() { return wincom::SetRawLine(m_win->handle, m_baud); }

bool TTpaProComImpl::OpenHandle(const QString& path)
{
    const HANDLE handle =
        ::CreateFileW(reinterpret_cast<const wchar_t*>(wincom::DeviceName(path).utf16()), GENERIC_READ | GENERIC_WRITE,
                      0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            m_lastFailure = OpenFailure::NotFound;
            break;
        // A COM port another program holds answers "access denied".
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            m_lastFailure = OpenFailure::Busy;
            break;
        default:
            m_lastFailure = OpenFailure::Other;
            break;
        }
        m_lastErrorText = SystemText(code);
        return false;
    }
    if (::GetFileType(handle) != FILE_TYPE_CHAR) {
        ::CloseHandle(handle);
        m_lastFailure = OpenFailure::NotASerialPort;
        m_lastErrorText = QStringLiteral("not a serial device");
        return false;
    }
    m_win->handle = handle;
    // Queue sizes of the classic channel; no time-outs: the one-byte read waits for its byte.
    ::SetupComm(handle, 10000, 100000);
    COMMTIMEOUTS timeouts{};
    if (!ApplyLineSettings() || !::SetCommTimeouts(handle, &timeouts)) {
        m_lastFailure = OpenFailure::Other;
        m_lastErrorText = QStringLiteral("line settings refused: %1").arg(SystemText(::GetLastError()));
        ::CloseHandle(handle);
        m_win->handle = INVALID_HANDLE_VALUE;
        return false;
    }
    return true;
}

void TTpaProComImpl::CloseHandle()
{
    TWinPort& w = *m_win;
    if (!w.IsOpen())
        return;
    w.heartbeat.stop();
    ::SetEvent(w.stop);
    if (w.reader.joinable())
        w.reader.join();
    if (w.writing) {
        DWORD ignored = 0;
        Await(w.handle, w.writeIo, w.stop, 0, ignored);
    }
    w.writing = false;
    ::CloseHandle(w.handle);
    w.handle = INVALID_HANDLE_VALUE;
    w.writingNow.clear();
    const QMutexLocker locker(&w.lock);
    w.received.clear();
    w.lost = false;
}

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
    if (IsOpen()) {
        if (!ApplyLineSettings())
            result = false;
    }
    else {
        m_lastFailure = OpenFailure::None;
        m_lastErrorText.clear();
        m_modemLinesSupported = true;
        if (OpenHandle(m_portMap.DevicePath(com)))
            StartRead();
    }
    SetDtr(false);
    SetRts(false);
    if (!IsOpen())
        return false;
    FlushIn();
    FlushOut();
    return result;
}

bool TTpaProComImpl::Close()
{
    CloseHandle();
    return !IsOpen();
}

void TTpaProComImpl::SetDtr(bool on)
{
    if (IsOpen())
        m_modemLinesSupported = m_win->Modem(on ? SETDTR : CLRDTR) && m_modemLinesSupported;
}

void TTpaProComImpl::SetRts(bool on)
{
    if (IsOpen())
        m_modemLinesSupported = m_win->Modem(on ? SETRTS : CLRRTS) && m_modemLinesSupported;
}

void TTpaProComImpl::FlushIn()
{
    if (!IsOpen())
        return;
    // The reader's pending read stays; what waits in the driver and in the queue goes.
    ::PurgeComm(m_win->handle, PURGE_RXCLEAR);
    const QMutexLocker locker(&m_win->lock);
    m_win->received.clear();
}

void TTpaProComImpl::FlushOut()
{
    if (!IsOpen())
        return;
    ::PurgeComm(m_win->handle, PURGE_TXABORT | PURGE_TXCLEAR);
    WriteDone();
}

void TTpaProComImpl::SetHardwareFlow(bool on)
{
    if (!IsOpen())
        return;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(m_win->handle, &dcb))
        return;
    dcb.fOutxCtsFlow = on ? TRUE : FALSE;
    dcb.fOutxDsrFlow = FALSE;
    ::SetCommState(m_win->handle, &dcb);
}

int TTpaProComImpl::Write(const QByteArray& block)
{
    if (!IsOpen())
        return 0;
    // One write at a time: the one before has mostly left by now.
    WriteDone();
    m_win->writingNow = block;
    StartWrite();
    return m_win->writing ? static_cast<int>(block.size()) : 0;
}

void TTpaProComImpl::StartWrite()
{
    TWinPort& w = *m_win;
    ::ResetEvent(w.writeIo.hEvent);
    if (!::WriteFile(w.handle, w.writingNow.constData(), static_cast<DWORD>(w.writingNow.size()), nullptr,
                     &w.writeIo) &&
        ::GetLastError() != ERROR_IO_PENDING) {
        w.writingNow.clear();
        return;
    }
    w.writing = true;
}

void TTpaProComImpl::WriteDone()
{
    TWinPort& w = *m_win;
    if (!w.writing)
        return;
    DWORD written = 0;
    if (::WaitForSingleObject(w.writeIo.hEvent, kWriteWaitMs) != WAIT_OBJECT_0)
        ::CancelIo(w.handle);
    ::GetOverlappedResult(w.handle, &w.writeIo, &written, TRUE);
    w.writing = false;
    w.writingNow.clear();
    if (OnOutSent)
        OnOutSent(this);
}

void TTpaProComImpl::StartRead()
{
    TWinPort& w = *m_win;
    ::ResetEvent(w.stop);
    w.deliveryPosted = false;
    const HANDLE port = w.handle;
    w.heartbeat.start();
    w.reader = std::thread([this, port] {
        TWinPort& p = *m_win;
        auto post = [this, &p] {
            if (!p.deliveryPosted.exchange(true)) {
                QMetaObject::invokeMethod(
                    this, [this] { ReadDone(); }, Qt::QueuedConnection);
                ::PostThreadMessageW(p.uiThread, kBytesQueued, 0, 0);
            }
        };
        const bool ended = ReadUntilStopped(port, p.stop, [&](const QByteArray& bytes) {
            {
                const QMutexLocker locker(&p.lock);
                p.received += bytes;
            }
            post();
        });
        if (!ended) {
            {
                const QMutexLocker locker(&p.lock);
                p.lost = true;
            }
            post();
        }
    });
}

void TTpaProComImpl::ReadDone()
{
    TWinPort& w = *m_win;
    w.deliveryPosted = false;
    QByteArray data;
    bool lost = false;
    {
        const QMutexLocker locker(&w.lock);
        if (OnData)
            data = std::exchange(w.received, {});
        lost = w.lost;
    }
    if (!data.isEmpty())
        OnData(this, data);
    if (lost)
        LosePort();
}

void TTpaProComImpl::LosePort()
{
    // An adapter pulled out: close once and tell the owner.
    if (m_closingAfterLoss || !IsOpen())
        return;
    m_closingAfterLoss = true;
    CloseHandle();
    m_closingAfterLoss = false;
    if (OnPortLost)
        OnPortLost(this);
}

void TTpaProComImpl::SetReceiveThreshold(int bytes) { m_receiveThreshold = std::clamp(bytes, 1, 255); }

void TTpaProComImpl::PauseReception(int ms) { Q_UNUSED(ms); }

void TTpaProComImpl::ResumeReception() {}

void TTpaProComImpl::DeliverPending()
{
    if (IsOpen() && OnData)
        ReadDone();
}

#include "TpaProComImpl.h"

#include <QWinEventNotifier>

#include <algorithm>

#include <windows.h>

// One overlapped COM handle. Reception keeps a read of one byte pending: it
// completes as soon as a byte arrives, then whatever else the driver holds is
// read at once. (A read that asks for more and relies on "return what is
// there" timeouts never completes under some drivers and emulators.) The
// read's event is watched by the UI thread's event loop, so OnData runs only
// there, as with QSerialPort elsewhere.
struct TTpaProComImpl::TWinPort {
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED readIo{};
    OVERLAPPED drainIo{};
    OVERLAPPED writeIo{};
    bool reading = false;
    bool writing = false;
    char firstByte = 0;
    QByteArray writingNow; // must live until its write completes
    QByteArray writeQueue;
    QByteArray received; // read while no OnData was installed
    QWinEventNotifier readNotifier;
    QWinEventNotifier writeNotifier;

    TWinPort()
    {
        readIo.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        drainIo.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        writeIo.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        readNotifier.setHandle(readIo.hEvent);
        writeNotifier.setHandle(writeIo.hEvent);
    }
    ~TWinPort()
    {
        readNotifier.setEnabled(false);
        writeNotifier.setEnabled(false);
        for (HANDLE event : {readIo.hEvent, drainIo.hEvent, writeIo.hEvent})
            ::CloseHandle(event);
    }
    TWinPort(const TWinPort&) = delete;
    TWinPort& operator=(const TWinPort&) = delete;

    [[nodiscard]] bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }

    // Everything the driver holds now; the read cannot wait, the bytes are there.
    QByteArray Drain()
    {
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(handle, &errors, &status) || status.cbInQue == 0)
            return {};
        QByteArray bytes(static_cast<qsizetype>(status.cbInQue), Qt::Uninitialized);
        DWORD got = 0;
        ::ResetEvent(drainIo.hEvent);
        if (!::ReadFile(handle, bytes.data(), status.cbInQue, &got, &drainIo)) {
            if (::GetLastError() != ERROR_IO_PENDING || !::GetOverlappedResult(handle, &drainIo, &got, TRUE))
                got = 0;
        }
        bytes.truncate(got);
        return bytes;
    }

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

// "COM3" -> "\\.\COM3" (needed from COM10 on); a name that already is a device path stays.
QString DeviceName(const QString& path)
{
    if (path.startsWith(QLatin1String("\\\\")))
        return path;
    return QStringLiteral("\\\\.\\") + path;
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

} // namespace

TTpaProComImpl::TTpaProComImpl(QObject* parent) : QObject(parent), m_win(std::make_unique<TWinPort>())
{
    m_win->readNotifier.setEnabled(false);
    m_win->writeNotifier.setEnabled(false);
    connect(&m_win->readNotifier, &QWinEventNotifier::activated, this, &TTpaProComImpl::ReadDone);
    connect(&m_win->writeNotifier, &QWinEventNotifier::activated, this, &TTpaProComImpl::WriteDone);
}

TTpaProComImpl::~TTpaProComImpl()
{
    OnData = nullptr;
    CloseHandle();
}

bool TTpaProComImpl::IsOpen() const { return m_win->IsOpen(); }

bool TTpaProComImpl::Dcd() const { return (m_win->ModemStatus() & MS_RLSD_ON) != 0; }
bool TTpaProComImpl::Cts() const { return (m_win->ModemStatus() & MS_CTS_ON) != 0; }
bool TTpaProComImpl::Dsr() const { return (m_win->ModemStatus() & MS_DSR_ON) != 0; }

bool TTpaProComImpl::ApplyLineSettings()
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(m_win->handle, &dcb))
        return false;
    dcb.BaudRate = static_cast<DWORD>(m_baud);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    // The lines are the program's own (SetDtr, SetRts), never the driver's.
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fOutxCtsFlow = FALSE;
    return ::SetCommState(m_win->handle, &dcb) != 0;
}

bool TTpaProComImpl::OpenHandle(const QString& path)
{
    const HANDLE handle =
        ::CreateFileW(reinterpret_cast<const wchar_t*>(DeviceName(path).utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                      nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
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
    // The kernel writes into the buffers of pending reads and writes: end them first.
    ::CancelIo(w.handle);
    DWORD ignored = 0;
    if (w.reading)
        ::GetOverlappedResult(w.handle, &w.readIo, &ignored, TRUE);
    if (w.writing)
        ::GetOverlappedResult(w.handle, &w.writeIo, &ignored, TRUE);
    w.reading = w.writing = false;
    w.readNotifier.setEnabled(false);
    w.writeNotifier.setEnabled(false);
    ::ResetEvent(w.readIo.hEvent);
    ::ResetEvent(w.writeIo.hEvent);
    ::CloseHandle(w.handle);
    w.handle = INVALID_HANDLE_VALUE;
    w.writingNow.clear();
    w.writeQueue.clear();
    w.received.clear();
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
    // The pending one-byte read stays; only what waits in the driver goes.
    ::PurgeComm(m_win->handle, PURGE_RXCLEAR);
    m_win->received.clear();
}

void TTpaProComImpl::FlushOut()
{
    if (!IsOpen())
        return;
    m_win->writeQueue.clear();
    ::PurgeComm(m_win->handle, PURGE_TXABORT | PURGE_TXCLEAR);
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
    m_win->writeQueue += block;
    if (!m_win->writing)
        StartWrite();
    return IsOpen() ? static_cast<int>(block.size()) : 0;
}

void TTpaProComImpl::StartWrite()
{
    TWinPort& w = *m_win;
    if (w.writing || w.writeQueue.isEmpty() || !w.IsOpen())
        return;
    w.writingNow = std::exchange(w.writeQueue, {});
    ::ResetEvent(w.writeIo.hEvent);
    if (!::WriteFile(w.handle, w.writingNow.constData(), static_cast<DWORD>(w.writingNow.size()), nullptr,
                     &w.writeIo) &&
        ::GetLastError() != ERROR_IO_PENDING) {
        w.writingNow.clear();
        return;
    }
    // Done at once or later: the event says so either way.
    w.writing = true;
    w.writeNotifier.setEnabled(true);
}

void TTpaProComImpl::WriteDone()
{
    TWinPort& w = *m_win;
    if (!w.writing)
        return;
    DWORD written = 0;
    if (!::GetOverlappedResult(w.handle, &w.writeIo, &written, FALSE) && ::GetLastError() == ERROR_IO_INCOMPLETE)
        return;
    w.writing = false;
    w.writeNotifier.setEnabled(false);
    w.writingNow.clear();
    if (!w.writeQueue.isEmpty())
        StartWrite();
    else if (OnOutSent)
        OnOutSent(this);
}

void TTpaProComImpl::StartRead()
{
    TWinPort& w = *m_win;
    if (w.reading || !w.IsOpen())
        return;
    ::ResetEvent(w.readIo.hEvent);
    if (!::ReadFile(w.handle, &w.firstByte, 1, nullptr, &w.readIo) && ::GetLastError() != ERROR_IO_PENDING) {
        LosePort();
        return;
    }
    w.reading = true;
    w.readNotifier.setEnabled(true);
}

void TTpaProComImpl::ReadDone()
{
    TWinPort& w = *m_win;
    if (!w.reading)
        return;
    DWORD got = 0;
    if (!::GetOverlappedResult(w.handle, &w.readIo, &got, FALSE)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_IO_INCOMPLETE)
            return;
        w.reading = false;
        if (code != ERROR_OPERATION_ABORTED)
            LosePort();
        return;
    }
    w.reading = false;
    w.readNotifier.setEnabled(false);
    // Without time-outs a read of one byte ends only with its byte: an empty
    // one is the end of the line (a pseudo-terminal whose other side closed).
    if (got == 0) {
        LosePort();
        return;
    }
    w.received += w.firstByte;
    w.received += w.Drain();
    StartRead();
    if (!OnData || w.received.isEmpty())
        return;
    const QByteArray data = std::exchange(w.received, {});
    OnData(this, data);
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
    if (!IsOpen() || !OnData)
        return;
    if (m_win->reading && ::WaitForSingleObject(m_win->readIo.hEvent, 0) == WAIT_OBJECT_0) {
        ReadDone();
        return;
    }
    if (!m_win->received.isEmpty()) {
        const QByteArray data = std::exchange(m_win->received, {});
        OnData(this, data);
    }
}

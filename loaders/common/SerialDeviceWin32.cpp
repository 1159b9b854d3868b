#include "SerialDevice.h"
#include "WinComLine.h"

#include <QString>

#include <algorithm>
#include <windows.h>

namespace tbload {

namespace {

HANDLE Handle(void* h) { return static_cast<HANDLE>(h); }

DWORD MillisecondsUntil(SerialDevice::Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SerialDevice::Clock::now()).count();
    return static_cast<DWORD>(std::clamp<long long>(left, 0, 60000));
}

std::wstring DeviceName(const std::string& path)
{
    return wincom::DeviceName(QString::fromLocal8Bit(path.c_str())).toStdWString();
}

} // namespace

SerialDevice::SerialDevice() = default;

SerialDevice::~SerialDevice() { Close(); }

// Windows keeps a port to one program by itself: no lock files.
std::string SerialDevice::LockFilePath(const std::string& devicePath)
{
    (void)devicePath;
    return {};
}

SerialDevice::OpenError SerialDevice::Open(const std::string& path, int baud)
{
    Close();
    if (path.empty())
        return OpenError::Missing;
    const HANDLE h = ::CreateFileW(DeviceName(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        switch (::GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return OpenError::Missing;
        case ERROR_ACCESS_DENIED: // another program holds the port
        case ERROR_SHARING_VIOLATION:
            return OpenError::InUse;
        default:
            return OpenError::Denied;
        }
    }
    if (::GetFileType(h) != FILE_TYPE_CHAR) {
        ::CloseHandle(h);
        return OpenError::NotATerminal;
    }
    // No time-outs: a read waits for its bytes, the wait is ours (ReadSome).
    COMMTIMEOUTS timeouts{};
    if (!wincom::SetRawLine(h, baud) || !::SetCommTimeouts(h, &timeouts)) {
        ::CloseHandle(h);
        return OpenError::Settings;
    }
    m_handle = h;
    m_wake = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_io = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_lost = false;
    SetDtr(false);
    SetRts(false);
    Flush();
    return OpenError::None;
}

void SerialDevice::Close()
{
    if (m_handle) {
        ::CloseHandle(Handle(m_handle));
        m_handle = nullptr;
    }
    for (void** event : {&m_wake, &m_io}) {
        if (*event)
            ::CloseHandle(Handle(*event));
        *event = nullptr;
    }
}

bool SerialDevice::SetDtr(bool on) { return m_handle && ::EscapeCommFunction(Handle(m_handle), on ? SETDTR : CLRDTR); }

bool SerialDevice::SetRts(bool on) { return m_handle && ::EscapeCommFunction(Handle(m_handle), on ? SETRTS : CLRRTS); }

void SerialDevice::Flush()
{
    if (m_handle)
        ::PurgeComm(Handle(m_handle), PURGE_RXCLEAR | PURGE_TXCLEAR);
}

void SerialDevice::Interrupt()
{
    if (m_wake)
        ::SetEvent(Handle(m_wake));
}

bool SerialDevice::Interrupted() const { return m_wake && ::WaitForSingleObject(Handle(m_wake), 0) == WAIT_OBJECT_0; }

bool SerialDevice::WriteAll(const uint8_t* data, size_t size, Clock::time_point deadline)
{
    if (!m_handle || m_lost || Interrupted())
        return false;
    if (size == 0)
        return true;
    OVERLAPPED io{};
    io.hEvent = Handle(m_io);
    ::ResetEvent(io.hEvent);
    DWORD written = 0;
    if (!::WriteFile(Handle(m_handle), data, static_cast<DWORD>(size), &written, &io)) {
        if (::GetLastError() != ERROR_IO_PENDING) {
            m_lost = true;
            return false;
        }
        const HANDLE waits[2] = {io.hEvent, Handle(m_wake)};
        if (::WaitForMultipleObjects(2, waits, FALSE, MillisecondsUntil(deadline)) != WAIT_OBJECT_0)
            ::CancelIo(Handle(m_handle));
        if (!::GetOverlappedResult(Handle(m_handle), &io, &written, TRUE)) {
            if (::GetLastError() != ERROR_OPERATION_ABORTED)
                m_lost = true;
            return false;
        }
    }
    return written == size;
}

int SerialDevice::ReadSome(uint8_t* buffer, size_t size, Clock::time_point deadline)
{
    if (!m_handle || m_lost || Interrupted())
        return -1;
    if (size == 0)
        return 0;
    const HANDLE h = Handle(m_handle);
    OVERLAPPED io{};
    io.hEvent = Handle(m_io);
    // What the driver holds comes at once; otherwise a read of one byte waits
    // for the first (asking for more would wait for all of them).
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(h, &errors, &status)) {
        m_lost = true;
        return -1;
    }
    const DWORD want = status.cbInQue > 0 ? std::min<DWORD>(status.cbInQue, static_cast<DWORD>(size)) : 1;
    ::ResetEvent(io.hEvent);
    DWORD got = 0;
    if (!::ReadFile(h, buffer, want, &got, &io)) {
        if (::GetLastError() != ERROR_IO_PENDING) {
            m_lost = true;
            return -1;
        }
        const HANDLE waits[2] = {io.hEvent, Handle(m_wake)};
        const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, MillisecondsUntil(deadline));
        if (woke != WAIT_OBJECT_0)
            ::CancelIo(h);
        // A byte that came while the read was being cancelled is still ours.
        if (!::GetOverlappedResult(h, &io, &got, TRUE) && ::GetLastError() != ERROR_OPERATION_ABORTED) {
            m_lost = true;
            return -1;
        }
        if (got == 0 && woke == WAIT_OBJECT_0)
            m_lost = true; // a read without time-outs ends empty only when the line ended
        if (got == 0)
            return woke == WAIT_OBJECT_0 + 1 || m_lost ? -1 : 0;
    }
    else if (got == 0) {
        m_lost = true;
        return -1;
    }
    if (got == 1 && want == 1 && size > 1 && ::ClearCommError(h, &errors, &status) && status.cbInQue > 0) {
        DWORD more = 0;
        const DWORD rest = std::min<DWORD>(status.cbInQue, static_cast<DWORD>(size - 1));
        ::ResetEvent(io.hEvent);
        if (::ReadFile(h, buffer + 1, rest, &more, &io) ||
            (::GetLastError() == ERROR_IO_PENDING && ::GetOverlappedResult(h, &io, &more, TRUE)))
            got += more;
    }
    return static_cast<int>(got);
}

} // namespace tbload

#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#ifndef _WIN32
#include <termios.h>
#endif

class QLockFile;
class TSerialLowLatency;

namespace tbload {

// A serial device held exclusively: the same lock file that QSerialPort takes
// (so a port open in the program and a download keep each other out, also as
// root), TIOCEXCL, raw 8N1 at one rate, no flow control, a USB adapter's
// driver asked for low latency as the program's link asks it. Non-blocking
// descriptor; reads and writes wait with poll() up to a deadline and can be
// woken through Interrupt() from another thread. On Windows (SerialDeviceWin32.cpp)
// an overlapped "\\.\COMn" handle opened without sharing, waits on its events.
class SerialDevice {
public:
    enum class OpenError { None, Missing, NotATerminal, InUse, Denied, Settings };
    using Clock = std::chrono::steady_clock;

    SerialDevice();
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    OpenError Open(const std::string& path, int baud);
    void Close();
#ifdef _WIN32
    [[nodiscard]] bool IsOpen() const { return m_handle != nullptr; }
#else
    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    [[nodiscard]] int Descriptor() const { return m_fd; }
#endif
    [[nodiscard]] static constexpr const char* Describe(OpenError error)
    {
        switch (error) {
        case OpenError::None:
            return "open";
        case OpenError::Missing:
            return "no such device";
        case OpenError::NotATerminal:
            return "not a serial device";
        case OpenError::InUse:
            return "in use by another program";
        case OpenError::Denied:
            return "access denied";
        case OpenError::Settings:
            return "line settings refused";
        }
        return "unknown error";
    }

    // Modem lines; false where the device has none (a pseudo-terminal), which
    // is not an error of the port.
    bool SetDtr(bool on);
    bool SetRts(bool on);
    // Throws away whatever waits in both directions.
    void Flush();

    // Writes everything before the deadline; false if the line is lost, the
    // deadline passes or Interrupt() was called.
    bool WriteAll(const uint8_t* data, size_t size, Clock::time_point deadline);
    // Reads what is there, waiting for at least one byte up to the deadline:
    // > 0 bytes read, 0 at the deadline, -1 when the line is lost or interrupted.
    int ReadSome(uint8_t* buffer, size_t size, Clock::time_point deadline);

    // Wakes a wait of ReadSome/WriteAll from any thread; the device stays
    // interrupted (every wait returns at once) until Open() again.
    void Interrupt();
    [[nodiscard]] bool Interrupted() const;
    [[nodiscard]] bool Lost() const { return m_lost; }

    // The lock file QSerialPort uses for this device path.
    [[nodiscard]] static std::string LockFilePath(const std::string& devicePath);

private:
#ifdef _WIN32
    void* m_handle = nullptr; // the port's HANDLE
    void* m_wake = nullptr;   // manual-reset event of Interrupt()
    void* m_io = nullptr;     // event of the read or write under way
    bool m_lost = false;
#else
    bool WaitFor(short events, Clock::time_point deadline);

    int m_fd = -1;
    int m_wake = -1; // eventfd
    bool m_lost = false;
    termios m_saved{};              // the settings found on Open, given back on Close
    bool m_lowLatencyWanted = true; // LowLatencySetting
    std::unique_ptr<TSerialLowLatency> m_lowLatency;
    std::unique_ptr<QLockFile> m_lock;
#endif
};

} // namespace tbload

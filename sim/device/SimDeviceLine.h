#pragma once

// The device thread's line, apart from the device's start, stop and state.
#include "SimDevice.h"

#include "FrameParser.h"
#include "UsbAdapter.h"

#include <QByteArray>
#include <chrono>
#include <optional>
#include <vector>

namespace tbsim {

using Clock = std::chrono::steady_clock;
using Nanos = std::chrono::nanoseconds;

// The device thread's line: reads the client's bytes, echoes them, hands frames
// to the logic and sends the answers on time.
class SimDevice::Line {
public:
    explicit Line(SimDevice& device) : m_device(device), m_options(device.m_options)
    {
        if (m_options.usbLatencyMs > 0)
            m_usb.emplace(std::chrono::milliseconds(m_options.usbLatencyMs), m_options.usbPacketBytes);
    }
    void run();

private:
    struct Chunk {
        QByteArray bytes;
        Clock::time_point start; // paced: the first byte starts here; else the chunk goes out then
        Nanos byteTime{0};       // 0 = not paced
        int sent = 0;
        bool answer = false; // echo otherwise
        bool hangup = false; // stop half way and drop the line
        bool logged = false;
        bool duplicate = false; // an answer sent again
        [[nodiscard]] Clock::time_point end() const { return start + byteTime * bytes.size(); }
        [[nodiscard]] Clock::time_point nextDue() const
        {
            return byteTime.count() ? start + byteTime * (sent + 1) : start;
        }
        [[nodiscard]] int limit() const { return hangup ? int(bytes.size()) / 2 : int(bytes.size()); }
    };

    void queue(Chunk chunk, Clock::time_point& tail);
    bool sendDue(Clock::time_point now);
    void passOn(Chunk& c, int count);
    void writeUsbOut(const QByteArray& bytes);
    void receive(const QByteArray& bytes, Clock::time_point now);
    void dispatch(std::vector<ParserEvent>& events, Clock::time_point end);
    void handleFrame(const Frame& frame, Clock::time_point end);
    [[nodiscard]] std::optional<Clock::time_point> nextWake() const;
    void hangUp(const Chunk& chunk);
    void log(const QString& line) { m_device.addLog({line}); }

    SimDevice& m_device;
    const SimOptions& m_options;
    FrameParser m_parser;
    std::vector<Chunk> m_chunks;
    Clock::time_point m_rxTail; // when the client's last byte is through the line
    Clock::time_point m_txTail; // when the device's last answer byte is through
    Clock::time_point m_lastRx;
    Clock::time_point m_backoffUntil;
    bool m_writeBlocked = false;
    std::optional<UsbAdapter> m_usb;
    QByteArray m_usbOut; // released by the adapter, not yet taken by the pseudo-terminal
};

} // namespace tbsim

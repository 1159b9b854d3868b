#pragma once

#include <QByteArray>
#include <chrono>
#include <deque>
#include <optional>

namespace tbsim {

// A USB serial adapter between the device and the program: it holds the bytes
// the device sends until a USB packet is full or its latency timer, started by
// the first byte it holds, runs out; then the program gets them at once.
class UsbAdapter {
public:
    using Clock = std::chrono::steady_clock;

    UsbAdapter(std::chrono::milliseconds latency, int packetBytes);

    // A byte the device sent, in the adapter at `at` (its stop bit is through).
    void take(char byte, Clock::time_point at);
    // What goes to the program by now: every full packet, and the rest once its timer ran out.
    [[nodiscard]] QByteArray release(Clock::time_point now);
    [[nodiscard]] QByteArray releaseAll();
    // When release() next has something to give; nothing while the adapter is empty.
    [[nodiscard]] std::optional<Clock::time_point> nextRelease() const;

private:
    struct Held {
        char byte;
        Clock::time_point at;
    };
    QByteArray take(std::size_t count);

    std::chrono::milliseconds m_latency;
    std::size_t m_packet;
    std::deque<Held> m_held;
};

} // namespace tbsim

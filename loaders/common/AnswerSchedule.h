#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

namespace tbload {

// Time the line takes for `bytes` at `baud` (10 bits a byte), whole ms up.
[[nodiscard]] int LineTimeMs(int baud, size_t bytes);

// When the answer to each frame of a stream is due: once the frame's bytes
// are through the line, the target is through with it and with every frame
// before it, and the answer is back, plus a margin. An answer shows when the
// target was through with what it answers, so the frames still in flight are
// dated anew from it: an erase quicker than allowed for brings them forward.
class AnswerSchedule {
public:
    using Clock = std::chrono::steady_clock;
    // Room for turnaround and scheduling on top of the line time.
    static constexpr int kMarginMs = 250;
    static constexpr size_t kAnswerBytes = 16;

    AnswerSchedule(int baud, size_t frames) : m_baud(baud), m_lineEnd(frames), m_busyMs(frames), m_due(frames) {}

    // Frame `index` of `bytes` went out at `now`; the target needs busyMs for it.
    void Sent(size_t index, size_t bytes, int busyMs, Clock::time_point now);
    // At `now` the target had answered every frame before `upTo`; those from
    // upTo to inFlightEnd are dated anew.
    void Answered(size_t upTo, size_t inFlightEnd, Clock::time_point now);
    [[nodiscard]] Clock::time_point Due(size_t index) const { return m_due[index]; }
    // When the last byte of the frame's last transmission is through the line.
    [[nodiscard]] Clock::time_point LineEnd(size_t index) const { return m_lineEnd[index]; }

private:
    [[nodiscard]] Clock::duration Ms(int ms) const { return std::chrono::milliseconds(ms); }

    int m_baud;
    Clock::time_point m_lineFree;   // the bytes sent so far are through the line
    Clock::time_point m_targetFree; // the target is through with the frames sent so far
    std::vector<Clock::time_point> m_lineEnd;
    std::vector<int> m_busyMs;
    std::vector<Clock::time_point> m_due;
};

} // namespace tbload

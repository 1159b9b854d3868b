#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tbload {

// Which frames of a stream go out next and what an answer or a silence
// means, without the line or the clock. Up to kWindow frames are in flight;
// the target answers them in order, and an answer acknowledges every frame
// before it too. After a loss the first unanswered frame (the base) goes
// alone until the target takes it, kTries transmissions in all, so a target
// that fell silent is given up within the tries of one frame.
class StreamWindow {
public:
    static constexpr int kTries = 3;
    static constexpr size_t kWindow = 8;
    enum class Verdict { Go, GiveUp, Refused };

    explicit StreamWindow(size_t count) : m_count(count) {}

    // The frame to send now, while the window has room.
    [[nodiscard]] std::optional<size_t> NextToSend() const;
    // That frame went out; true when it had gone out before (a resend).
    bool Sent();
    // Whether an answer naming this frame belongs to the frames sent.
    [[nodiscard]] bool Expects(size_t index) const { return index >= m_base && index < m_sentEnd; }
    // The target took every frame up to this one.
    void Acknowledged(size_t index) { Accept(index + 1); }
    // The target awaits this frame: the frames before it are in. A damaged
    // frame or a gap means sending again from it, any other reason refuses.
    // early: the report came before the last transmission of the frame can
    // have reached the target; naming a base that was sent again, it is about
    // the transmission before and changes nothing.
    Verdict Refusal(size_t index, uint8_t reason, bool early = false);
    // No answer in time: from the base again, if it has tries left.
    Verdict Silence();

    [[nodiscard]] size_t Base() const { return m_base; }
    [[nodiscard]] size_t InFlightEnd() const { return m_next; }
    [[nodiscard]] bool Done() const { return m_base == m_count; }

private:
    void Accept(size_t upTo);

    size_t m_count;
    size_t m_base = 0;    // the first frame not answered
    size_t m_next = 0;    // the next frame to send
    size_t m_sentEnd = 0; // every frame before it went out at least once
    int m_tries = 0;      // transmissions of the frame at base
    size_t m_window = kWindow;
};

} // namespace tbload

#pragma once

#include <QByteArrayView>
#include <array>
#include <cstdint>

// Tells the answer to the request just sent from bytes of an earlier exchange
// (a copy, or an answer a copy pushed on), by when they came. Times are
// ReadCounter() nanoseconds; a byte is in when its stop bit is. One-wire mode
// dates from the same moment: the echo ends when the request has crossed.
class TAnswerDating {
public:
    // Another device, perhaps: forget its turnaround.
    void Forget();
    // A request of txLen bytes is about to be written at this rate; the line
    // quiet for quietNs before it means nothing earlier can answer it. An
    // echoed request comes back before anything that answers it.
    void RequestSent(std::int64_t now, int txLen, std::int32_t baud, std::int64_t quietNs, bool echoed);
    void Received(std::int64_t now) { m_lastReceived = now; }
    // How long an adapter between the line and the program holds bytes back,
    // as far as the echoes show (the least seen: a busy program reads late);
    // 0 when that is too little to be one.
    [[nodiscard]] std::int64_t Hold() const;
    // When the last byte of an echo that was complete at `in` crossed the line:
    // the request's line time after the send (or sooner, as it came).
    [[nodiscard]] std::int64_t EchoCrossed(std::int64_t in) const;
    // The echo is in by now with `after` bytes behind it: a far end that
    // echoes sooner than the line's time (a simulator) moves the earliest
    // answer time with it; one that hands it on later holds bytes back.
    void EchoIn(std::int64_t now, int after);
    // The earliest moment the answer's first byte can be in.
    [[nodiscard]] std::int64_t EarliestAnswer() const { return m_earliestAnswer; }
    // A look at the line this late cannot date what it finds.
    [[nodiscard]] bool LookIsLate(std::int64_t lookedAt) const;
    // How many leading bytes of a delivery belong to stale frames; a stale
    // frame is dropped whole, its length byte says how long it is.
    [[nodiscard]] qsizetype StaleLead(QByteArrayView data, std::int64_t now);
    // The answer's first bytes are in by now: false when they began too soon
    // to be this request's answer. A late look found them waiting: a frame
    // still coming then has a time, a whole one has none (the quiet line
    // after it decides).
    [[nodiscard]] bool Datable(QByteArrayView first, std::int64_t now, bool lateLook);
    // The answer is complete at `now`; had a copy been taken for it, the
    // device's own answer would be in before this moment.
    [[nodiscard]] std::int64_t QuietUntil(std::int64_t now) const;
    // The answer was the request's own: its turnaround teaches how soon the
    // device answers.
    void Confirmed();
    // The line time of bytes at this rate (10 bits a byte), less what a device
    // whose clock runs fast may save; 0 when the rate is unknown.
    [[nodiscard]] static std::int64_t ShortestLineNs(int bytes, std::int32_t baud);
    // Turnarounds kept to learn from.
    static constexpr int kSamples = 8;

private:
    [[nodiscard]] bool BeganBeforeEarliestAnswer(std::int64_t now, int count) const;
    // Much sooner than this device answers a quiet line: not this request's answer.
    [[nodiscard]] bool TooSoon(std::int64_t turnaround) const;
    // Sooner than half of this is no answer of this device's.
    [[nodiscard]] std::int64_t ShortTurnaround() const;
    [[nodiscard]] std::int64_t TypicalTurnaround() const;
    // After the earliest moment, the device's own answer begins within this.
    [[nodiscard]] std::int64_t OwnAnswerWithin() const;
    // The answer being judged came sooner than the device has answered lately.
    [[nodiscard]] bool SoonerThanLately() const;
    // The device's think time in a turnaround that holds an adapter's hold.
    [[nodiscard]] std::int64_t Think(std::int64_t turnaround) const;
    // The turnarounds learned lie within a factor of two.
    [[nodiscard]] bool SamplesAgree() const;
    [[nodiscard]] std::array<std::int64_t, kSamples> SortedSamples() const;

    std::int32_t m_baud = 0;
    std::int64_t m_earliestAnswer = 0;
    std::int64_t m_sent = 0;
    int m_txLen = 0;
    std::int64_t m_lastReceived = 0;
    bool m_trusted = false;
    bool m_echoed = false;
    // Turnarounds of answers confirmed to be the request's own, newest last.
    std::array<std::int64_t, kSamples> m_samples{};
    int m_sampleCount = 0;
    // How long after its last byte crossed the line each echo was in, newest last.
    std::array<std::int64_t, kSamples> m_holds{};
    int m_holdCount = 0;
    // The turnaround of the answer being judged; negative when it has no time.
    std::int64_t m_pendingSample = -1;
    bool m_staleFrameOpen = false;
    int m_staleFrameHave = 0;
    int m_staleFrameLength = 0;
};

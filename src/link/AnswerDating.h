#pragma once

#include <QByteArrayView>
#include <cstdint>

// Two-wire mode has no echo to anchor an exchange: this tells the answer to
// the request just sent from bytes of an earlier exchange (a copy, or an
// answer a copy pushed on), by when they came. Times are ReadCounter()
// nanoseconds; a byte is in when its stop bit is.
class TAnswerDating {
public:
    // Another device, perhaps: forget its turnaround.
    void Forget();
    // A request of txLen bytes is about to be written at this rate; the line
    // quiet for quietNs before it means nothing earlier can answer it.
    void RequestSent(std::int64_t now, int txLen, std::int32_t baud, std::int64_t quietNs);
    void Received(std::int64_t now) { m_lastReceived = now; }
    // The earliest moment the answer's first byte can be in.
    [[nodiscard]] std::int64_t EarliestAnswer() const { return m_earliestAnswer; }
    // A look at the line this late cannot date what it finds.
    [[nodiscard]] bool LookIsLate(std::int64_t lookedAt) const;
    // How many leading bytes of a delivery belong to stale frames; a stale
    // frame is dropped whole, its length byte says how long it is.
    [[nodiscard]] qsizetype StaleLead(QByteArrayView data, std::int64_t now);
    // The answer's first bytes are in by now: whether they can be taken for
    // this request's answer; learns how soon the device answers. A late look
    // found them waiting: only a frame still coming when looked at has a time.
    [[nodiscard]] bool Datable(QByteArrayView first, std::int64_t now, bool lateLook);
    // The line time of bytes at this rate (10 bits a byte), less what a device
    // whose clock runs fast may save; 0 when the rate is unknown.
    [[nodiscard]] static std::int64_t ShortestLineNs(int bytes, std::int32_t baud);

private:
    [[nodiscard]] bool BeganBeforeEarliestAnswer(std::int64_t now, int count) const;

    std::int32_t m_baud = 0;
    std::int64_t m_earliestAnswer = 0;
    std::int64_t m_lastReceived = 0;
    // The line was quiet before this request, so nothing earlier can answer it.
    bool m_trusted = false;
    // The shortest turnaround seen on a quiet line; negative while unknown.
    std::int64_t m_shortestTurnaroundNs = -1;
    bool m_staleFrameOpen = false;
    int m_staleFrameHave = 0;
    int m_staleFrameLength = 0;
};

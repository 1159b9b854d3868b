#include "AnswerDating.h"

#include <algorithm>

namespace {
// A device's clock may run this much fast (per mille) and still be understood.
constexpr std::int64_t kRateTolerancePerMille = 20;
// A look this late (or two byte times, if more) still dates what it finds.
constexpr std::int64_t kLookPunctualNs = 150000;

std::int64_t LineNs(int bytes, std::int32_t baud)
{
    return baud <= 0 || bytes <= 0 ? 0 : std::int64_t(bytes) * 10 * 1000000000LL / baud;
}
} // namespace

void TAnswerDating::Forget()
{
    m_shortestTurnaroundNs = -1;
    m_lastReceived = 0;
}

void TAnswerDating::RequestSent(std::int64_t now, int txLen, std::int32_t baud, std::int64_t quietNs)
{
    m_baud = baud;
    m_trusted = now - m_lastReceived >= quietNs;
    m_staleFrameOpen = false;
    // The request's bytes, then the answer's first byte; no think time is assumed.
    m_earliestAnswer = now + ShortestLineNs(txLen + 1, baud);
}

bool TAnswerDating::LookIsLate(std::int64_t lookedAt) const
{
    return lookedAt - m_earliestAnswer > std::max(ShortestLineNs(2, m_baud), kLookPunctualNs);
}

qsizetype TAnswerDating::StaleLead(QByteArrayView data, std::int64_t now)
{
    // Its later bytes come after the limit but are no more the answer than its first.
    qsizetype used = 0;
    while (used < data.size()) {
        if (!m_staleFrameOpen) {
            if (!BeganBeforeEarliestAnswer(now, static_cast<int>(data.size() - used)))
                break;
            if (static_cast<std::uint8_t>(data[used]) != 0x4D)
                return data.size(); // no frame to follow: the whole delivery
            m_staleFrameOpen = true;
            m_staleFrameHave = 0;
            m_staleFrameLength = 0;
        }
        while (used < data.size() && m_staleFrameOpen) {
            if (m_staleFrameHave == 2)
                m_staleFrameLength = static_cast<std::uint8_t>(data[used]) + 5;
            ++m_staleFrameHave;
            ++used;
            m_staleFrameOpen = m_staleFrameLength == 0 || m_staleFrameHave < m_staleFrameLength;
        }
    }
    return used;
}

bool TAnswerDating::Datable(QByteArrayView first, std::int64_t now, bool lateLook)
{
    const auto count = static_cast<int>(first.size());
    const std::int64_t latestStart = now - LineNs(count - 1, m_baud);
    if (lateLook) {
        // A frame still coming was sent back to back up to now, so its first
        // byte came within a byte time of latestStart; a whole one may have
        // waited any time.
        const bool whole = count >= 5 && (static_cast<std::uint8_t>(first[0]) != 0x4D ||
                                          count >= static_cast<std::uint8_t>(first[2]) + 5);
        if (whole || latestStart - LineNs(1, m_baud) < m_earliestAnswer)
            return false;
    }
    const std::int64_t turnaround = latestStart - m_earliestAnswer;
    if (m_trusted) {
        if (m_shortestTurnaroundNs < 0 || turnaround < m_shortestTurnaroundNs)
            m_shortestTurnaroundNs = std::max<std::int64_t>(turnaround, 0);
        return true;
    }
    // Much sooner than the device has ever answered on a quiet line: an answer
    // to an earlier request (a copy, or one a copy pushed on), not to this one.
    return m_shortestTurnaroundNs <= 0 || turnaround >= m_shortestTurnaroundNs / 2;
}

bool TAnswerDating::BeganBeforeEarliestAnswer(std::int64_t now, int count) const
{
    // count bytes in by now: the first of them was in count - 1 byte times
    // earlier at the latest, however late the delivery came.
    return now - ShortestLineNs(count - 1, m_baud) < m_earliestAnswer;
}

std::int64_t TAnswerDating::ShortestLineNs(int bytes, std::int32_t baud)
{
    return LineNs(bytes, baud) * (1000 - kRateTolerancePerMille) / 1000;
}

#include "AnswerDating.h"

#include <algorithm>

namespace {
// A device's clock may run this much fast (per mille) and still be understood.
constexpr std::int64_t kRateTolerancePerMille = 20;
// A look this late (or two byte times, if more) still dates what it finds.
constexpr std::int64_t kLookPunctualNs = 150000;
// Until one is learned, a device is taken to answer within this.
constexpr std::int64_t kUnknownTurnaroundNs = 10000000;
// A frame behind the answer is looked for this long after its first byte is due.
constexpr std::int64_t kBehindSlackNs = 20000;
// Answers learned before the rule judges one by its time.
constexpr int kSamplesToJudge = 3;
// How much sooner than it was learned a clean answer may come.
constexpr std::int64_t kJitterNs = 1000000;
// An adapter's latency timer is 1 ms at least; a slow program or far end holds bytes less.
constexpr std::int64_t kLeastHoldNs = 500000;

std::int64_t LineNs(int bytes, std::int32_t baud)
{
    return baud <= 0 || bytes <= 0 ? 0 : std::int64_t(bytes) * 10 * 1000000000LL / baud;
}
} // namespace

void TAnswerDating::Forget()
{
    m_sampleCount = 0;
    m_holdCount = 0;
    m_lastReceived = 0;
}

void TAnswerDating::RequestSent(std::int64_t now, int txLen, std::int32_t baud, std::int64_t quietNs, bool echoed)
{
    m_baud = baud;
    m_echoed = echoed;
    m_trusted = now - m_lastReceived >= quietNs;
    m_staleFrameOpen = false;
    m_pendingSample = -1;
    m_sent = now;
    m_txLen = txLen;
    // The request's bytes, then the answer's first byte; no think time is assumed.
    m_earliestAnswer = now + ShortestLineNs(txLen + 1, baud);
}

void TAnswerDating::EchoIn(std::int64_t now, int after)
{
    // Its last byte was in `after` byte times earlier at the latest; the answer's first a byte time later.
    const std::int64_t answerFrom =
        after > 0 ? now - ShortestLineNs(after - 1, m_baud) : now + ShortestLineNs(1, m_baud);
    m_earliestAnswer = std::min(m_earliestAnswer, answerFrom);
    if (m_holdCount == kSamples)
        std::copy(m_holds.begin() + 1, m_holds.end(), m_holds.begin());
    else
        ++m_holdCount;
    m_holds[m_holdCount - 1] = std::max<std::int64_t>(now - m_sent - LineNs(m_txLen, m_baud), 0);
}

std::int64_t TAnswerDating::Hold() const
{
    if (m_holdCount == 0)
        return 0;
    // Less than this is a program or a far end slow to pass bytes on, no batches.
    const std::int64_t least = *std::min_element(m_holds.begin(), m_holds.begin() + m_holdCount);
    return least >= std::max(LineNs(2, m_baud), kLeastHoldNs) ? least : 0;
}

std::int64_t TAnswerDating::EchoCrossed(std::int64_t in) const
{
    // The echo crosses with the request, however long it was held after.
    return std::min(in, m_sent + LineNs(m_txLen, m_baud));
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
    // count bytes in by now: the first began count - 1 byte times earlier at the latest.
    const std::int64_t latestStart = now - LineNs(count - 1, m_baud);
    const std::int64_t turnaround = latestStart - m_earliestAnswer;
    m_pendingSample = -1;
    if (lateLook) {
        const int frame =
            count >= 3 && static_cast<std::uint8_t>(first[0]) == 0x4D ? static_cast<std::uint8_t>(first[2]) + 5 : 5;
        if (count >= frame) {
            // A whole frame may have waited any time: the quiet line after it decides.
            return !TooSoon(turnaround);
        }
        // A frame still coming was sent back to back up to now: its first
        // byte came within a byte time of latestStart (behind an echo, after
        // the request anyway). Sooner, it may be an earlier one: the quiet
        // line after it decides.
        if (!m_echoed && latestStart - LineNs(1, m_baud) < m_earliestAnswer)
            return !TooSoon(turnaround);
    }
    if (TooSoon(turnaround))
        return false; // an answer to an earlier request (a copy, or one a copy pushed on)
    m_pendingSample = std::max<std::int64_t>(turnaround, 0);
    return true;
}

std::int64_t TAnswerDating::QuietUntil(std::int64_t now) const
{
    // The device's own answer begins on the line by then. Behind an answer
    // sooner than the device has answered lately (a copy, perhaps) it comes
    // right behind, or a usual turnaround and the spread later if the device
    // is held up.
    std::int64_t own = m_earliestAnswer + OwnAnswerWithin() + LineNs(2, m_baud);
    if (SoonerThanLately())
        own = std::max(own, m_lastReceived + LineNs(1, m_baud) + OwnAnswerWithin() / 2);
    const std::int64_t hold = Hold();
    // A frame right behind the answer (its first byte is in a byte time after
    // the answer's last, which came by now; a sender that runs late sends
    // what is due at once), or the device's own answer.
    if (hold == 0)
        return std::max(now + LineNs(1, m_baud) + kBehindSlackNs, own);
    // An adapter hands on at once all it held: what crossed the line before
    // the answer's last batch came is in it, what crosses later comes a hold
    // after it crossed.
    return own <= m_lastReceived ? now : std::max(now, own + hold);
}

std::int64_t TAnswerDating::OwnAnswerWithin() const
{
    // Twice its usual turnaround (a busy device or line may take that long);
    // a device whose turnarounds spread (a jittery one, or one held up by a
    // busy machine) its longest one and that spread again.
    const std::int64_t typical = Think(TypicalTurnaround());
    if (m_sampleCount == 0)
        return 2 * typical;
    const auto sorted = SortedSamples();
    const std::int64_t longest = Think(sorted[m_sampleCount - 1]);
    const std::int64_t shortest = Think(sorted[0]);
    return std::max(2 * typical, 2 * longest - shortest);
}

bool TAnswerDating::SoonerThanLately() const
{
    return m_pendingSample >= 0 && !m_trusted && m_sampleCount >= kSamplesToJudge &&
           m_pendingSample < ShortTurnaround() - std::max(LineNs(2, m_baud), kJitterNs);
}

std::int64_t TAnswerDating::Think(std::int64_t turnaround) const
{
    return std::max(turnaround - Hold(), LineNs(1, m_baud));
}

void TAnswerDating::Confirmed()
{
    if (m_pendingSample < 0)
        return;
    if (m_sampleCount == kSamples)
        std::copy(m_samples.begin() + 1, m_samples.end(), m_samples.begin());
    else
        ++m_sampleCount;
    m_samples[m_sampleCount - 1] = m_pendingSample;
    m_pendingSample = -1;
}

bool TAnswerDating::TooSoon(std::int64_t turnaround) const
{
    // Less what the far end's timing jitters (a busy simulator, an adapter):
    // what was learned may have been slowed down by it, a clean answer not.
    const std::int64_t jitter = std::max(LineNs(2, m_baud), kJitterNs);
    return !m_trusted && m_sampleCount >= kSamplesToJudge && SamplesAgree() &&
           turnaround < ShortTurnaround() / 2 - jitter;
}

std::int64_t TAnswerDating::ShortTurnaround() const
{
    // The shortest: a busy program reads answers late and dates them later
    // than they came, so any other would make clean answers look early. A
    // copy is never learned (the device's own answer behind it is seen), and
    // what was learned ages out after kSamples answers.
    const auto sorted = SortedSamples();
    return std::max(sorted[0], LineNs(1, m_baud));
}

bool TAnswerDating::SamplesAgree() const
{
    // A busy program reads some answers late: then what was learned spreads,
    // and no answer is judged by it until those readings age out.
    const auto sorted = SortedSamples();
    return sorted[m_sampleCount - 1] <= 2 * std::max(sorted[0], LineNs(1, m_baud));
}

std::int64_t TAnswerDating::TypicalTurnaround() const
{
    if (m_sampleCount == 0)
        return m_pendingSample >= 0 ? std::max(m_pendingSample, LineNs(1, m_baud)) : kUnknownTurnaroundNs;
    const auto sorted = SortedSamples();
    return std::max(sorted[m_sampleCount / 2], LineNs(1, m_baud));
}

std::array<std::int64_t, TAnswerDating::kSamples> TAnswerDating::SortedSamples() const
{
    std::array<std::int64_t, kSamples> sorted = m_samples;
    for (int i = 1; i < m_sampleCount; ++i)
        for (int k = i; k > 0 && sorted[k] < sorted[k - 1]; --k)
            std::swap(sorted[k], sorted[k - 1]);
    return sorted;
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

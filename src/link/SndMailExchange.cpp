// The exchange of one mail: the frame sent, the wait for its answer with
// its timers, the dating of what comes, the quiet line after it.
#include "SndMail.h"

#include "Timing.h"
#include "TrafficMonitor.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

namespace {
using MailFrame::kBufSize;
// The gap allowance grows with every delivery; keep it inside a timer's range.
constexpr int kMaxTimerPeriod = 24 * 3600 * 1000;
// The looks at the line are slept for their last stretch, to this side of
// which the event loop's timers are exact enough.
constexpr std::int64_t kEventLoopSlackNs = 2000000;
// A read whose answer could not be dated is asked this many times more.
constexpr int kUndatedAsksMore = 3;
} // namespace

std::int64_t TMailControl::Exchange()
{
    m_mail.RxChecksumOk = false;
    if (StopRequested)
        return 0;
    const std::int64_t t0 = ReadCounter();
    // A read may be asked again: an answer to any of its asks answers it.
    for (int ask = 1;; ++ask) {
        SendAndWait();
        if (!m_answerUndated || StopRequested || !m_channel->IsOpen() || !IsReadMail())
            break;
        ++m_undatedAnswers;
        const bool giveUp = ask > kUndatedAsksMore;
        if (auto* monitor = TrafficMonitorRegistry::Current())
            monitor->AddInfoLine(InfoKind::Comment,
                                 giveUp ? QStringLiteral("Rx not datable, dropped")
                                        : QStringLiteral("Rx not datable, asked again"),
                                 QStringLiteral("STALE"));
        // The device's own answer to this ask may still be coming: it must
        // pass before the next ask, or that ask would take it for its own.
        m_lineUnsettled = true;
        m_answerMissing = false;
        if (giveUp) {
            m_mail.RxCount = 0;
            break;
        }
    }
    m_lineUnsettled = m_lineUnsettled || m_mail.RxCount != BytesAwaited();
    m_answerMissing = m_mail.RxExpected != EchoLength() && m_mail.RxCount <= EchoLength();
    m_lastLineActivity = ReadCounter();
    NoteLineUnsettled();
    m_mail.RxChecksumOk = ChecksumTest();
    m_mail.AnswerText = MailFrame::AnswerText(m_mail);
    if (m_mail.RxExpected != EchoLength()) {
        const bool answered = AnswerWellFormed();
        m_mailsAnswered += answered ? 1 : 0;
        m_unansweredInARow = answered ? 0 : m_unansweredInARow + 1;
    }
    m_mail.Elapsed = ElapsedMs(ReadCounter(), t0);
    if (auto* monitor = TrafficMonitorRegistry::Current()) {
        monitor->AddInfoLine(InfoKind::Comment,
                             m_mail.RxChecksumOk ? QStringLiteral("Rx CRC OK") : QStringLiteral("Rx CRC Error"),
                             QStringLiteral("CRC"));
        if (!m_mail.AnswerText.isEmpty())
            monitor->AddInfoLine(InfoKind::Comment, m_mail.AnswerText, QStringLiteral("MAIL"));
    }
    return m_mail.Elapsed;
}

void TMailControl::SendAndWait()
{
    // Input that arrived outside an exchange is listed by the monitor and dropped.
    SettleLine();
    m_channel->DeliverPending();
    m_mail.RxCount = 0;
    m_echoFound = !m_mail.EchoOn;
    m_answerUndated = false;
    m_receiving = true;
    struct ReceivingReset {
        TMailControl* self;
        ~ReceivingReset()
        {
            self->m_receiving = false;
            self->m_lookingLate = false;
            self->m_listeningAfterAnswer = false;
            self->m_channel->ResumeReception();
            self->UpdateReceiveThreshold();
            self->m_answerTimer.stop();
            self->StopGapTimer();
        }
    } reset{this};

    const QByteArray frame(reinterpret_cast<const char*>(m_mail.TxFrame.data()), m_mail.TxLen);
    // A copy of an earlier answer looks like ours: only its time tells it apart.
    m_datingAnswers = m_channel->Baud() > 0;
    m_answerDated = false;
    m_afterAnswer.clear();
    if (m_datingAnswers)
        m_dating.RequestSent(ReadCounter(), m_mail.TxLen, m_channel->Baud(), std::int64_t(GapTimeout) * 1000000,
                             m_mail.EchoOn);
    m_lastSend = ReadCounter();
    m_channel->Write(frame);
    ++m_mailsSent;
    if (auto* monitor = TrafficMonitorRegistry::Current())
        monitor->AddTraffic(TrafficDirection::Sent, frame);
    // Behind an echo the answer began after the request anyway; without
    // one, what waits unread when the answer can begin needs a look.
    if (m_datingAnswers && !m_mail.EchoOn)
        LookWhenAnswerCanBegin();

    m_answerTimer.setInterval(AnswerTimeout);
    m_answerTimer.start();
    m_startTime = ReadCounter();
    m_gapPeriodMs = GapTimeout;
    m_gapDeadline = m_startTime + m_gapPeriodMs * 1000000LL;
    m_gapRunning = true;
    m_gapTimer.start(m_gapPeriodMs);

    WaitForAnswer();
    if (m_datingAnswers && !m_answerUndated && IsReadMail() && AnswerWellFormed()) {
        // A second frame where the device's own answer would begin makes the
        // exchange ambiguous; even after a quiet line, a late answer may come.
        if (LineQuietAfterAnswer())
            m_dating.Confirmed();
        else
            m_answerUndated = true;
    }
}

bool TMailControl::WaitCondition(int needed) const
{
    return m_mail.RxCount < needed && m_answerTimer.isActive() && m_gapRunning && m_channel->IsOpen() && !StopRequested;
}

void TMailControl::WaitForAnswer()
{
    m_waitNeeded = BytesAwaited();
    UpdateReceiveThreshold();
    PauseUntilBytesCanBeThere();
    // Every delivery and timer expiry is an event; each round of events ends
    // with a fresh look, and between rounds the thread sleeps.
    while (WaitCondition(m_waitNeeded))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // Bytes kept back by the receive threshold belong to this exchange.
    m_channel->DeliverPending();
}

void TMailControl::UpdateReceiveThreshold()
{
    // Two-wire mode answers every delivery, so it must see bytes one by one.
    if (!m_receiving || m_mail.EchoBack) {
        m_channel->SetReceiveThreshold(1);
        return;
    }
    // Bytes end the wait themselves, so nothing needs a periodic look; instead
    // PollInterval bounds how long received bytes may wait unlooked: a chunk is
    // at most that much line time (10 bits a byte).
    const int chunk = std::max(1, static_cast<int>(std::int64_t(m_channel->Baud()) * PollInterval / 10000));
    m_channel->SetReceiveThreshold(std::clamp(AwaitedNext() - m_mail.RxCount, 1, chunk));
}

void TMailControl::PauseUntilBytesCanBeThere()
{
    // Bytes that cannot complete the wait are not worth a look: do not listen
    // until the awaited bytes can all have crossed the line. Half the gap
    // timeout at most, so the gap allowance is still fed in time.
    const int remaining = AwaitedNext() - m_mail.RxCount;
    const std::int32_t baud = m_channel->Baud();
    if (m_mail.EchoBack || remaining < 2 || baud <= 0)
        return;
    const std::int64_t lineMs = std::int64_t(remaining) * 10 * 1000 / baud;
    const std::int64_t ms = std::min<std::int64_t>(lineMs, GapTimeout / 2);
    if (ms >= 1)
        m_channel->PauseReception(static_cast<int>(ms));
}

int TMailControl::AwaitedNext() const
{
    // The echo on its own first: when it is in tells how long bytes were held on their way.
    return m_echoFound ? m_waitNeeded : std::min(m_waitNeeded, EchoLength());
}

std::int64_t TMailControl::LateAnswerBy() const
{
    // An answer that never began may still come after the gap timeout: it
    // may begin as late as the answer timeout after its request, and its first
    // bytes may take a gap to show.
    const std::int64_t answerTimeout = std::int64_t(AnswerTimeout) * 1000000;
    const std::int64_t gap = std::int64_t(GapTimeout) * 1000000;
    return m_answerMissing ? m_lastSend + answerTimeout + gap : m_lastLineActivity + gap;
}

void TMailControl::NoteLineUnsettled()
{
    if (!m_lineUnsettled || !m_note)
        return;
    const std::int64_t leftNs = std::max<std::int64_t>(0, LateAnswerBy() - ReadCounter());
    m_note->Write(QDateTime::currentMSecsSinceEpoch() + (leftNs + 999999) / 1000000);
}

void TMailControl::SettleLine()
{
    // After an exchange that ended without its complete answer, the rest of
    // that answer (or a late one) may still come: wait for a quiet line so it
    // is not taken for the next answer. Bounded by the answer timeout.
    if (!m_lineUnsettled)
        return;
    m_lineUnsettled = false;
    const std::int64_t gap = std::int64_t(GapTimeout) * 1000000;
    const std::int64_t lateAnswerBy = m_answerMissing ? LateAnswerBy() : 0;
    const std::int64_t limit = std::max(ReadCounter() + std::int64_t(AnswerTimeout) * 1000000, lateAnswerBy);
    for (;;) {
        m_channel->DeliverPending();
        const std::int64_t until = std::min(std::max(m_lastLineActivity + gap, lateAnswerBy), limit);
        const std::int64_t left = until - ReadCounter();
        if (left <= 0)
            break;
        // Cut short: the note stays for whoever opens the port next.
        if (!Pause(static_cast<int>((left + 999999) / 1000000)))
            return;
    }
    if (m_note)
        m_note->Remove();
}

void TMailControl::AlignOnEcho()
{
    // Bytes in front of our own echo were on the line before we sent: drop them.
    const int e = m_mail.TxLen;
    const int n = m_mail.RxCount;
    auto* rx = m_mail.RxBuf.data();
    const auto* tx = m_mail.TxFrame.data();
    for (int k = 0; k + e <= n; ++k) {
        if (std::equal(tx, tx + e, rx + k)) {
            if (k > 0) {
                std::copy(rx + k, rx + n, rx);
                m_mail.RxCount = static_cast<std::uint8_t>(n - k);
            }
            m_echoFound = true;
            return;
        }
    }
}

void TMailControl::OnGapTimer()
{
    if (!m_gapRunning)
        return;
    if (m_gapDeadline <= ReadCounter()) {
        // Bytes kept back by the receive threshold are deliveries too; they
        // extend the allowance before it is judged.
        m_channel->DeliverPending();
        UpdateReceiveThreshold();
    }
    const std::int64_t remainingNs = m_gapDeadline - ReadCounter();
    if (remainingNs > 0) {
        m_gapTimer.start(static_cast<int>((remainingNs + 999999) / 1000000));
        return;
    }
    m_gapRunning = false;
}

void TMailControl::StopGapTimer()
{
    m_gapRunning = false;
    m_gapTimer.stop();
}

bool TMailControl::SleepUntil(std::int64_t when)
{
    const std::int64_t left = when - ReadCounter();
    if (left > kEventLoopSlackNs && !Pause(static_cast<int>((left - kEventLoopSlackNs) / 1000000)))
        return false;
    // The last stretch is slept: the event loop's timers are not that exact.
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(when)));
    return true;
}

void TMailControl::LookWhenAnswerCanBegin()
{
    // Bytes that wait unread carry no arrival time. So look once when the
    // answer can begin: what is there then is dated by the stale rule, and
    // what comes later began later. A late look dates only a frame still coming.
    if (!SleepUntil(m_dating.EarliestAnswer()))
        return;
    m_lookingLate = m_dating.LookIsLate(ReadCounter());
    m_channel->DeliverPending();
    m_lookingLate = false;
}

void TMailControl::KeepSecondFrameApart()
{
    // A frame right behind a read's answer in the same delivery: the quiet
    // line after the answer judges it. A stray byte there spoils the answer.
    const int end = BytesAwaited();
    if (!m_datingAnswers || !m_echoFound || m_mail.RxCount <= end || m_mail.RxBuf[end] != 0x4D || !IsReadMail())
        return;
    m_afterAnswer.append(reinterpret_cast<const char*>(m_mail.RxBuf.data()) + end, m_mail.RxCount - end);
    m_mail.RxCount = static_cast<std::uint8_t>(end);
}

bool TMailControl::LineQuietAfterAnswer()
{
    m_listeningAfterAnswer = true;
    const int e = EchoLength();
    const QByteArrayView answer(reinterpret_cast<const char*>(m_mail.RxBuf.data()) + e, m_mail.RxCount - e);
    if (!SleepUntil(m_dating.QuietUntil(ReadCounter())))
        return false;
    m_channel->DeliverPending();
    // A frame that repeats the answer byte for byte gives the same value,
    // whichever of the two is the copy; a stray byte is no answer. An
    // adapter may hand on its rest a hold later.
    const std::int64_t deadline =
        ReadCounter() + TAnswerDating::ShortestLineNs(static_cast<int>(answer.size()) * 2, m_channel->Baud()) +
        m_dating.Hold() + kEventLoopSlackNs;
    for (;;) {
        const qsizetype at = m_afterAnswer.indexOf('\x4D');
        if (at < 0)
            return true;
        const QByteArrayView second = QByteArrayView(m_afterAnswer).sliced(at);
        const qsizetype n = std::min(second.size(), answer.size());
        if (second.first(n) != answer.first(n))
            return false;
        if (n == answer.size())
            return true;
        if (ReadCounter() >= deadline || !Pause(1))
            return false;
        m_channel->DeliverPending();
    }
}

void TMailControl::OnPortData(const QByteArray& data)
{
    if (auto* monitor = TrafficMonitorRegistry::Current())
        monitor->AddTraffic(TrafficDirection::Received, data);
    const std::int64_t now = ReadCounter();
    NoteLineActivity(now);
    if (data.isEmpty() || !m_receiving)
        return;
    if (m_listeningAfterAnswer) {
        m_afterAnswer += data; // judged by LineQuietAfterAnswer, not part of the answer
        return;
    }
    if (m_mail.EchoBack) {
        const QByteArray first = data.left(1);
        m_channel->Write(first);
        if (auto* monitor = TrafficMonitorRegistry::Current())
            monitor->AddTraffic(TrafficDirection::Sent, first);
    }
    const QByteArrayView fresh = DropStaleLead(data, now);
    if (fresh.isEmpty())
        return;
    Append(fresh);
    if (!m_echoFound) {
        AlignOnEcho();
        m_echoIn = now;
        if (m_echoFound && m_datingAnswers)
            m_dating.EchoIn(now, m_mail.RxCount - EchoLength());
    }
    KeepSecondFrameApart();
    DateAnswer(now);
    const int needed = BytesAwaited();
    if (needed != m_waitNeeded) {
        // The answer's head is in: wait for its announced length.
        m_waitNeeded = needed;
        UpdateReceiveThreshold();
        PauseUntilBytesCanBeThere();
    }
    else if (m_mail.RxCount < m_waitNeeded) {
        UpdateReceiveThreshold();
    }
}

void TMailControl::NoteLineActivity(std::int64_t now)
{
    // The gap allowance grows by the time since the timers started; a running
    // gap timer restarts now with it. The deadline moves here, the Qt timer only
    // when it fires, so a byte-by-byte stream costs no timer re-registration.
    m_lastLineActivity = now;
    m_dating.Received(now);
    m_gapPeriodMs = std::min<std::int64_t>(m_gapPeriodMs + ElapsedMs(now, m_startTime), kMaxTimerPeriod);
    if (m_gapRunning)
        m_gapDeadline = now + m_gapPeriodMs * 1000000LL;
}

QByteArrayView TMailControl::DropStaleLead(const QByteArray& data, std::int64_t now)
{
    // One-wire mode drops what comes before its echo; two-wire mode by its time.
    QByteArrayView fresh(data);
    if (m_mail.RxCount != 0 || !m_datingAnswers || m_mail.EchoOn)
        return fresh;
    const qsizetype stale = m_dating.StaleLead(fresh, now);
    if (stale > 0) {
        m_staleBytes += static_cast<int>(stale);
        if (auto* monitor = TrafficMonitorRegistry::Current())
            monitor->AddInfoLine(InfoKind::Comment, QStringLiteral("Rx stale, dropped"), QStringLiteral("STALE"));
    }
    return fresh.sliced(stale);
}

void TMailControl::Append(QByteArrayView fresh)
{
    // An overflowing buffer starts again; the answer then fails its length test.
    if (fresh.size() > kBufSize) {
        m_mail.RxCount = 0;
        return;
    }
    for (char byte : fresh) {
        if (m_mail.RxCount >= kBufSize) {
            m_mail.RxCount = 0;
            return;
        }
        m_mail.RxBuf[m_mail.RxCount++] = static_cast<std::uint8_t>(byte);
    }
}

void TMailControl::DateAnswer(std::int64_t now)
{
    if (!m_datingAnswers || m_answerDated || !m_echoFound || m_mail.RxCount <= EchoLength())
        return;
    // The answer's first bytes: they came in this delivery, the echo before them.
    m_answerDated = true;
    const int e = EchoLength();
    const QByteArrayView first(reinterpret_cast<const char*>(m_mail.RxBuf.data()) + e, m_mail.RxCount - e);
    if (!m_dating.Datable(first, now, m_lookingLate))
        m_answerUndated = true;
}

bool TMailControl::Pause(int ms)
{
    if (!QCoreApplication::instance()) {
        Delay(ms);
        return !StopRequested && m_channel->IsOpen();
    }
    const std::int64_t target = ReadCounter() + std::int64_t(ms) * 1000000;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!StopRequested && m_channel->IsOpen()) {
        const std::int64_t left = target - ReadCounter();
        if (left <= 0)
            return true;
        if (!wake.isActive())
            wake.start(static_cast<int>((left + 999999) / 1000000));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return false;
}

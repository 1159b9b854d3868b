#include "SndMail.h"

#include "NumberConverting.h"
#include "Timing.h"
#include "TrafficMonitor.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

namespace {
const QString kUnit = QStringLiteral("SndMail");
const QString kCorrectMailFn = QStringLiteral("TMailControl.CorrectMail(s: string): string");
const QString kRcvArrayFn = QStringLiteral("TMailControl.RcvArray(var buf: array of byte): byte");
constexpr int kMaxMailBytes = 249;
constexpr int kBufSize = 254;
// The gap allowance grows with every delivery; keep it inside a timer's range.
constexpr int kMaxTimerPeriod = 24 * 3600 * 1000;
// Two-wire mode: the look at the earliest answer time is slept for its last
// stretch, to this side of which the event loop's timers are exact enough.
constexpr std::int64_t kEventLoopSlackNs = 2000000;
// A read whose answer could not be dated is asked this many times more.
constexpr int kUndatedAsksMore = 3;

bool IsBlank(QChar c) { return c == QLatin1Char(' '); }

QString TrimControl(const QString& s)
{
    int b = 0;
    int e = static_cast<int>(s.size());
    while (b < e && s[b].unicode() <= ' ')
        ++b;
    while (e > b && s[e - 1].unicode() <= ' ')
        --e;
    return s.mid(b, e - b);
}
} // namespace

TMailControl::TMailControl(TVirtualCom* channel) : m_channel(channel), m_startTime(ReadCounter())
{
    m_answerTimer.setSingleShot(true);
    m_answerTimer.setTimerType(Qt::PreciseTimer);
    m_answerTimer.setInterval(350);
    m_gapTimer.setSingleShot(true);
    m_gapTimer.setTimerType(Qt::PreciseTimer);
    m_gapTimer.setInterval(110);
    QObject::connect(&m_gapTimer, &QTimer::timeout, [this] { OnGapTimer(); });
    m_channel->OnData = [this](TVirtualCom*, const QByteArray& data) { OnPortData(data); };
    m_channel->OnPortLost = [this](TVirtualCom*) {
        LogPortState();
        if (OnPortLost)
            OnPortLost();
    };
}

TMailControl::~TMailControl()
{
    StopRequested = true;
    ClosePort();
    FreeMonitor();
    m_channel->OnData = nullptr;
    m_channel->OnPortLost = nullptr;
}

QString TMailControl::CorrectMail(const QString& s)
{
    QString t = TrimControl(s.toUpper());
    if (t.isEmpty())
        throw EMailControlError(FormatErrorText(QStringLiteral("Length of s = 0"), kUnit, kCorrectMailFn));
    if (!IsHexText(s, true))
        throw EMailControlError(
            FormatErrorText(QStringLiteral("Invalid Hex Value (") + s + QStringLiteral(")"), kUnit, kCorrectMailFn));
    // Positions below are 1-based as in the rules; p(i) is t[i - 1].
    auto p = [&t](int i) { return t[i - 1]; };
    if (t.size() == 1 || IsBlank(p(2)))
        t.prepend(QLatin1Char('0'));
    if (t.size() >= 2 && IsBlank(p(static_cast<int>(t.size()) - 1)))
        t.insert(t.size() - 1, QLatin1Char('0'));
    if (t.size() > 5) {
        const int count = static_cast<int>(t.size());
        for (int i = count; i >= 3; --i)
            if (i <= t.size() && IsBlank(p(i)) && IsBlank(p(i - 1)))
                t.remove(i - 1, 1);
    }
    for (int i = static_cast<int>(t.size()); i >= 3; --i)
        if (IsBlank(p(i)) && (IsBlank(p(i - 1)) || IsBlank(p(i - 2))))
            t.insert(i - 2, QLatin1Char('0'));
    return t;
}

void TMailControl::BuildFrame(const QString& mail)
{
    m_mail.TxFrame.fill(0);
    m_mail.RxBuf.fill(0);
    m_mail.RxChecksumOk = false;
    m_mail.MailText = CorrectMail(mail);

    std::array<std::uint8_t, kBufSize> bytes{};
    int n = 0;
    QString rest = m_mail.MailText;
    while (!rest.isEmpty()) {
        // A frame must fit the send buffer; longer mails would overrun it.
        if (n == kMaxMailBytes)
            throw EMailControlError(FormatErrorText(QStringLiteral("Mail longer than 249 bytes"), kUnit,
                                                    QStringLiteral("TMailControl.BuildFrame(mail: string)")));
        bytes[n++] = Hex2Dec(rest.left(2));
        rest.remove(0, 2);
        while (!rest.isEmpty() && IsBlank(rest[0]))
            rest.remove(0, 1);
    }

    auto& f = m_mail.TxFrame;
    f[0] = 0xFF;
    f[1] = 0xFF;
    f[2] = 0x4D;
    f[3] = bytes[0];
    f[4] = static_cast<std::uint8_t>(n - 1);
    std::uint8_t sum = 0;
    for (int i = 1; i < n; ++i) {
        f[4 + i] = bytes[i];
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    }
    f[n + 4] = sum;
    m_mail.TxLen = static_cast<std::uint8_t>(n + 5);
    const auto e = static_cast<std::uint8_t>(EchoLength());
    const bool write = n >= 2 && bytes[0] == 0x02 && bytes[1] == 0x3B;
    m_mail.RxExpected = write ? e : static_cast<std::uint8_t>(e + 4);
}

bool TMailControl::IsReadMail() const
{
    const auto& f = m_mail.TxFrame;
    return m_mail.TxLen >= 9 && f[3] == 0x02 && f[5] == 0x3C && f[6] == 0x08 && f[7] == 0x00;
}

bool TMailControl::IsWriteMail() const
{
    const auto& f = m_mail.TxFrame;
    return m_mail.TxLen >= 9 && f[3] == 0x02 && f[5] == 0x3B && (f[6] == 0x08 || f[6] == 0x02) && f[7] == 0x00;
}

std::uint8_t TMailControl::AnswerLength() const
{
    const int e = EchoLength();
    if (e + 3 >= kBufSize)
        return 0;
    const auto& r = m_mail.RxBuf;
    if (r[e] != 0x4D || r[e + 3] != 0x3D)
        return 0;
    const int l = r[e + 2];
    return m_mail.RxCount == e + l + 5 ? static_cast<std::uint8_t>(l) : 0;
}

bool TMailControl::ChecksumTest() const
{
    if (AnswerLength() == 0)
        return false;
    const int e = EchoLength();
    std::uint8_t sum = 0;
    for (int i = e + 3; i < m_mail.RxCount - 1; ++i)
        sum = static_cast<std::uint8_t>(sum + m_mail.RxBuf[i]);
    return sum == m_mail.RxBuf[m_mail.RxCount - 1];
}

QString TMailControl::BuildAnswerText() const
{
    const int l = AnswerLength();
    const int e = EchoLength();
    QString text;
    text.reserve(l * 3);
    for (int k = 0; k < l; ++k) {
        if (k > 0)
            text += QLatin1Char(' ');
        text += ByteToHex(m_mail.RxBuf[e + 4 + k]);
    }
    return text;
}

bool TMailControl::WaitCondition(int needed) const
{
    return m_mail.RxCount < needed && m_answerTimer.isActive() && m_gapRunning && m_channel->IsOpen() && !StopRequested;
}

int TMailControl::BytesAwaited() const
{
    const int e = EchoLength();
    if (m_mail.RxCount < m_mail.RxExpected || m_mail.RxExpected == e)
        return m_mail.RxExpected;
    const auto& r = m_mail.RxBuf;
    if (e + 3 < kBufSize && r[e] == 0x4D && r[e + 3] == 0x3D)
        return e + r[e + 2] + 5;
    // Not an answer: take whatever follows until the timers end, so that its
    // rest does not spill into the next exchange.
    return kBufSize + 1;
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
    m_channel->SetReceiveThreshold(std::clamp(m_waitNeeded - m_mail.RxCount, 1, chunk));
}

void TMailControl::PauseUntilBytesCanBeThere()
{
    // Bytes that cannot complete the wait are not worth a look: do not listen
    // until the awaited bytes can all have crossed the line. Half the gap
    // timeout at most, so the gap allowance is still fed in time.
    const int remaining = m_waitNeeded - m_mail.RxCount;
    const std::int32_t baud = m_channel->Baud();
    if (m_mail.EchoBack || remaining < 2 || baud <= 0)
        return;
    const std::int64_t lineMs = std::int64_t(remaining) * 10 * 1000 / baud;
    const std::int64_t ms = std::min<std::int64_t>(lineMs, GapTimeout / 2);
    if (ms >= 1)
        m_channel->PauseReception(static_cast<int>(ms));
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

void TMailControl::SettleLine()
{
    // After an exchange that ended without its complete answer, the rest of
    // that answer (or a late one) may still come: wait for a quiet line so it
    // is not taken for the next answer. Bounded by the answer timeout.
    if (!m_lineUnsettled)
        return;
    m_lineUnsettled = false;
    // An answer that never began may still come after the gap timeout: until
    // the answer timeout after its request.
    const std::int64_t answerTimeout = std::int64_t(AnswerTimeout) * 1000000;
    const std::int64_t lateAnswerBy = m_answerMissing ? m_lastSend + answerTimeout : 0;
    const std::int64_t limit = std::max(ReadCounter() + answerTimeout, lateAnswerBy);
    for (;;) {
        m_channel->DeliverPending();
        const std::int64_t until =
            std::min(std::max(m_lastLineActivity + std::int64_t(GapTimeout) * 1000000, lateAnswerBy), limit);
        const std::int64_t left = until - ReadCounter();
        if (left <= 0 || !Pause(static_cast<int>((left + 999999) / 1000000)))
            return;
    }
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
    m_mail.RxChecksumOk = ChecksumTest();
    m_mail.AnswerText = BuildAnswerText();
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

bool TMailControl::SleepUntil(std::int64_t when)
{
    const std::int64_t left = when - ReadCounter();
    if (left > kEventLoopSlackNs && !Pause(static_cast<int>((left - kEventLoopSlackNs) / 1000000)))
        return false;
    // The last stretch is slept: the event loop's timers are not that exact.
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(when)));
    return true;
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
    // whichever of the two is the copy; a stray byte is no answer.
    const std::int64_t deadline =
        ReadCounter() + TAnswerDating::ShortestLineNs(static_cast<int>(answer.size()) * 2, m_channel->Baud()) +
        kEventLoopSlackNs;
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

void TMailControl::OnPortData(const QByteArray& data)
{
    if (auto* monitor = TrafficMonitorRegistry::Current())
        monitor->AddTraffic(TrafficDirection::Received, data);

    // The gap allowance grows by the time since the timers started; a running
    // gap timer restarts now with it. The deadline moves here, the Qt timer only
    // when it fires, so a byte-by-byte stream costs no timer re-registration.
    const std::int64_t now = ReadCounter();
    m_lastLineActivity = now;
    m_dating.Received(now);
    m_gapPeriodMs = std::min<std::int64_t>(m_gapPeriodMs + ElapsedMs(now, m_startTime), kMaxTimerPeriod);
    if (m_gapRunning)
        m_gapDeadline = now + m_gapPeriodMs * 1000000LL;

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
    QByteArrayView fresh(data);
    // One-wire mode drops what comes before its echo; two-wire mode by its time.
    if (m_mail.RxCount == 0 && m_datingAnswers && !m_mail.EchoOn) {
        const qsizetype stale = m_dating.StaleLead(fresh, now);
        if (stale > 0) {
            m_staleBytes += static_cast<int>(stale);
            if (auto* monitor = TrafficMonitorRegistry::Current())
                monitor->AddInfoLine(InfoKind::Comment, QStringLiteral("Rx stale, dropped"), QStringLiteral("STALE"));
            fresh = fresh.sliced(stale);
            if (fresh.isEmpty())
                return;
        }
    }
    if (fresh.size() > kBufSize) {
        m_mail.RxCount = 0;
    }
    else {
        for (char byte : fresh) {
            if (m_mail.RxCount >= kBufSize) {
                m_mail.RxCount = 0;
                break;
            }
            m_mail.RxBuf[m_mail.RxCount++] = static_cast<std::uint8_t>(byte);
        }
    }
    if (!m_echoFound) {
        AlignOnEcho();
        if (m_echoFound && m_datingAnswers)
            m_dating.EchoIn(now, m_mail.RxCount - EchoLength());
    }
    KeepSecondFrameApart();
    if (m_datingAnswers && !m_answerDated && m_echoFound && m_mail.RxCount > EchoLength()) {
        // The answer's first bytes: they came in this delivery, the echo before them.
        m_answerDated = true;
        const int e = EchoLength();
        const QByteArrayView first(reinterpret_cast<const char*>(m_mail.RxBuf.data()) + e, m_mail.RxCount - e);
        if (!m_dating.Datable(first, now, m_lookingLate))
            m_answerUndated = true;
    }
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

bool TMailControl::VerifyWrite()
{
    if (ReadbackDelay > 0)
        Pause(ReadbackDelay);
    const TMail saved = m_mail;
    const std::uint8_t count = saved.TxFrame[8];
    const QString readMail = QStringLiteral("02 3C 08 00 ") + ByteToHex(count) + QLatin1Char(' ') +
                             ByteToHex(saved.TxFrame[9]) + QLatin1Char(' ') + ByteToHex(saved.TxFrame[10]);
    bool confirmed = false;
    try {
        BuildFrame(readMail);
        Exchange();
        m_readbackAnswered = m_mail.RxCount > EchoLength();
        // Only an answer of exactly the cells written can confirm them.
        confirmed = m_mail.RxChecksumOk && AnswerLength() == count;
        const int e = EchoLength();
        // Only bytes that were sent can be compared; a hand-typed mail may announce more.
        const int sent = std::max(0, saved.TxLen - 5 - 7);
        for (int k = 0; confirmed && k < std::min<int>(count, sent); ++k)
            confirmed = m_mail.RxBuf[e + 4 + k] == saved.TxFrame[11 + k];
    }
    catch (...) {
        m_mail = saved;
        throw;
    }
    m_mail = saved;
    return confirmed;
}

QString TMailControl::SendMail(const QString& mail)
{
    if (StopRequested || m_busy)
        return {};
    BusyScope scope(this);
    return DoSendMail(mail);
}

QString TMailControl::DoSendMail(const QString& mail)
{
    if (StopRequested)
        return {};
    std::uint8_t limit = static_cast<std::uint8_t>(MaxWriteAttempts & 0xFF);
    m_success = false;
    std::uint8_t attempt = 0;
    BuildFrame(mail);
    const bool write = IsWriteMail();
    do {
        Exchange();
        if (write && !StopRequested) {
            ++attempt;
            m_success = VerifyWrite();
            if (!m_success && !StopRequested) {
                if (attempt == limit && ShowDialogs) {
                    const QString question =
                        QStringLiteral("Writing failed %1 times. \r\rTry once more ?").arg(attempt);
                    if (m_presenter && m_presenter->ConfirmWarning(question))
                        ++limit;
                }
                if (attempt != limit)
                    Pause(WriteRetryDelay);
            }
        }
    } while (write && attempt < limit && !m_success && !StopRequested && m_channel->IsOpen());
    if (write && attempt > 0)
        ReportWrite();
    if (write && !m_success && ShowDialogs && m_presenter)
        m_presenter->ShowWarning(QStringLiteral("Readback Error! - Writing failed!!"));
    return m_mail.AnswerText;
}

std::uint8_t TMailControl::SendMailToArray(const QString& mail, std::span<std::uint8_t> buf)
{
    if (StopRequested || m_busy)
        return 0;
    BusyScope scope(this);
    return DoSendMailToArray(mail, buf);
}

std::uint8_t TMailControl::DoSendMailToArray(const QString& mail, std::span<std::uint8_t> buf)
{
    DoSendMail(mail);
    return RcvArray(buf);
}

// An answer of another length belongs to another request, however its values look.
bool TMailControl::AnswerConfirms(int count) const { return m_mail.RxChecksumOk && AnswerLength() == count; }

bool TMailControl::AnswerWellFormed() const
{
    const int e = EchoLength();
    const auto& r = m_mail.RxBuf;
    if (e + 3 >= kBufSize || r[e] != 0x4D || r[e + 3] != 0x3D || m_mail.RxCount != e + r[e + 2] + 5)
        return false;
    std::uint8_t sum = 0;
    for (int i = e + 3; i < m_mail.RxCount - 1; ++i)
        sum = static_cast<std::uint8_t>(sum + r[i]);
    return sum == r[m_mail.RxCount - 1];
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

std::uint8_t TMailControl::RcvArray(std::span<std::uint8_t> buf) const
{
    const int n = std::min<int>(AnswerLength(), static_cast<int>(buf.size()));
    if (n > 200)
        throw EMailControlError(FormatErrorText(QStringLiteral("AnswerLength > 200"), kUnit, kRcvArrayFn));
    const int e = EchoLength();
    std::copy_n(m_mail.RxBuf.begin() + e + 4, n, buf.begin());
    return static_cast<std::uint8_t>(n);
}

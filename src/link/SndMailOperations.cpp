// Device memory and control operations of the link: thin wrappers that turn
// addresses and data into mail texts.
#include "SndMail.h"

#include "NumberConverting.h"
#include "Timing.h"
#include "TpaProComImpl.h"
#include "TrafficMonitor.h"

#include <QDateTime>
#include <algorithm>

namespace {
QString ReadMail(std::uint8_t al, std::uint8_t ah, std::uint8_t count)
{
    return QStringLiteral("02 3C 08 00 ") + ByteToHex(count) + QLatin1Char(' ') + ByteToHex(al) + QLatin1Char(' ') +
           ByteToHex(ah);
}

QString WriteMailHead(std::uint8_t al, std::uint8_t ah, std::uint8_t count)
{
    return QStringLiteral("02 3B 08 00 ") + ByteToHex(count) + QLatin1Char(' ') + ByteToHex(al) + QLatin1Char(' ') +
           ByteToHex(ah);
}

QString BoolText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

TWriteObserver& Observer()
{
    static TWriteObserver observer;
    return observer;
}
} // namespace

void TMailControl::SetWriteObserver(TWriteObserver observer) { Observer() = std::move(observer); }

const TWriteObserver& TMailControl::WriteObserver() { return Observer(); }

void TMailControl::ReportWrite() const
{
    const TWriteObserver& observer = WriteObserver();
    if (!observer)
        return;
    // The frame of a write mail: FF FF 4D 02 len 3B 08 00 C AL AH data... sum.
    const int count = MailFrame::MailByte(m_mail, 8);
    const int sent = std::min(count, std::max(0, m_mail.TxLen - 12));
    observer({m_channel->ComNumber(), m_channel->DevicePath(), m_channel->Baud(),
              static_cast<std::uint16_t>(MailFrame::MailByte(m_mail, 9) | MailFrame::MailByte(m_mail, 10) << 8),
              QByteArray(reinterpret_cast<const char*>(m_mail.TxFrame.data()) + 11, sent),
              m_success            ? TWriteResult::Confirmed
              : m_readbackAnswered ? TWriteResult::NotConfirmed
                                   : TWriteResult::NoAnswer});
}

QString TMailControl::ReadEepromText(std::uint8_t al, std::uint8_t ah, std::uint8_t count)
{
    if (StopNow() || m_busy)
        return {};
    BusyScope scope(this);
    const QString mail = ReadMail(al, ah, count);
    QString answer;
    for (int i = 0; answer.isEmpty() && i < ReadTries && !StopRequested; ++i) {
        if (i > 0 && !Pause(ReadRetryDelay))
            break;
        answer = DoSendMail(mail);
        // A cell value must be the device's: a damaged or short answer is no answer.
        if (!AnswerConfirms(count))
            answer.clear();
    }
    const int keep = 3 * count - 1;
    if (answer.size() > keep)
        answer = answer.left(std::max(keep, 0));
    return answer;
}

std::uint8_t TMailControl::ReadEepromBytes(std::uint8_t al, std::uint8_t ah, std::uint8_t count,
                                           std::span<std::uint8_t> buf)
{
    if (StopNow() || m_busy)
        return 0;
    BusyScope scope(this);
    const QString mail = ReadMail(al, ah, count);
    int got = 0;
    for (int i = 0; got < count && i < ReadTries && !StopRequested; ++i) {
        if (i > 0 && !Pause(ReadRetryDelay))
            break;
        got = DoSendMailToArray(mail, buf);
        if (!AnswerConfirms(count))
            got = 0;
    }
    return got >= count ? count : 0;
}

std::uint8_t TMailControl::ReadEepromBytesAt(std::uint16_t address, std::uint8_t count, std::span<std::uint8_t> buf)
{
    return ReadEepromBytes(static_cast<std::uint8_t>(address % 256), static_cast<std::uint8_t>(address / 256), count,
                           buf);
}

bool TMailControl::WriteEepromText(std::uint8_t al, std::uint8_t ah, std::uint8_t count, const QString& dataText)
{
    if (StopNow() || m_busy)
        return false;
    BusyScope scope(this);
    DoSendMail(WriteMailHead(al, ah, count) + QLatin1Char(' ') + dataText);
    return m_success;
}

bool TMailControl::WriteEepromBytes(std::uint8_t al, std::uint8_t ah, std::uint8_t count,
                                    std::span<const std::uint8_t> data)
{
    if (StopNow() || m_busy)
        return false;
    BusyScope scope(this);
    return DoWriteEepromBytes(al, ah, count, data);
}

bool TMailControl::DoWriteEepromBytes(std::uint8_t al, std::uint8_t ah, std::uint8_t count,
                                      std::span<const std::uint8_t> data)
{
    QString text;
    const int n = std::min<int>(count, static_cast<int>(data.size()));
    for (int i = 0; i < n; ++i)
        text += ByteToHex(data[i]) + QLatin1Char(' ');
    DoSendMail(WriteMailHead(al, ah, count) + QLatin1Char(' ') + text);
    return m_success;
}

int TMailControl::WriteEepromBlock(std::uint16_t address, std::span<const std::uint8_t> data, int n)
{
    if (StopNow() || m_busy)
        return 0;
    BusyScope scope(this);
    n = std::min<int>(n, static_cast<int>(data.size()));
    int current = address;
    int remaining = n;
    bool failed = false;
    std::array<std::uint8_t, 256> chunk{};
    while (remaining > 0 && !failed && !StopNow()) {
        const int k = std::min<int>(remaining, std::max<int>(ChunkSize, 1));
        CopySlice(chunk.data(), data.data(), data.size(), k, n - remaining);
        remaining -= k;
        const int at = current & 0xFFFF;
        if (DoWriteEepromBytes(static_cast<std::uint8_t>(at % 256), static_cast<std::uint8_t>(at / 256),
                               static_cast<std::uint8_t>(k), std::span<const std::uint8_t>(chunk.data(), k))) {
            current += k;
            if (OnBlockProgress)
                OnBlockProgress(k);
        }
        else {
            failed = true;
        }
    }
    return current - address;
}

std::int8_t TMailControl::ProbeDevice(int pauseMs)
{
    if (!IsPortOpen())
        return -1;
    if (m_busy)
        return 0;
    BusyScope scope(this);
    std::int8_t answered = 0;
    // A stop (the window closing) cuts the remaining attempts and their pauses short.
    for (int attempt = 1; attempt <= kProbeAttempts && !StopNow() && answered == 0; ++attempt) {
        if (attempt > 1 && !Pause(pauseMs))
            break;
        if (OnProbeAttempt)
            OnProbeAttempt(attempt, kProbeAttempts);
        if (!DoSendMail(QStringLiteral("02 3C 08 00 01 00 00")).isEmpty())
            answered = static_cast<std::int8_t>(attempt);
    }
    if (OnProbeEnded)
        OnProbeEnded();
    return answered;
}

bool TMailControl::OpenPort(std::uint8_t com, std::int32_t baud)
{
    const bool ok = m_channel->Open(com, baud);
    m_modemLinesLogged = false;
    m_dating.Forget();
    m_note.emplace(m_channel->DevicePath());
    // Another program left an answer on its way: wait it out before the first request.
    if (const std::int64_t by = ok ? m_note->LateAnswerBy() : 0) {
        const std::int64_t now = ReadCounter();
        m_lineUnsettled = true;
        m_answerMissing = true;
        m_lastLineActivity = now;
        m_lastSend = now + (by - QDateTime::currentMSecsSinceEpoch()) * 1000000 -
                     (std::int64_t(AnswerTimeout) + GapTimeout) * 1000000;
    }
    SetDtrRts(m_dtr, m_rts);
    LogPortState();
    return ok;
}

bool TMailControl::ClosePort()
{
    // A late answer to a request we gave up on would reach whichever program
    // opens the port next and be taken for its answer: let it pass first.
    if (m_channel->IsOpen() && !StopRequested)
        SettleLine();
    m_lineUnsettled = false;
    const bool ok = m_channel->Close();
    LogPortState();
    return ok;
}

bool TMailControl::IsPortOpen() const { return m_channel->IsOpen(); }

bool TMailControl::SetDtrRts(bool dtr, bool rts)
{
    m_dtr = dtr;
    m_rts = rts;
    if (!m_channel->IsOpen())
        return false;
    m_channel->SetDtr(dtr);
    m_channel->SetRts(rts);
    if (auto* monitor = TrafficMonitorRegistry::Current()) {
        monitor->AddInfoLine(InfoKind::PortState, QStringLiteral("DTR: %1").arg(BoolText(dtr)), {});
        monitor->AddInfoLine(InfoKind::PortState, QStringLiteral("RTS: %1").arg(BoolText(rts)), {});
        // Pseudo-terminals and some adapters have no modem lines; say so once, it is not a failure.
        if (!m_channel->ModemLinesSupported() && !m_modemLinesLogged) {
            m_modemLinesLogged = true;
            monitor->AddInfoLine(InfoKind::PortState, QStringLiteral("DTR/RTS not supported by this port"), {});
        }
    }
    m_channel->FlushOut();
    m_channel->FlushIn();
    return true;
}

void TMailControl::LogPortState()
{
    auto* monitor = TrafficMonitorRegistry::Current();
    if (!monitor)
        return;
    const QString text =
        m_channel->IsOpen() ? QStringLiteral("COM%1 open at %2 baud").arg(m_channel->ComNumber()).arg(m_channel->Baud())
                            : QStringLiteral("COM%1 Closed").arg(m_channel->ComNumber());
    monitor->AddInfoLine(InfoKind::PortState, text, {});
}

void TMailControl::ShowMonitor()
{
    auto* monitor = TrafficMonitorRegistry::Create();
    LogPortState();
    if (monitor)
        monitor->ShowMonitor();
}

void TMailControl::FreeMonitor() { TrafficMonitorRegistry::Free(); }

namespace detail {
ChannelHolder::ChannelHolder() : m_ownedChannel(std::make_unique<TTpaProComImpl>()) {}
ChannelHolder::~ChannelHolder() = default;
} // namespace detail

TSendmail::TSendmail() : ChannelHolder(), TMailControl(m_ownedChannel.get()) {}

TSendmail::~TSendmail() = default;

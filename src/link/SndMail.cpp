#include "SndMail.h"

#include "Timing.h"
#include "TrafficMonitor.h"

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
    // Unless its owner stopped it, the link leaves the line quiet for the next program.
    ClosePort();
    StopRequested = true;
    FreeMonitor();
    m_channel->OnData = nullptr;
    m_channel->OnPortLost = nullptr;
}

QString TMailControl::CorrectMail(const QString& s) { return MailFrame::CorrectMail(s); }

void TMailControl::BuildFrame(const QString& mail) { MailFrame::Build(m_mail, mail); }

bool TMailControl::IsReadMail() const { return MailFrame::IsRead(m_mail); }

bool TMailControl::IsWriteMail() const { return MailFrame::IsWrite(m_mail); }

std::uint8_t TMailControl::AnswerLength() const { return MailFrame::AnswerLength(m_mail); }

bool TMailControl::ChecksumTest() const { return MailFrame::ChecksumOk(m_mail); }

bool TMailControl::AnswerWellFormed() const { return MailFrame::AnswerWellFormed(m_mail); }

bool TMailControl::AnswerConfirms(int count) const { return MailFrame::AnswersCount(m_mail, count); }

int TMailControl::BytesAwaited() const { return MailFrame::BytesAwaited(m_mail); }

std::uint8_t TMailControl::RcvArray(std::span<std::uint8_t> buf) const { return MailFrame::CopyAnswer(m_mail, buf); }

bool TMailControl::VerifyWrite()
{
    // From when the write crossed the line: an adapter that held its echo
    // back has spent part of the pause.
    if (ReadbackDelay > 0 && m_datingAnswers && m_mail.EchoOn && m_echoFound)
        SleepUntil(m_dating.EchoCrossed(m_echoIn) + std::int64_t(ReadbackDelay) * 1000000);
    else if (ReadbackDelay > 0)
        Pause(ReadbackDelay);
    const TMail saved = m_mail;
    bool confirmed = false;
    try {
        BuildFrame(MailFrame::ReadBackMail(saved));
        Exchange();
        m_readbackAnswered = m_mail.RxCount > EchoLength();
        confirmed = MailFrame::ReadBackConfirms(saved, m_mail);
    }
    catch (...) {
        m_mail = saved;
        throw;
    }
    m_mail = saved;
    return confirmed;
}

bool TMailControl::StopNow()
{
    if (m_stopBetweenMails) {
        m_stopBetweenMails = false;
        StopRequested = true;
    }
    return StopRequested;
}

QString TMailControl::SendMail(const QString& mail)
{
    if (StopNow() || m_busy)
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
    if (StopNow() || m_busy)
        return 0;
    BusyScope scope(this);
    return DoSendMailToArray(mail, buf);
}

std::uint8_t TMailControl::DoSendMailToArray(const QString& mail, std::span<std::uint8_t> buf)
{
    DoSendMail(mail);
    return RcvArray(buf);
}

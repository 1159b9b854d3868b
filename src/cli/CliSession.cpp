#include "CliSession.h"

#include "ProgramError.h"

#include "MachineSettings.h"
#include "PortDiagnosis.h"
#include "SndMail.h"
#include "TpaProComImpl.h"

TCliSession::TCliSession(TCliOptions options, QString usage, QTextStream& out, QTextStream& err)
    : m_options(std::move(options)), m_usage(std::move(usage)), m_err(err), m_output(out, err, m_options.json)
{}

TCliSession::~TCliSession() = default;

int TCliSession::Usage(const QString& message)
{
    m_err << "tunebench-cli: " << message << "\n" << m_usage;
    m_err.flush();
    NoteReport(message);
    return kExitUsage;
}

void TCliSession::NoteReport(const QString& text)
{
    if (const QString report = text.trimmed(); !report.isEmpty())
        m_lastReport = report;
}

int TCliSession::PortLost()
{
    m_err << PortName() << ": the port was lost during the command.\n";
    m_err.flush();
    return kExitPort;
}

QString TCliSession::PortAndRate() const
{
    const int baud = m_link ? m_link->Port().Baud() : m_options.baud;
    const QString device = m_link ? m_link->Port().DevicePath() : QString();
    QString text = PortName();
    if (!device.isEmpty() && device != PortName())
        text += QStringLiteral(" (%1)").arg(device);
    return text + QStringLiteral(" at %1 baud").arg(baud);
}

void TCliSession::NoAnswer()
{
    const int tries = m_link ? m_link->MailsUnansweredInARow() : 0;
    const int answered = m_link ? m_link->MailsAnswered() : 0;
    // Bytes came back, but no answer that holds: damage, another rate, or not our protocol.
    const bool damaged = m_link && m_link->MailsSent() > 0 && !LastExchangeUnanswered();
    m_err << (damaged ? "no valid answer from " : "no answer from ") << PortAndRate();
    if (tries > 0)
        m_err << " after " << tries << (tries == 1 ? " try" : " tries");
    // A device that answered this command before is on and at the right rate.
    if (answered > 0)
        m_err << "; it had answered " << answered << (answered == 1 ? " mail" : " mails")
              << " of this command before\n";
    else
        m_err << "; is the device on, and is the rate right (`--baud` sets it: 8600, 9600 or 115200)?\n";
    m_err.flush();
}

void TCliSession::NotConfirmed()
{
    m_err << "the write was not confirmed by the device on " << PortAndRate()
          << ": its read-back did not come or did not match\n";
    m_err.flush();
}

bool TCliSession::LastExchangeUnanswered() const
{
    if (!m_link || m_link->MailsSent() == 0)
        return false;
    const TMail& mail = m_link->Mail();
    return mail.RxCount <= (mail.EchoOn ? mail.TxLen : 0);
}

bool TCliSession::LinkLost() const { return m_link && !m_link->IsPortOpen(); }

void TCliSession::RequestStop()
{
    m_stopRequested = true;
    if (m_link)
        m_link->StopRequested = true;
}

int TCliSession::ComNumber() const
{
    if (m_options.com > 0)
        return m_options.com;
    const auto stored = TMachineSettings().ReadInteger(QStringLiteral("COMPORT"));
    return stored && *stored >= 1 && *stored <= 9 ? *stored : 1;
}

QString TCliSession::PortName() const
{
    return m_options.portPath.isEmpty() ? QStringLiteral("COM%1").arg(ComNumber()) : m_options.portPath;
}

TSendmail* TCliSession::OpenLink()
{
    m_link = std::make_unique<TSendmail>();
    m_link->ShowDialogs = false;
    m_link->StopRequested = m_stopRequested;
    const int com = ComNumber();
    if (!m_options.portPath.isEmpty())
        m_link->Port().PortMap().SetOverride(com, m_options.portPath);
    if (m_options.twoWire) {
        m_link->DisableEcho();
        m_link->SetEchoBack(true);
        m_link->PollInterval = 50;
        m_link->AnswerTimeout = 1000;
        m_link->GapTimeout = 500;
        m_link->ReadbackDelay = 10;
    }
    if (m_link->OpenPort(static_cast<std::uint8_t>(com), m_options.baud))
        return m_link.get();
    m_err << PortName() << ": This Serial Device is not Accessible!\n";
    const QString why = DescribeOpenFailure(m_link->Port().LastOpenFailure(), m_link->Port().DevicePath(),
                                            m_link->Port().LastOpenErrorText());
    if (!why.isEmpty())
        m_err << why << "\n";
    m_err.flush();
    return nullptr;
}

QString MessageAlone(const EProgramError& error)
{
    QString message = error.Message();
    if (const qsizetype unit = message.indexOf(QStringLiteral("\r\rUnit: ")); unit >= 0)
        message.truncate(unit);
    return message.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

#include "DeviceOperations.h"

#include "AssertionError.h"
#include "DeviceProbe.h"
#include "DialogsTranslation.h"
#include "PortDiagnosis.h"
#include "SndMail.h"
#include "TpaProComImpl.h"

TDeviceOperations::TDeviceOperations() : m_link(std::make_unique<TSendmail>())
{
    // The main window judges results itself; the link asks nothing.
    m_link->ShowDialogs = false;
    m_link->SetPresenter(this);
}

TDeviceOperations::~TDeviceOperations() = default;

TMailControl& TDeviceOperations::Link() { return Sendmail(); }

TSendmail& TDeviceOperations::Sendmail() { return *m_link; }

IPortChoice& TDeviceOperations::Choice() const
{
    if (!m_choice)
        throw EAssertionFailed(QStringLiteral("TDeviceOperations: no port choice!"));
    return *m_choice;
}

bool TDeviceOperations::ConnectionCheck()
{
    if (m_released)
        return false;
    if (Link().IsPortOpen())
        return true;
    return OpenDevicePort();
}

bool TDeviceOperations::OpenDevicePort()
{
    if (m_released)
        return false;
    TSendmail& link = Sendmail();
    IPortChoice& choice = Choice();
    link.StopRequested = false;
    const std::int32_t baud = BaudRateOfIndex(choice.BaudIndex());
    if (choice.TwoWire())
        ApplyTwoWireMode(link);
    bool opened = false;
    try {
        opened = link.OpenPort(static_cast<std::uint8_t>(choice.ComIndex() + 1), baud);
    }
    catch (...) {
        opened = false;
    }
    if (opened)
        return true;
    QString text = choice.ComText() + QStringLiteral(": ") + choice.NotAccessibleText();
    const QString why =
        DescribeOpenFailure(link.Port().LastOpenFailure(), link.Port().DevicePath(), link.Port().LastOpenErrorText());
    if (!why.isEmpty())
        text += QLatin1Char('\r') + why;
    MessageDlg(text, mtError, mbOK);
    return false;
}

bool TDeviceOperations::CloseDevicePort()
{
    IPortChoice& choice = Choice();
    choice.LockPortControls(true);
    struct TUnlock {
        IPortChoice& c;
        ~TUnlock() { c.LockPortControls(false); }
    } unlock{choice};
    return Link().ClosePort();
}

bool TDeviceOperations::DeviceAnswerCheck()
{
    if (m_released)
        return false;
    if (DeviceAnswers(Link()))
        return true;
    MessageDlg(Choice().CouldNotConnectText(), mtError, mbOK);
    return false;
}

bool TDeviceOperations::GuardDevice(const TDeviceDemand& demand)
{
    if (m_released)
        return false;
    const TDeviceGuardResult result = CheckDevice(Link(), demand);
    switch (result.outcome) {
    case DeviceGuardOutcome::Go:
        return true;
    case DeviceGuardOutcome::Stopped: // closing the window is no failure to report
        return false;
    case DeviceGuardOutcome::NoAnswer:
        MessageDlg(Choice().CouldNotConnectText(), mtError, mbOK);
        return false;
    case DeviceGuardOutcome::UnknownKind:
    case DeviceGuardOutcome::WrongKind:
        break;
    }
    MessageDlg(Choice().RefusalText(result, demand.kind.value_or(DeviceKind::Unknown)), mtError, mbOK);
    return false;
}

void TDeviceOperations::OperationRunningChanged(bool running)
{
    if (m_choice)
        m_choice->LockPortControls(running);
    if (!running && OnOperationEnded)
        OnOperationEnded();
}

void TDeviceOperations::OperationRefused()
{
    if (OnOperationRefused)
        OnOperationRefused();
}

void TDeviceOperations::ReleaseLink()
{
    if (m_released)
        return;
    m_released = true;
    m_link->StopRequested = true;
    m_link->ClosePort();
    TMailControl::FreeMonitor();
}

QString TDeviceOperations::DevicePath(int com) { return Sendmail().Port().PortMap().DevicePath(com); }

std::int32_t TDeviceOperations::BaudRateOfIndex(int index)
{
    switch (index) {
    case 0:
        return 8600;
    case 2:
    case 3:
        return 115200;
    default:
        return 9600;
    }
}

void TDeviceOperations::ApplyTwoWireMode(TMailControl& link)
{
    link.DisableEcho();
    link.SetEchoBack(true);
    link.PollInterval = 50;
    link.AnswerTimeout = 1000;
    link.GapTimeout = 500;
    link.ReadbackDelay = 10;
}

bool TDeviceOperations::ConfirmWarning(const QString& text) { return MessageDlg(text, mtWarning, mbOKCancel) == mrOk; }

void TDeviceOperations::ShowWarning(const QString& text) { MessageDlg(text, mtWarning, mbOK); }

#include "DefaultForm.h"

#include "ComponentClasses.h"
#include "DialogsTranslation.h"
#include "SndMail.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TDefaultForm::TDefaultForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DefaultForm"));
    setWindowTitle(QStringLiteral("Default Commands"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(303, 94);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* commands = new QHBoxLayout;
    layout->addLayout(commands);
    auto add = [&](const char* name, const char* caption, void (TDefaultForm::*handler)()) {
        auto* button = new TBitBtn(QLatin1String(caption), this);
        button->setObjectName(QLatin1String(name));
        // Enter must never send a command: only a click or Space on the button does.
        button->setAutoDefault(false);
        commands->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        return button;
    };
    bbtnDefaultPp = add("bbtnDefaultPp", "Handset", &TDefaultForm::bbtnDefaultPpClick);
    bbtnDefaultWrfp = add("bbtnDefaultWrfp", "Repeater", &TDefaultForm::bbtnDefaultWrfpClick);
    bbtnDefaultRfp = add("bbtnDefaultRfp", "Base", &TDefaultForm::bbtnDefaultRfpClick);
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    auto* closing = new QHBoxLayout;
    closing->addStretch(1);
    closing->addWidget(btnClose);
    layout->addLayout(closing);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    lblCouldNotConnect = AddHiddenLabel("lblCouldNotConnect", QStringLiteral("Could not connect to device!"));
    lblDeviceMustBeOn =
        AddHiddenLabel("lblDeviceMustBeOn", QStringLiteral("The device must be ON when sending default command."));
    lblCommandSent = AddHiddenLabel("lblCommandSent", QStringLiteral("Default Command sent to device!"));
    lblConfirmDefault = AddHiddenLabel(
        "lblConfirmDefault", QStringLiteral("Send the default command (%1) to the device on %2? What was set on it "
                                            "is replaced by the device's default settings."));
    lblWrongDevice = AddHiddenLabel(
        "lblWrongDevice",
        QStringLiteral("The device on %1 answered as %2; this default command is for %3. Nothing was sent."));
    lblKindUnknown = AddHiddenLabel("lblKindUnknown",
                                    QStringLiteral("The device on %1 answered, but its identity gave no valid answer; "
                                                   "its kind is unknown. Nothing was sent."));
    lblKindHandset = AddHiddenLabel("lblKindHandset", QStringLiteral("a handset"));
    lblKindRepeater = AddHiddenLabel("lblKindRepeater", QStringLiteral("a repeater"));
    lblKindBase = AddHiddenLabel("lblKindBase", QStringLiteral("a base (neither a handset nor a repeater)"));
}

TDefaultForm::~TDefaultForm()
{
    // A command still running holds the link; it ends without touching this window.
    FormClose();
}

QLabel* TDefaultForm::AddHiddenLabel(const char* name, const QString& caption)
{
    auto* label = new QLabel(caption, this);
    label->setObjectName(QLatin1String(name));
    label->hide();
    return label;
}

void TDefaultForm::bbtnDefaultPpClick() { SendDefault(TDefaultDevice::Handset); }

void TDefaultForm::bbtnDefaultWrfpClick() { SendDefault(TDefaultDevice::Repeater); }

void TDefaultForm::bbtnDefaultRfpClick() { SendDefault(TDefaultDevice::Base); }

void TDefaultForm::SetBusy(bool busy)
{
    for (QWidget* button : {bbtnDefaultPp, bbtnDefaultWrfp, bbtnDefaultRfp})
        button->setEnabled(!busy);
}

void TDefaultForm::SendDefault(TDefaultDevice device)
{
    if (Link)
        return;
    SetBusy(true);
    struct TIdle {
        TDefaultForm* form;
        ~TIdle() { form->SetBusy(false); }
    } idle{this};
    if (!Connect())
        return;
    if (!Guard(device)) {
        Disconnect();
        return;
    }
    const QPushButton* pressed = device == TDefaultDevice::Handset    ? bbtnDefaultPp
                                 : device == TDefaultDevice::Repeater ? bbtnDefaultWrfp
                                                                      : bbtnDefaultRfp;
    const QString question = lblConfirmDefault->text().arg(pressed->text().remove(QLatin1Char('&')), ComText());
    if (MessageDlg(question, mtConfirmation, mbYesNo, mbNo) != mrYes || Link->StopRequested) {
        Disconnect();
        return;
    }
    TDefaultCommand command(*Link);
    m_command = &command;
    const TDefaultCommand::TOutcome outcome = command.Run(device);
    m_command = nullptr;
    if (outcome == TDefaultCommand::TOutcome::NoAnswer || outcome == TDefaultCommand::TOutcome::Lost)
        MessageDlg(lblCouldNotConnect->text() + QStringLiteral("\r\r") + lblDeviceMustBeOn->text(), mtError, mbOK);
    Disconnect();
    if (outcome == TDefaultCommand::TOutcome::Sent)
        MessageDlg(lblCommandSent->text(), mtInformation, mbOK);
}

QString TDefaultForm::ComText() const { return QStringLiteral("COM%1").arg(m_choice ? m_choice->ComIndex() + 1 : 1); }

QString TDefaultForm::KindText(DeviceKind kind) const
{
    switch (kind) {
    case DeviceKind::Handset:
        return lblKindHandset->text();
    case DeviceKind::Repeater:
        return lblKindRepeater->text();
    case DeviceKind::Base:
    case DeviceKind::Unknown:
        break;
    }
    return lblKindBase->text();
}

bool TDefaultForm::Guard(TDefaultDevice device)
{
    const TDeviceDemand demand = DefaultCommandDemand(device);
    const TDeviceGuardResult result = CheckDevice(*Link, demand);
    switch (result.outcome) {
    case DeviceGuardOutcome::Go:
        return true;
    case DeviceGuardOutcome::Stopped:
        if (Link->StopRequested) // the window is closing
            return false;
        // A port that did not open: no device answered there.
        [[fallthrough]];
    case DeviceGuardOutcome::NoAnswer:
        MessageDlg(lblCouldNotConnect->text() + QStringLiteral("\r\r") + lblDeviceMustBeOn->text(), mtError, mbOK);
        return false;
    case DeviceGuardOutcome::UnknownKind:
        MessageDlg(lblKindUnknown->text().arg(ComText()), mtError, mbOK);
        return false;
    case DeviceGuardOutcome::WrongKind:
        break;
    }
    MessageDlg(lblWrongDevice->text().arg(ComText(), KindText(result.found), KindText(*demand.kind)), mtError, mbOK);
    return false;
}

bool TDefaultForm::Connect()
{
    try {
        Link = std::make_unique<TSendmail>();
        Link->ShowDialogs = false;
        const int com = m_choice ? m_choice->ComIndex() + 1 : 1;
        const int target = m_choice ? m_choice->TargetIndex() : -1;
        // A port that does not open shows up as no answer to the probe.
        (void)Link->OpenPort(static_cast<std::uint8_t>(com), DefaultCommandBaud(target));
        return true;
    }
    catch (...) {
        Disconnect();
        return false;
    }
}

void TDefaultForm::Disconnect()
{
    try {
        if (Link)
            Link->ClosePort();
    }
    catch (...) {
    }
    Link.reset();
}

void TDefaultForm::FormClose()
{
    // The handler of the running command ends it and lets its link go.
    if (m_command)
        m_command->Stop();
    else if (Link)
        Link->StopRequested = true; // the guard's probe and detection end too
}

void TDefaultForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    btnClose->setFocus();
}

void TDefaultForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void TDefaultForm::reject()
{
    FormClose();
    QDialog::reject();
}

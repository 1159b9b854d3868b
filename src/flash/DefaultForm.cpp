#include "DefaultForm.h"

#include "ComponentClasses.h"
#include "DialogsTranslation.h"
#include "SndMail.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>

TDefaultForm::TDefaultForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DefaultForm"));
    setWindowTitle(QStringLiteral("Default Commands"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(303, 94);
    setModal(true);
    auto* layout = new QHBoxLayout(this);
    auto add = [&](const char* name, const char* caption, void (TDefaultForm::*handler)()) {
        auto* button = new TBitBtn(QLatin1String(caption), this);
        button->setObjectName(QLatin1String(name));
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        return button;
    };
    bbtnDefaultPp = add("bbtnDefaultPp", "Handset", &TDefaultForm::bbtnDefaultPpClick);
    bbtnDefaultWrfp = add("bbtnDefaultWrfp", "Repeater", &TDefaultForm::bbtnDefaultWrfpClick);
    bbtnDefaultRfp = add("bbtnDefaultRfp", "Base", &TDefaultForm::bbtnDefaultRfpClick);
    lblCouldNotConnect = AddHiddenLabel("lblCouldNotConnect", QStringLiteral("Could not connect to device!"));
    lblDeviceMustBeOn =
        AddHiddenLabel("lblDeviceMustBeOn", QStringLiteral("The device must be ON when sending default command."));
    lblCommandSent = AddHiddenLabel("lblCommandSent", QStringLiteral("Default Command sent to device!"));
}

TDefaultForm::~TDefaultForm()
{
    // A command still running holds the link; it ends without touching this window.
    if (m_command)
        m_command->Stop();
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

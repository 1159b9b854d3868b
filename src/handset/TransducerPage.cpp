#include "TransducerPage.h"

#include "DeviceSession.h"
#include "DialogsTranslation.h"
#include "GainRules.h"
#include "HandsetDevice.h"
#include "SndMail.h"
#include "UiGuards.h"
#include "ui_TransducerPage.h"

TTransducerPage::TTransducerPage(IHandsetSession& session, const QLabel& successLabel, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TTransducerPage>()), m_session(session), m_successLabel(successLabel)
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("TransducerPage"));
    Button3 = m_ui->Button3;
    Button4 = m_ui->Button4;
    Label33 = m_ui->Label33;
    Label34 = m_ui->Label34;
    Label35 = m_ui->Label35;
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
}

TTransducerPage::~TTransducerPage() = default;

void TTransducerPage::Button3Click() { SetTransducer(TGainRules::kNewTransducer); }

void TTransducerPage::Button4Click() { SetTransducer(TGainRules::kOldTransducer); }

void TTransducerPage::SetTransducer(std::uint8_t value)
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    TWaitCursorGuard hourglass;
    TEnableGuard enable({Button3, Button4});
    if (!m_session.ConnectionCheck() || !m_session.GuardDevice(HandsetWriteDemand(THandsetWrite::Transducer)))
        return;
    switch (THandsetDevice(m_session.Link()).SetTransducer(value)) {
    case TTransducerOutcome::NoAnswer:
        ShowMessage(Label35->text());
        break;
    case TTransducerOutcome::AlreadySet:
        ShowMessage(Label34->text());
        break;
    case TTransducerOutcome::Written:
        ShowMessage(m_successLabel.text());
        break;
    case TTransducerOutcome::WriteFailed:
        ShowMessage(Label33->text());
        break;
    }
    m_session.CloseDevicePort();
}

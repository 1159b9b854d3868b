#include "HandsetIpeiPage.h"

#include "DeviceSession.h"
#include "HandsetDevice.h"
#include "PP_SerialNumber.h"
#include "SndMail.h"
#include "UiGuards.h"
#include "ui_HandsetIpeiPage.h"

THandsetIpeiPage::THandsetIpeiPage(IHandsetSession& session, const QLabel& readErrorLabel, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::THandsetIpeiPage>()), m_session(session),
      m_readErrorLabel(readErrorLabel)
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("HandsetIpeiPage"));
    btnSerialNo = m_ui->btnSerialNo;
    Label57 = m_ui->Label57;
    lblSerialNo = m_ui->lblSerialNo;
    connect(btnSerialNo, &QPushButton::clicked, this, [this] { btnSerialNoClick(); });
}

THandsetIpeiPage::~THandsetIpeiPage() = default;

void THandsetIpeiPage::btnSerialNoClick()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    TWaitCursorGuard hourglass;
    TEnableGuard enable({btnSerialNo});
    lblSerialNo->clear();
    if (!m_session.ConnectionCheck() || !m_session.DeviceAnswerCheck())
        return;
    const QString digits = THandsetDevice(m_session.Link()).ReadIdentityDigits();
    if (digits.size() < 10)
        lblSerialNo->setText(m_readErrorLabel.text());
    else
        lblSerialNo->setText(TPP_SerialNumber().HexToIpei(digits.left(10), false));
}

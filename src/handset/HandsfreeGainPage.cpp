#include "HandsfreeGainPage.h"

#include "DeviceSession.h"
#include "DialogsTranslation.h"
#include "GainRules.h"
#include "HandsetDevice.h"
#include "NumberConverting.h"
#include "SndMail.h"
#include "UiGuards.h"
#include "ui_HandsfreeGainPage.h"

#include <optional>

THandsfreeGainPage::THandsfreeGainPage(IHandsetSession& session, const QLabel& readErrorLabel, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::THandsfreeGainPage>()), m_session(session),
      m_readErrorLabel(readErrorLabel)
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("HandsfreeGainPage"));
    tbrHandsfreeLrsGain82XX = m_ui->tbrHandsfreeLrsGain82XX;
    tbrHandsfreeMicGain82XX = m_ui->tbrHandsfreeMicGain82XX;
    lblHandsfreeValueLsr = m_ui->lblHandsfreeValueLsr;
    lblHandsfreeValueMic = m_ui->lblHandsfreeValueMic;
    btnReadGain = m_ui->btnReadGain;
    btnWriteGain = m_ui->btnWriteGain;
    btnWriteDefaultGain = m_ui->btnWriteDefaultGain;
    lblHandset8240_8280_Info = m_ui->lblHandset8240_8280_Info;
    lblDefaultValuesWrittenToHandset = m_ui->lblDefaultValuesWrittenToHandset;
    lblCouldNotWriteToHandset = m_ui->lblCouldNotWriteToHandset;
    lblHandsetMustBe8240 = m_ui->lblHandsetMustBe8240;
    connect(tbrHandsfreeLrsGain82XX, &QSlider::valueChanged, this, [this] { tbrHandsfreeLrsGain82XXChange(); });
    connect(tbrHandsfreeMicGain82XX, &QSlider::valueChanged, this, [this] { tbrHandsfreeMicGain82XXChange(); });
    connect(btnReadGain, &QPushButton::clicked, this, [this] { btnReadGainClick(); });
    connect(btnWriteGain, &QPushButton::clicked, this, [this] { btnWriteGainClick(); });
    connect(btnWriteDefaultGain, &QPushButton::clicked, this, [this] { btnWriteDefaultGainClick(); });
}

THandsfreeGainPage::~THandsfreeGainPage() = default;

void THandsfreeGainPage::tbrHandsfreeLrsGain82XXChange()
{
    lblHandsfreeValueLsr->setText(HexDigit(static_cast<std::uint8_t>(tbrHandsfreeLrsGain82XX->value())));
}

void THandsfreeGainPage::tbrHandsfreeMicGain82XXChange()
{
    lblHandsfreeValueMic->setText(HexDigit(static_cast<std::uint8_t>(tbrHandsfreeMicGain82XX->value())));
}

void THandsfreeGainPage::btnReadGainClick() { Run(TAction::Read); }

void THandsfreeGainPage::btnWriteGainClick() { Run(TAction::Write); }

void THandsfreeGainPage::btnWriteDefaultGainClick() { Run(TAction::Reset); }

void THandsfreeGainPage::Run(TAction action)
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    TEnableGuard enable({btnReadGain, btnWriteGain, btnWriteDefaultGain});
    std::optional<TWaitCursorGuard> hourglass(std::in_place);
    if (!m_session.ConnectionCheck() || !m_session.DeviceAnswerCheck())
        return;
    THandsetDevice device(m_session.Link());
    switch (device.CheckHandsfreeModel()) {
    case THandsfreeModel::Qualifies:
        break;
    case THandsfreeModel::OtherModel:
        hourglass.reset();
        MessageDlg(lblHandsetMustBe8240->text(), mtError, mbOK);
        return;
    case THandsfreeModel::NoAnswer:
        hourglass.reset();
        ShowMessage(m_readErrorLabel.text());
        return;
    }
    switch (action) {
    case TAction::Read:
        if (const auto value = device.ReadHandsfreeGain()) {
            // A loudspeaker field above 7 stops the bar at its end.
            const TGainFields fields = TGainRules::Split(*value);
            tbrHandsfreeLrsGain82XX->setValue(fields.loudspeaker);
            tbrHandsfreeMicGain82XX->setValue(fields.microphone);
        }
        else {
            ShowMessage(m_readErrorLabel.text());
        }
        break;
    case TAction::Write:
        if (!device.WriteHandsfreeGain(
                TGainRules::Join(tbrHandsfreeLrsGain82XX->value(), tbrHandsfreeMicGain82XX->value())))
            MessageDlg(lblCouldNotWriteToHandset->text(), mtError, mbOK);
        break;
    case TAction::Reset:
        if (device.WriteHandsfreeGain(TGainRules::kHandsfreeDefault))
            MessageDlg(lblDefaultValuesWrittenToHandset->text(), mtInformation, mbOK);
        else
            MessageDlg(lblCouldNotWriteToHandset->text(), mtError, mbOK);
        break;
    }
}

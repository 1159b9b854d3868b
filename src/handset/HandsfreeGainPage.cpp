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
    lblGainValueWrittenToHandset = m_ui->lblGainValueWrittenToHandset;
    lblCouldNotWriteToHandset = m_ui->lblCouldNotWriteToHandset;
    lblHandsetMustBe8240 = m_ui->lblHandsetMustBe8240;
    connect(tbrHandsfreeLrsGain82XX, &QSlider::valueChanged, this, [this] { tbrHandsfreeLrsGain82XXChange(); });
    connect(tbrHandsfreeMicGain82XX, &QSlider::valueChanged, this, [this] { tbrHandsfreeMicGain82XXChange(); });
    connect(btnReadGain, &QPushButton::clicked, this, [this] { btnReadGainClick(); });
    connect(btnWriteGain, &QPushButton::clicked, this, [this] { btnWriteGainClick(); });
    connect(btnWriteDefaultGain, &QPushButton::clicked, this, [this] { btnWriteDefaultGainClick(); });
    btnWriteGain->setEnabled(false);
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

void THandsfreeGainPage::DeviceMayHaveChanged()
{
    // Bars set by hand before any read stay; they are written by no button.
    if (m_showsRead && !m_readMark.Current(m_session))
        Forget();
    btnWriteGain->setEnabled(m_readMark.Current(m_session));
}

void THandsfreeGainPage::Forget()
{
    m_readMark.Forget();
    m_showsRead = false;
    tbrHandsfreeLrsGain82XX->setValue(0);
    tbrHandsfreeMicGain82XX->setValue(0);
    lblHandsfreeValueLsr->clear();
    lblHandsfreeValueMic->clear();
}

void THandsfreeGainPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    DeviceMayHaveChanged();
}

void THandsfreeGainPage::ShowHeld(std::uint8_t value)
{
    m_readMark.Mark(m_session);
    m_showsRead = true;
    // A loudspeaker field above 7 stops the bar at its end.
    const TGainFields fields = TGainRules::Split(value);
    tbrHandsfreeLrsGain82XX->setValue(fields.loudspeaker);
    tbrHandsfreeMicGain82XX->setValue(fields.microphone);
    // Also when a bar did not move, its label shows its value.
    tbrHandsfreeLrsGain82XXChange();
    tbrHandsfreeMicGain82XXChange();
}

void THandsfreeGainPage::btnReadGainClick() { Run(TAction::Read); }

void THandsfreeGainPage::btnWriteGainClick() { Run(TAction::Write); }

void THandsfreeGainPage::btnWriteDefaultGainClick() { Run(TAction::Reset); }

void THandsfreeGainPage::Run(TAction action)
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    DeviceMayHaveChanged();
    {
        TEnableGuard enable({btnReadGain, btnWriteGain, btnWriteDefaultGain});
        RunOnDevice(action);
    }
    DeviceMayHaveChanged();
}

void THandsfreeGainPage::RunOnDevice(TAction action)
{
    // The bars came from a read of another device: nothing is written.
    if (action == TAction::Write && !m_readMark.Current(m_session))
        return;
    std::optional<TWaitCursorGuard> hourglass(std::in_place);
    if (!m_session.ConnectionCheck())
        return;
    if (action == TAction::Read ? !m_session.DeviceAnswerCheck()
                                : !m_session.GuardDevice(HandsetWriteDemand(THandsetWrite::HandsfreeGain)))
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
    if (action == TAction::Read) {
        if (const auto value = device.ReadHandsfreeGain())
            ShowHeld(*value);
        else
            ShowMessage(m_readErrorLabel.text());
        return;
    }
    const std::uint8_t value =
        action == TAction::Reset ? TGainRules::kHandsfreeDefault
                                 : TGainRules::Join(tbrHandsfreeLrsGain82XX->value(), tbrHandsfreeMicGain82XX->value());
    const bool written = device.WriteHandsfreeGain(value);
    // What the handset holds now, also after a write that failed.
    if (const auto held = device.ReadHandsfreeGain())
        ShowHeld(*held);
    hourglass.reset();
    if (!written)
        MessageDlg(lblCouldNotWriteToHandset->text(), mtError, mbOK);
    else if (action == TAction::Reset)
        MessageDlg(lblDefaultValuesWrittenToHandset->text(), mtInformation, mbOK);
    else
        MessageDlg(lblGainValueWrittenToHandset->text(), mtInformation, mbOK);
}

#include "InternalGainPage.h"

#include "DeviceSession.h"
#include "DialogsTranslation.h"
#include "GainRules.h"
#include "HandsetDevice.h"
#include "NumberConverting.h"
#include "SndMail.h"
#include "UiGuards.h"
#include "ui_InternalGainPage.h"

TInternalGainPage::TInternalGainPage(IHandsetSession& session, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TInternalGainPage>()), m_session(session)
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("InternalGainPage"));
    TrackBar1 = m_ui->TrackBar1;
    TrackBar2 = m_ui->TrackBar2;
    Label47 = m_ui->Label47;
    Label48 = m_ui->Label48;
    Label19 = m_ui->Label19;
    Label15 = m_ui->Label15;
    Label20 = m_ui->Label20;
    Button11 = m_ui->Button11;
    Button12 = m_ui->Button12;
    Button13 = m_ui->Button13;
    Button14 = m_ui->Button14;
    Label45 = m_ui->Label45;
    Label36 = m_ui->Label36;
    Label37 = m_ui->Label37;
    connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
    connect(TrackBar2, &QSlider::valueChanged, this, [this] { TrackBar2Change(); });
    connect(Button11, &QPushButton::clicked, this, [this] { Button11Click(); });
    connect(Button12, &QPushButton::clicked, this, [this] { Button12Click(); });
    connect(Button13, &QPushButton::clicked, this, [this] { Button13Click(); });
    connect(Button14, &QPushButton::clicked, this, [this] { Button14Click(); });
    UpdateWriteButtons();
}

TInternalGainPage::~TInternalGainPage() = default;

void TInternalGainPage::TrackBar1Change() { Label48->setText(HexDigit(static_cast<std::uint8_t>(TrackBar1->value()))); }

void TInternalGainPage::TrackBar2Change() { Label47->setText(HexDigit(static_cast<std::uint8_t>(TrackBar2->value()))); }

void TInternalGainPage::SetBars(std::uint8_t value)
{
    const TGainFields fields = TGainRules::Split(value);
    TrackBar1->setValue(fields.microphone);
    TrackBar2->setValue(fields.loudspeaker);
    // Also when a bar did not move, its label shows its value again.
    TrackBar1Change();
    TrackBar2Change();
}

void TInternalGainPage::Forget()
{
    m_readMark.Forget();
    m_showsRead = false;
    m_firstRead.reset();
    TrackBar1->setValue(0);
    TrackBar2->setValue(0);
    for (QLabel* label : {Label47, Label48, Label19, Label15, Label20})
        label->clear();
    UpdateWriteButtons();
}

void TInternalGainPage::UpdateWriteButtons()
{
    const bool read = m_readMark.Current(m_session);
    Button12->setEnabled(read);
    Button13->setEnabled(read && m_firstRead.has_value());
}

void TInternalGainPage::DeviceMayHaveChanged()
{
    // Bars set by hand before any read stay; they are written by no button.
    if (m_showsRead && !m_readMark.Current(m_session))
        Forget();
    UpdateWriteButtons();
}

void TInternalGainPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    DeviceMayHaveChanged();
}

void TInternalGainPage::Button11Click()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    DeviceMayHaveChanged();
    Label47->clear();
    Label48->clear();
    Label47->show();
    Label48->show();
    {
        TWaitCursorGuard hourglass;
        TEnableGuard enable({Button11, Button12, Button13, Button14});
        ReadGain();
    }
    UpdateWriteButtons();
}

void TInternalGainPage::ReadGain()
{
    if (!m_session.ConnectionCheck())
        return;
    const std::optional<std::uint8_t> value = THandsetDevice(m_session.Link()).ReadGain();
    if (!value) {
        ShowMessage(Label45->text());
        return;
    }
    m_readMark.Mark(m_session);
    m_showsRead = true;
    if (!m_firstRead)
        m_firstRead = *value;
    Label20->setText(ByteToHex(*m_firstRead));
    Label20->show();
    ShowHeld(*value, false);
}

void TInternalGainPage::ShowHeld(std::uint8_t value, bool twoDigits)
{
    const TGainFields fields = TGainRules::Split(value);
    const auto digits = [twoDigits](int field) {
        return twoDigits ? ByteToHex(static_cast<std::uint8_t>(field)) : HexDigit(static_cast<std::uint8_t>(field));
    };
    Label19->setText(digits(fields.loudspeaker));
    Label15->setText(digits(fields.microphone));
    Label19->show();
    Label15->show();
    SetBars(value);
}

void TInternalGainPage::WriteGainByte(std::uint8_t value, bool twoDigits)
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    {
        TWaitCursorGuard hourglass;
        TEnableGuard enable({Button11, Button12, Button13, Button14});
        // The value came from a read of another device: nothing is written.
        if (!m_readMark.Current(m_session) || !m_session.ConnectionCheck() ||
            !m_session.GuardDevice(HandsetWriteDemand(THandsetWrite::Gain)))
            return;
        THandsetDevice device(m_session.Link());
        const bool written = device.WriteGain(value);
        // What the handset holds now, also after a write that failed.
        if (const std::optional<std::uint8_t> held = device.ReadGain())
            ShowHeld(*held, twoDigits);
        else
            for (QLabel* label : {Label19, Label15})
                label->clear();
        ShowMessage(written ? Label36->text() : Label37->text());
        m_session.CloseDevicePort();
    }
    DeviceMayHaveChanged();
}

void TInternalGainPage::Button12Click()
{
    WriteGainByte(TGainRules::Join(TrackBar2->value(), TrackBar1->value()), false);
}

void TInternalGainPage::Button13Click()
{
    // Two digits each beside the bars here, unlike the other handlers.
    if (m_firstRead)
        WriteGainByte(*m_firstRead, true);
}

void TInternalGainPage::Button14Click()
{
    // Not while another page reads: its values would count as this handset's.
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    m_session.DeviceMayHaveChanged();
    Forget();
    emit HandsetReplaced();
}

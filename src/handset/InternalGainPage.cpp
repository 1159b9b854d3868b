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
    SetFirstRead(std::nullopt);
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

void TInternalGainPage::SetFirstRead(std::optional<std::uint8_t> value)
{
    m_firstRead = value;
    // Nothing to write back until something was read.
    Button13->setEnabled(m_firstRead.has_value());
}

void TInternalGainPage::Button11Click()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    Label47->clear();
    Label48->clear();
    Label47->show();
    Label48->show();
    {
        TWaitCursorGuard hourglass;
        TEnableGuard enable({Button11, Button12, Button13, Button14});
        ReadGain();
    }
    SetFirstRead(m_firstRead);
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
    if (!m_firstRead)
        m_firstRead = *value;
    const TGainFields fields = TGainRules::Split(*value);
    Label15->setText(HexDigit(static_cast<std::uint8_t>(fields.microphone)));
    Label19->setText(HexDigit(static_cast<std::uint8_t>(fields.loudspeaker)));
    Label20->setText(ByteToHex(*m_firstRead));
    for (QLabel* label : {Label15, Label19, Label20})
        label->show();
    SetBars(*value);
}

void TInternalGainPage::WriteGainByte(std::uint8_t value, const std::function<void(bool written)>& shown)
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    TWaitCursorGuard hourglass;
    TEnableGuard enable({Button11, Button12, Button13, Button14});
    if (!m_session.ConnectionCheck())
        return;
    const bool written = THandsetDevice(m_session.Link()).WriteGain(value);
    ShowMessage(written ? Label36->text() : Label37->text());
    shown(written);
    m_session.CloseDevicePort();
}

void TInternalGainPage::ShowFields(const QString& loudspeaker, const QString& microphone)
{
    Label19->setText(loudspeaker);
    Label15->setText(microphone);
    Label19->show();
    Label15->show();
}

void TInternalGainPage::Button12Click()
{
    const int loudspeaker = TrackBar2->value();
    const int microphone = TrackBar1->value();
    // What was meant to be written, whatever came of it.
    WriteGainByte(TGainRules::Join(loudspeaker, microphone), [&](bool) {
        ShowFields(HexDigit(static_cast<std::uint8_t>(loudspeaker)), HexDigit(static_cast<std::uint8_t>(microphone)));
    });
}

void TInternalGainPage::Button13Click()
{
    if (!m_firstRead)
        return;
    const std::uint8_t value = *m_firstRead;
    WriteGainByte(value, [&](bool written) {
        if (!written)
            return;
        const TGainFields fields = TGainRules::Split(value);
        // Two digits each here, unlike the other handlers.
        ShowFields(ByteToHex(static_cast<std::uint8_t>(fields.loudspeaker)),
                   ByteToHex(static_cast<std::uint8_t>(fields.microphone)));
        SetBars(value);
    });
}

void TInternalGainPage::Button14Click()
{
    SetFirstRead(std::nullopt);
    Label20->clear();
}

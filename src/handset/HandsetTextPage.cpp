#include "HandsetTextPage.h"

#include "DeviceSession.h"
#include "DialogsTranslation.h"
#include "HandsetDevice.h"
#include "SndMail.h"
#include "StartupText.h"
#include "TypingLimit.h"
#include "UiGuards.h"
#include "ui_HandsetTextPage.h"

THandsetTextPage::THandsetTextPage(IHandsetSession& session, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::THandsetTextPage>()), m_session(session)
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("HandsetTextPage"));
    CheckBox2 = m_ui->CheckBox2;
    Edit1 = m_ui->Edit1;
    Edit2 = m_ui->Edit2;
    Edit9 = m_ui->Edit9;
    Button1 = m_ui->Button1;
    Label27 = m_ui->Label27;
    Label28 = m_ui->Label28;
    Label29 = m_ui->Label29;
    lblCharacterNotStorable = m_ui->lblCharacterNotStorable;
    lblLineTooLong = m_ui->lblLineTooLong;
    lblNotThreeLineModel = m_ui->lblNotThreeLineModel;
    // No line is ever longer than 12; below that the typing limits rule.
    for (QLineEdit* edit : {Edit1, Edit2, Edit9})
        edit->setMaxLength(TStartupText::kLineLength);
    m_limit1 = new TTypingLimit(Edit1, TStartupText::kOneLineLength);
    m_limit2 = new TTypingLimit(Edit2, TStartupText::kOneLineLength);
    m_limit9 = new TTypingLimit(Edit9, TStartupText::kOneLineLength);
    connect(CheckBox2, &QCheckBox::clicked, this, [this] { CheckBox2Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

THandsetTextPage::~THandsetTextPage() = default;

int THandsetTextPage::MaxLength(const QLineEdit* edit) const
{
    if (edit == Edit1)
        return m_limit1->Limit();
    return edit == Edit2 ? m_limit2->Limit() : m_limit9->Limit();
}

void THandsetTextPage::CheckBox2Click()
{
    if (CheckBox2->isChecked()) {
        for (TTypingLimit* limit : {m_limit1, m_limit2, m_limit9})
            limit->SetLimit(TStartupText::kLineLength);
        Edit2->show();
        Edit9->show();
    }
    else {
        m_limit1->SetLimit(TStartupText::kOneLineLength);
        Edit2->hide();
        Edit9->hide();
    }
}

bool THandsetTextPage::Encode(bool threeLine, std::vector<TTextBlock>& blocks)
{
    // One line is Edit1 alone: the hidden edits keep what was typed for three.
    const QStringList lines =
        threeLine ? QStringList{Edit1->text(), Edit2->text(), Edit9->text()} : QStringList{Edit1->text()};
    TStartupText::TEncoded encoded = TStartupText::Encode(lines, threeLine);
    if (!encoded.refused) {
        blocks = std::move(encoded.blocks);
        return true;
    }
    const TTextRefusal& why = *encoded.refused;
    switch (why.reason) {
    case TTextRefusal::Reason::UnstorableCharacter:
        ShowMessage(lblCharacterNotStorable->text().arg(why.character).arg(why.line));
        break;
    case TTextRefusal::Reason::LineTooLong:
    case TTextRefusal::Reason::TooManyLines: // the page gives the layout's lines only
        ShowMessage(lblLineTooLong->text().arg(why.line).arg(why.length).arg(why.limit));
        break;
    }
    return false;
}

bool THandsetTextPage::LayoutConfirmed(const TTextLayoutDecision& decision)
{
    if (decision.verdict != WriteVerdict::Ask)
        return decision.Writes(false);
    return decision.Writes(MessageDlg(lblNotThreeLineModel->text(), mtWarning, mbYesNo, mbNo) == mrYes);
}

void THandsetTextPage::Button1Click()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    TWaitCursorGuard hourglass;
    // The text cannot change while the handset is asked and written.
    TEnableGuard enable({CheckBox2, Edit1, Edit2, Edit9, Button1});
    const bool threeLine = CheckBox2->isChecked();
    std::vector<TTextBlock> blocks;
    if (!Encode(threeLine, blocks))
        return;
    if (!m_session.ConnectionCheck() || !m_session.GuardDevice(HandsetWriteDemand(THandsetWrite::Text)))
        return;
    if (MessageDlg(Label27->text(), mtWarning, mbYesNo) == mrYes) {
        THandsetDevice device(m_session.Link());
        if (LayoutConfirmed(device.CheckTextLayout(threeLine))) {
            const bool written = device.WriteTextBlocks(blocks) == static_cast<int>(blocks.size());
            ShowMessage(written ? Label29->text() : Label28->text());
        }
    }
    m_session.CloseDevicePort();
}

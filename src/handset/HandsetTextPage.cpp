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

void THandsetTextPage::Button1Click()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    TWaitCursorGuard hourglass;
    // The text cannot change while the handset is asked and written.
    TEnableGuard enable({CheckBox2, Edit1, Edit2, Edit9, Button1});
    const bool threeLine = CheckBox2->isChecked();
    const TStartupText::TEncoded encoded =
        TStartupText::Encode({Edit1->text(), Edit2->text(), Edit9->text()}, threeLine);
    if (encoded.refused) {
        ShowMessage(lblCharacterNotStorable->text().arg(encoded.refused->character).arg(encoded.refused->line));
        return;
    }
    if (!m_session.ConnectionCheck() || !m_session.DeviceAnswerCheck())
        return;
    if (MessageDlg(Label27->text(), mtWarning, mbYesNo) == mrYes) {
        THandsetDevice device(m_session.Link());
        const bool written = device.WriteTextBlocks(encoded.blocks) == static_cast<int>(encoded.blocks.size());
        ShowMessage(written ? Label29->text() : Label28->text());
    }
    m_session.CloseDevicePort();
}

#include "RepeaterPage.h"

#include "AssertionError.h"
#include "DeviceDetection.h"
#include "DeviceSession.h"
#include "DialogsTranslation.h"
#include "SndMail.h"
#include "UiGuards.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

TRepeaterPage::TRepeaterPage(IDeviceSession& session, QWidget* parent) : QWidget(parent), m_session(session)
{
    setObjectName(QStringLiteral("RepeaterPage"));
    BuildControls();
    ConnectHandlers();
    SetRepeaterTypeGui(kMultiCellLayout);
}

void TRepeaterPage::ConnectHandlers()
{
    const struct {
        QLineEdit* edit;
        void (TRepeaterPage::*handler)();
    } edits[] = {
        {Edit3, &TRepeaterPage::Edit3Change},
        {Edit4, &TRepeaterPage::Edit4Change},
        {Edit5, &TRepeaterPage::Edit5Change},
        {Edit6, &TRepeaterPage::Edit6Change},
        {Edit7, &TRepeaterPage::Edit7Change},
        {Edit8, &TRepeaterPage::Edit8Change},
        {edtAltBaseToSyncOn, &TRepeaterPage::edtAltBaseToSyncOnChange},
        {edtAltRepeaterNumber, &TRepeaterPage::edtAltRepeaterNumberChange},
    };
    for (const auto& e : edits)
        connect(e.edit, &QLineEdit::textChanged, this, e.handler);
    connect(Button5, &QPushButton::clicked, this, &TRepeaterPage::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TRepeaterPage::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &TRepeaterPage::Button7Click);
    connect(Button8, &QPushButton::clicked, this, &TRepeaterPage::Button8Click);
}

void TRepeaterPage::ApplyMemoText(const QString& memoCaption) { Memo1->setPlainText(memoCaption); }

void TRepeaterPage::PrepareAfterDetection()
{
    ShowBusyBitHint(ZeroBlindSlot());
    ShowAltFields(AltSyncSupported());
}

void TRepeaterPage::SetRepeaterTypeGui(int mode)
{
    if (mode != kSingleCellLayout && mode != kMultiCellLayout)
        throw EAssertionFailed(QStringLiteral("SetRepeaterTypeGui: Value out of range!"));
    const bool multi = mode == kMultiCellLayout;
    m_layout = mode;
    Button8->setText(multi ? lblResidentielBase->text() : lblCCFPRepeater->text());
    Label3->setText(multi ? lblCCFP2700->text() : lblResideltielBaseDectQ700->text());
    const QString baseRange = multi ? lblDec0_255->text() : lblDec0_7->text();
    const QString repeaterRange = multi ? lblDec0_255->text() : lblDec2_7->text();
    lblBaseValues->setText(baseRange);
    lblAltBaseValues->setText(baseRange);
    lblRepeaterValues->setText(repeaterRange);
    lblAltRepeaterValues->setText(repeaterRange);
    m_codeLimit = multi ? 11 : 12;
    LimitCodeTyping();
}

// The layout's length binds typing only: a code already there keeps all its
// digits (and fails the check) instead of losing the last one unseen.
void TRepeaterPage::LimitCodeTyping()
{
    Edit3->setMaxLength(std::max(m_codeLimit, static_cast<int>(Edit3->text().size())));
}

int TRepeaterPage::GetRepeaterTypeGui() const { return m_layout; }

TRepeaterDevice TRepeaterPage::Device() { return TRepeaterDevice(m_session.Link()); }

bool TRepeaterPage::ZeroBlindSlot() { return Device().ZeroBlindSlot(); }

void TRepeaterPage::ShowBusyBitHint(bool fourAllowed)
{
    lblZeroBlindSlot->setVisible(fourAllowed);
    Label14->setVisible(!fourAllowed);
}

bool TRepeaterPage::AltSyncSupported() { return Device().AltSyncSupported(); }

void TRepeaterPage::ShowAltFields(bool visible)
{
    for (QWidget* w : std::initializer_list<QWidget*>{lblAltBaseToSync, lblAltRepeaterNumber, lblAltBaseValues,
                                                      lblAltRepeaterValues, edtAltBaseToSyncOn, edtAltRepeaterNumber})
        w->setVisible(visible);
}

// Its own setting, so that the answer does not depend on the page being on screen.
bool TRepeaterPage::AltFieldsShown() const { return !lblAltBaseToSync->isHidden(); }

std::uint8_t TRepeaterPage::ReadAltBase() { return Device().ReadAltBase(); }

std::uint8_t TRepeaterPage::ReadAltRepeater() { return Device().ReadAltRepeater(); }

void TRepeaterPage::WriteAltBase(int value) { Device().WriteAltBase(value); }

void TRepeaterPage::WriteAltRepeater(int value) { Device().WriteAltRepeater(value); }

bool TRepeaterPage::WriteCellsHex(std::uint16_t address, const QString& hexText, std::uint8_t count)
{
    return Device().WriteCellsHex(address, hexText, count);
}

const QLabel* TRepeaterPage::MessageLabel(RepeaterCheck check) const
{
    switch (check) {
    case RepeaterCheck::Ok:
        break;
    case RepeaterCheck::CodeNotValid:
        return lblCCFPCodeNotValid;
    case RepeaterCheck::BaseNotNumber:
        return lblBaseIsNotNumber;
    case RepeaterCheck::BaseNotInInterval:
        return lblBaseNotInInterval;
    case RepeaterCheck::AltBaseNotNumber:
        return lblAltBaseIsNotNumber;
    case RepeaterCheck::AltBaseNotInInterval:
        return lblAltBaseNotInInterval;
    case RepeaterCheck::AltRepeaterNotNumber:
        return lblAltWRFPNotInteger;
    case RepeaterCheck::AltRepeaterOutOfRange0To255:
        return lblAltRepeaterNoOutOfRange;
    case RepeaterCheck::AltRepeaterOutOfRange2To7:
        return lblAltRepeaterNumberOutOfRange;
    case RepeaterCheck::RepeaterNotNumber:
        return lblWRFPNotInteger;
    case RepeaterCheck::RepeaterOutOfRange0To255:
        return lblRepeaterNoOutOfRange;
    case RepeaterCheck::RepeaterOutOfRange2To7:
        return Label30;
    case RepeaterCheck::BusyBitOutOfRange:
        return lblBusyBitOutOfRange;
    case RepeaterCheck::BusyBitOutOfRange4:
        return lblBusyBitOutOfRange4;
    }
    return nullptr;
}

void TRepeaterPage::ShowInfo(const QLabel* label)
{
    if (label != nullptr)
        MessageDlg(label->text(), mtCustom, mbOK);
}

TRepeaterInput TRepeaterPage::Input() const
{
    return {Edit3->text(),
            Edit4->text(),
            Edit5->text(),
            Edit8->text(),
            edtAltBaseToSyncOn->text(),
            edtAltRepeaterNumber->text(),
            AltFieldsShown(),
            CheckBox1->isChecked()};
}

bool TRepeaterPage::ValidateRepeaterInput()
{
    const RepeaterCheck check = TRepeaterRules::Validate(
        GetRepeaterTypeGui(), Input(),
        [this] {
            const bool four = ZeroBlindSlot();
            ShowBusyBitHint(four);
            return four;
        },
        [this] { return !lblZeroBlindSlot->isHidden(); });
    ShowInfo(MessageLabel(check));
    return check == RepeaterCheck::Ok;
}

bool TRepeaterPage::AltBaseNumberGuiValid()
{
    const RepeaterCheck check = TRepeaterRules::CheckAltBase(GetRepeaterTypeGui(), edtAltBaseToSyncOn->text());
    ShowInfo(MessageLabel(check));
    return check == RepeaterCheck::Ok;
}

bool TRepeaterPage::AltRepeaterNumberGuiValid()
{
    const RepeaterCheck check = TRepeaterRules::CheckAltRepeater(GetRepeaterTypeGui(), edtAltRepeaterNumber->text());
    ShowInfo(MessageLabel(check));
    return check == RepeaterCheck::Ok;
}

QLineEdit* TRepeaterPage::FieldEdit(RepeaterField field) const
{
    return findChild<QLineEdit*>(QLatin1String(RepeaterSetting(field).edit));
}

void TRepeaterPage::SetChanged(QLineEdit* edit, bool changed)
{
    // Yellow only while the field can be edited; otherwise, and for the normal
    // colour, the style's own (greyed on a disabled page).
    QPalette p;
    if (changed)
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            p.setColor(group, QPalette::Base, QColor(Qt::yellow));
    edit->setPalette(p);
}

void TRepeaterPage::SetTextNormal(QLineEdit* edit, const QString& text)
{
    // A value the program puts in is shown as it is; only typing is filtered.
    m_filling = true;
    edit->setText(text);
    m_filling = false;
    SetChanged(edit, false);
}

void TRepeaterPage::ShowField(RepeaterField field, const QString& text) { SetTextNormal(FieldEdit(field), text); }

void TRepeaterPage::SetDebugBeep(bool on) { CheckBox1->setChecked(on); }

std::vector<QWidget*> TRepeaterPage::Buttons() const { return {Button5, Button6, Button7, Button8}; }

void TRepeaterPage::TabSheet4Enter()
{
    for (QLineEdit* e : {Edit3, Edit4, Edit5, Edit6, Edit7})
        SetTextNormal(e, QString());
    SetTextNormal(Edit8, QStringLiteral("2"));
}

void TRepeaterPage::Button7Click()
{
    for (QLineEdit* e : {Edit3, Edit4, Edit5, Edit6, Edit7, edtAltBaseToSyncOn, edtAltRepeaterNumber})
        SetTextNormal(e, QString());
    SetTextNormal(Edit8, QStringLiteral("2"));
}

void TRepeaterPage::Button8Click()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    TEnableGuard enable(Buttons());
    TWaitCursorGuard hourglass;
    if (GetRepeaterTypeGui() == kMultiCellLayout)
        SetRepeaterTypeGui(kSingleCellLayout);
    else {
        SetRepeaterTypeGui(kMultiCellLayout);
        CheckBox1->setVisible(true);
    }
    ShowBusyBitHint(ZeroBlindSlot());
}

void TRepeaterPage::Button5Click()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    TEnableGuard enable(Buttons());
    TWaitCursorGuard hourglass;
    if (!m_session.ConnectionCheck()) {
        for (QLineEdit* e : {Edit3, Edit4, Edit5, Edit8, Edit6, Edit7})
            SetTextNormal(e, QString());
        CheckBox1->setChecked(false);
        return;
    }
    const RepeaterType type = TDeviceDetector(m_session.Link()).ReadRepeaterType();
    if (!type.valid) {
        ShowInfo(lblNotDavoWRFP);
        return;
    }
    TRepeaterDevice device = Device();
    if (IsMultiCellType(type.type) && GetRepeaterTypeGui() == kMultiCellLayout) {
        device.ReadMultiCell(*this);
        CheckBox1->setVisible(true);
    }
    else
        device.ReadSingleCell(*this);
}

void TRepeaterPage::Button6Click()
{
    const TDeviceOperationScope operation(m_session);
    if (operation.Refused())
        return;
    TEnableGuard enable(Buttons());
    TWaitCursorGuard hourglass;
    if (!m_session.ConnectionCheck())
        return;
    // As 'repeater write' does: nothing goes into a device of another kind.
    TDeviceDemand demand;
    demand.kind = DeviceKind::Repeater;
    if (!m_session.GuardDevice(demand))
        return;
    const RepeaterType type = TDeviceDetector(m_session.Link()).ReadRepeaterType();
    if (!type.valid) {
        ShowInfo(Label32);
        return;
    }
    ShowAltFields(AltSyncSupported());
    if (AltFieldsShown()) {
        if (edtAltBaseToSyncOn->text().isEmpty())
            edtAltBaseToSyncOn->setText(QStringLiteral("255"));
        if (edtAltRepeaterNumber->text().isEmpty())
            edtAltRepeaterNumber->setText(QStringLiteral("255"));
    }
    if (!ValidateRepeaterInput())
        return;
    const int layout = GetRepeaterTypeGui();
    const TRepeaterLayoutDecision decision = TRepeaterRules::LayoutVerdict(layout, type.type);
    switch (decision.verdict) {
    case WriteVerdict::Write:
        break;
    case WriteVerdict::Refuse:
        ShowInfo(Label31);
        return;
    case WriteVerdict::Ask:
        if (MessageDlg(lblSingleCellOnMultiCell->text(), mtWarning, mbYesNo, mbNo) != mrYes)
            return;
        break;
    }
    TRepeaterDevice device = Device();
    const bool multiLayout = layout == kMultiCellLayout;
    const TRepeaterWriteResult result =
        multiLayout ? device.WriteMultiCell(Input(), *this) : device.WriteSingleCell(Input(), *this);
    // Closing the window stops the link; that is no failure to report.
    if (m_session.Link().StopRequested)
        return;
    if (!result.AllConfirmed()) {
        // The fields that were not written keep what was typed, for another try.
        MessageDlg(NotWrittenText(result), mtError, mbOK);
        return;
    }
    ShowInfo(lblWriteDone);
    // What the repeater holds now, read in the layout just written.
    if (multiLayout) {
        device.ReadMultiCell(*this);
        CheckBox1->setVisible(true);
    }
    else
        device.ReadSingleCell(*this);
}

QString TRepeaterPage::NotWrittenText(const TRepeaterWriteResult& result) const
{
    // Each setting by the caption in front of its field.
    const auto name = [](const QString& caption) {
        QString text = caption.trimmed();
        if (text.endsWith(QLatin1Char(':')))
            text.chop(1);
        return text.trimmed();
    };
    QStringList lines{lblWriteNotConfirmed->text()};
    for (RepeaterField field : result.fields)
        lines << name(FieldCaption(field)->text());
    if (result.debugBeep)
        lines << name(CheckBox1->text());
    if (result.fixedCells)
        lines << lblFixedCells->text();
    return lines.join(QLatin1Char('\r'));
}

const QLabel* TRepeaterPage::FieldCaption(RepeaterField field) const
{
    return findChild<QLabel*>(QLatin1String(RepeaterSetting(field).caption));
}

void TRepeaterPage::Edit3Change()
{
    SetChanged(Edit3, true);
    LimitCodeTyping();
}
void TRepeaterPage::Edit4Change() { SetChanged(Edit4, true); }
void TRepeaterPage::Edit5Change() { SetChanged(Edit5, true); }
void TRepeaterPage::Edit6Change() { SetChanged(Edit6, true); }
void TRepeaterPage::Edit7Change() { SetChanged(Edit7, true); }

void TRepeaterPage::Edit8Change()
{
    SetChanged(Edit8, true);
    if (!m_filling && !TRepeaterRules::BusyBitTextAllowed(Edit8->text(), !lblZeroBlindSlot->isHidden()))
        Edit8->clear();
}

void TRepeaterPage::edtAltBaseToSyncOnChange() { SetChanged(edtAltBaseToSyncOn, true); }
void TRepeaterPage::edtAltRepeaterNumberChange() { SetChanged(edtAltRepeaterNumber, true); }

// The controls of the "Repeater" page with their design names and captions.
#include "RepeaterPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QLabel* TRepeaterPage::MakeLabel(const char* name, const QString& caption, bool visible)
{
    auto* label = new QLabel(caption, this);
    label->setObjectName(QLatin1String(name));
    label->setVisible(visible);
    return label;
}

QLineEdit* TRepeaterPage::MakeEdit(const char* name, int maxLength)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(maxLength);
    return edit;
}

QLabel* TRepeaterPage::MakeMessageLabel(const char* name, const QString& caption)
{
    return MakeLabel(name, caption, false);
}

void TRepeaterPage::BuildControls()
{
    const QString assign = QStringLiteral("ASSIGN VALUES");
    Label3 = MakeLabel("Label3", QStringLiteral("Multi Cell Solution :"));
    Label6 = MakeLabel("Label6", QStringLiteral("OCTAL"));
    Edit3 = MakeEdit("Edit3", 11);
    Edit3->setFocusPolicy(Qt::ClickFocus);
    Label4 = MakeLabel("Label4", QStringLiteral("Base station to synchronize on :"));
    Edit4 = MakeEdit("Edit4", 3);
    lblBaseValues = MakeLabel("lblBaseValues", assign);
    Label5 = MakeLabel("Label5", QStringLiteral("Repeater number :"));
    Edit5 = MakeEdit("Edit5", 3);
    lblRepeaterValues = MakeLabel("lblRepeaterValues", assign);
    Label13 = MakeLabel("Label13", QStringLiteral("Number of channels to transfer (Busy Bit) :"));
    Edit8 = MakeEdit("Edit8", 1);
    Label14 = MakeLabel("Label14", QStringLiteral("Dec(1,2,3)"));
    lblZeroBlindSlot = MakeLabel("lblZeroBlindSlot", QStringLiteral("Dec(1,2,3,4)"), false);
    lblAltBaseToSync = MakeLabel("lblAltBaseToSync", QStringLiteral("Alt. base station to synchronize on :"));
    edtAltBaseToSyncOn = MakeEdit("edtAltBaseToSyncOn", 3);
    lblAltBaseValues = MakeLabel("lblAltBaseValues", assign);
    lblAltRepeaterNumber = MakeLabel("lblAltRepeaterNumber", QStringLiteral("Alt. repeater number :"));
    edtAltRepeaterNumber = MakeEdit("edtAltRepeaterNumber", 3);
    lblAltRepeaterValues = MakeLabel("lblAltRepeaterValues", assign);
    Edit6 = MakeEdit("Edit6", 32767);
    Edit6->setText(QStringLiteral("1"));
    Edit6->setVisible(false);
    Label9 = MakeLabel("Label9", QStringLiteral("Multibase :"), false);
    Label10 = MakeLabel("Label10", QStringLiteral("Dec(1,2,4,8,16,32,64,128,256)"), false);
    Edit7 = MakeEdit("Edit7", 32767);
    Edit7->setText(QStringLiteral("0"));
    Edit7->setVisible(false);
    Label11 = MakeLabel("Label11", QStringLiteral("Repeater Jump :"), false);
    Label12 = MakeLabel("Label12", QStringLiteral("Dec(0,1,2,3)"), false);
    CheckBox1 = new QCheckBox(QStringLiteral("Debug Bip"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    Button5 = button("Button5", QStringLiteral("Read from Repeater"));
    Button6 = button("Button6", QStringLiteral("Write to Repeater"));
    Button7 = button("Button7", QStringLiteral("New"));
    Button8 = button("Button8", QStringLiteral("Single Cell Solution"));
    Button8->setProperty("Tag", 1); // caption set at run time
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setStyleSheet(QStringLiteral("color: red;"));
    Memo1->setMaximumHeight(80);

    lblNotDavoWRFP =
        MakeMessageLabel("lblNotDavoWRFP", QStringLiteral("This is not a DAVO repeater, not able to read data !"));
    Label32 = MakeMessageLabel("Label32", QStringLiteral("This is not a Davo repeater, not able to write data !"));
    Label31 = MakeMessageLabel(
        "Label31",
        QStringLiteral("This is a Single Cell Solution repeater ! Change to the Single Cell Solution repeater page !"));
    const struct {
        QLabel** label;
        const char* name;
        RepeaterCheck check;
    } checks[] = {
        {&lblCCFPCodeNotValid, "lblCCFPCodeNotValid", RepeaterCheck::CodeNotValid},
        {&lblBaseNotInInterval, "lblBaseNotInInterval", RepeaterCheck::BaseNotInInterval},
        {&lblBaseIsNotNumber, "lblBaseIsNotNumber", RepeaterCheck::BaseNotNumber},
        {&lblRepeaterNoOutOfRange, "lblRepeaterNoOutOfRange", RepeaterCheck::RepeaterOutOfRange0To255},
        {&lblWRFPNotInteger, "lblWRFPNotInteger", RepeaterCheck::RepeaterNotNumber},
        {&Label30, "Label30", RepeaterCheck::RepeaterOutOfRange2To7},
        {&lblBusyBitOutOfRange, "lblBusyBitOutOfRange", RepeaterCheck::BusyBitOutOfRange},
        {&lblBusyBitOutOfRange4, "lblBusyBitOutOfRange4", RepeaterCheck::BusyBitOutOfRange4},
        {&lblAltBaseNotInInterval, "lblAltBaseNotInInterval", RepeaterCheck::AltBaseNotInInterval},
        {&lblAltBaseIsNotNumber, "lblAltBaseIsNotNumber", RepeaterCheck::AltBaseNotNumber},
        {&lblAltWRFPNotInteger, "lblAltWRFPNotInteger", RepeaterCheck::AltRepeaterNotNumber},
        {&lblAltRepeaterNoOutOfRange, "lblAltRepeaterNoOutOfRange", RepeaterCheck::AltRepeaterOutOfRange0To255},
        {&lblAltRepeaterNumberOutOfRange, "lblAltRepeaterNumberOutOfRange", RepeaterCheck::AltRepeaterOutOfRange2To7},
    };
    for (const auto& c : checks)
        *c.label = MakeMessageLabel(c.name, DefaultRepeaterMessage(c.check));

    lblWriteNotConfirmed = MakeMessageLabel(
        "lblWriteNotConfirmed", QStringLiteral("The repeater did not confirm these settings, they are not written:"));
    lblFixedCells = MakeMessageLabel("lblFixedCells", QStringLiteral("Fixed configuration cells"));
    lblWriteDone = MakeMessageLabel("lblWriteDone", QStringLiteral("The settings were written to the repeater."));
    lblSingleCellOnMultiCell = MakeMessageLabel(
        "lblSingleCellOnMultiCell",
        QStringLiteral("This is a Multi Cell Solution repeater ! The Single Cell Solution settings overwrite its MXS "
                       "code. Write them anyway ?"));

    lblResidentielBase = MakeMessageLabel("lblResidentielBase", QStringLiteral("Single Cell Solution"));
    lblCCFPRepeater = MakeMessageLabel("lblCCFPRepeater", QStringLiteral("Multi Cell Solution"));
    lblCCFP2700 = MakeMessageLabel("lblCCFP2700", QStringLiteral("Multi Cell Solution : "));
    lblResideltielBaseDectQ700 =
        MakeMessageLabel("lblResideltielBaseDectQ700", QStringLiteral("Single Cell Solution :"));
    lblDec0_255 = MakeMessageLabel("lblDec0_255", QStringLiteral("Dec (0-255)"));
    lblDec0_7 = MakeMessageLabel("lblDec0_7", QStringLiteral("Dec (0-7)"));
    lblDec2_7 = MakeMessageLabel("lblDec2_7", QStringLiteral("Dec (2-7)"));

    auto* grid = new QGridLayout;
    grid->addWidget(Label6, 0, 1);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(Edit3, 1, 1);
    const struct {
        QWidget* label;
        QWidget* edit;
        QWidget* hint;
    } rows[] = {
        {Label4, Edit4, lblBaseValues},
        {Label5, Edit5, lblRepeaterValues},
        {Label13, Edit8, Label14},
        {lblAltBaseToSync, edtAltBaseToSyncOn, lblAltBaseValues},
        {lblAltRepeaterNumber, edtAltRepeaterNumber, lblAltRepeaterValues},
        {Label9, Edit6, Label10},
        {Label11, Edit7, Label12},
    };
    int row = 2;
    for (const auto& r : rows) {
        grid->addWidget(r.label, row, 0);
        grid->addWidget(r.edit, row, 1);
        grid->addWidget(r.hint, row, 2);
        ++row;
    }
    grid->addWidget(lblZeroBlindSlot, 4, 2); // same place as Label14
    grid->addWidget(CheckBox1, row++, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Button5, Button6, Button7, Button8})
        buttons->addWidget(b);
    auto* page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addLayout(buttons);
    page->addWidget(Memo1);
    page->addStretch();
}

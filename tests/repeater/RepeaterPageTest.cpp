#include "RepeaterPage.h"
#include "AssertionError.h"
#include "ClosedSession.h"
#include "DeviceBackup.h"
#include "DeviceSession.h"
#include "LanguageFile.h"
#include "RepeaterFields.h"
#include "RepeaterSim.h"
#include "ScriptedDialogPresenter.h"
#include "SndMail.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

using tbtest::Cells;
using tbtest::TRepeaterSim;

namespace {

QStringList Args(const char* profile, QStringList more = {})
{
    return QStringList{QStringLiteral("--profile"), QString::fromLatin1(profile)} + more;
}

const QString kWritten = QStringLiteral("The settings were written to the repeater.");

bool IsYellow(const QLineEdit* e) { return e->palette().color(QPalette::Base) == QColor(Qt::yellow); }

class RepeaterPageOnSim : public ::testing::Test {
protected:
    void Start(const QStringList& args)
    {
        page.reset();
        sim = std::make_unique<TRepeaterSim>(args);
        ASSERT_TRUE(sim->Start()) << sim->Harness().errorString().toStdString();
        page = std::make_unique<TRepeaterPage>(sim->Session());
        page->SetRepeaterTypeGui(1);
        ASSERT_TRUE(sim->Session().ConnectionCheck());
        page->PrepareAfterDetection();
        page->TabSheet4Enter();
    }
    void Type(QLineEdit* edit, const QString& text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    void Fill(const char* code, const char* base, const char* repeater, const char* busy)
    {
        Type(page->Edit3, QString::fromLatin1(code));
        Type(page->Edit4, QString::fromLatin1(base));
        Type(page->Edit5, QString::fromLatin1(repeater));
        Type(page->Edit8, QString::fromLatin1(busy));
    }
    [[nodiscard]] QStringList Messages() const
    {
        QStringList texts;
        for (const auto& d : dialogs.Dialogs()) {
            EXPECT_EQ(d.caption, QStringLiteral("Info"));
            texts << d.text;
        }
        return texts;
    }

    TScriptedDialogPresenter dialogs;
    TScopedDialogPresenter useDialogs{dialogs};
    std::unique_ptr<TRepeaterSim> sim;
    std::unique_ptr<TRepeaterPage> page;
};

TEST_F(RepeaterPageOnSim, MultiCellCodeWrittenIntoItsCellsAndReadBack)
{
    Start(Args("repeater-multi", {"--type", "4"}));
    Fill("10000000040", "9", "7", "1");
    page->CheckBox1->setChecked(true);
    EXPECT_TRUE(IsYellow(page->Edit3));
    page->Button6Click();
    EXPECT_EQ(Messages(), QStringList{kWritten});
    EXPECT_FALSE(IsYellow(page->Edit3));
    EXPECT_FALSE(IsYellow(page->Edit8));

    page->Button7Click();
    EXPECT_EQ(page->Edit8->text(), "2");
    page->Button5Click();
    EXPECT_EQ(page->GetRepeaterTypeGui(), 1);
    EXPECT_EQ(page->Edit3->text(), "10000000040");
    EXPECT_EQ(page->Edit4->text(), "9");
    EXPECT_EQ(page->Edit5->text(), "7");
    EXPECT_EQ(page->Edit6->text(), "1");
    EXPECT_EQ(page->Edit7->text(), "0");
    EXPECT_EQ(page->Edit8->text(), "1");
    EXPECT_EQ(page->edtAltBaseToSyncOn->text(), "255");
    EXPECT_TRUE(page->CheckBox1->isChecked());
    EXPECT_FALSE(IsYellow(page->Edit3));

    const QByteArray image = sim->StopAndImage();
    EXPECT_EQ(Cells(image, 0x44, 5), "10 00 00 08 09");
    EXPECT_EQ(Cells(image, 0x02, 1), "07");
    EXPECT_EQ(Cells(image, 0x04, 2), "01 00");
    EXPECT_EQ(Cells(image, 0x11, 1), "87");
    EXPECT_EQ(sim->Writes(), (QStringList{"WRITE 0017 00 00 00 00 00 00 00 00", "WRITE 001F 00", "WRITE 0042 07",
                                          "WRITE 0044 10 00 00 08", "WRITE 0048 09", "WRITE 0002 07", "WRITE 0043 A8",
                                          "WRITE 0005 00", "WRITE 0004 01", "WRITE 0011 87"}));
}

TEST_F(RepeaterPageOnSim, UnsoundInputIsRefusedBeforeAnyCellIsWritten)
{
    Start(Args("repeater-multi", {"--alt-sync", "on"}));
    const QString codeNotValid = QStringLiteral("The MXS code is not valid !");
    const struct {
        const char* code;
        const char* base;
        const char* altBase;
        QString message;
    } cases[] = {
        {"1000000004", "5", "", codeNotValid},
        {"10000000041", "5", "", codeNotValid},
        {"10000000840", "5", "", codeNotValid},
        {"10090000040", "5", "", codeNotValid},
        {"30000000040", "5", "", codeNotValid},
        {"10000000040", "256", "3", QStringLiteral("The base is not in the interval !")},
        {"10000000040", "x", "3", QStringLiteral("The base number is not a number")},
        {"10000000040", "5", "256", QStringLiteral("The alt. base is not in the interval !")},
    };
    for (const auto& c : cases) {
        dialogs.Clear();
        Fill(c.code, c.base, "2", "3");
        Type(page->edtAltBaseToSyncOn, QString::fromLatin1(c.altBase));
        Type(page->edtAltRepeaterNumber, QStringLiteral("4"));
        page->Button6Click();
        EXPECT_EQ(Messages(), QStringList{c.message}) << c.code << " " << c.base;
        EXPECT_TRUE(IsYellow(page->Edit3));
    }
    sim->StopAndImage();
    EXPECT_TRUE(sim->Writes().isEmpty()) << sim->Writes().join('|').toStdString();
}

TEST_F(RepeaterPageOnSim, SingleCellCodeWithBaseWrittenAndReadBack)
{
    // A single-cell type of the 34..41 class, image still holding a multi-cell code.
    Start(Args("repeater-multi", {"--type", "35"}));
    page->Button5Click(); // switches to the single-cell layout
    ASSERT_EQ(page->GetRepeaterTypeGui(), 0);
    Fill("000000000017", "5", "3", "2");
    page->Button6Click();
    EXPECT_EQ(Messages(), QStringList{kWritten});
    page->Button7Click();
    page->Button5Click();
    EXPECT_EQ(page->Edit3->text(), "000000000017");
    EXPECT_EQ(page->Edit4->text(), "5");
    EXPECT_EQ(page->Edit5->text(), "3");
    EXPECT_EQ(page->Edit8->text(), "2");

    const QByteArray image = sim->StopAndImage();
    EXPECT_EQ(Cells(image, 0x44, 5), "00 00 00 00 7D");
    EXPECT_EQ(sim->Writes(), (QStringList{"WRITE 0017 00 00 00 00 00 00 00 00", "WRITE 001F 00", "WRITE 0011 07",
                                          "WRITE 0044 00 00 00 00 7D", "WRITE 0002 03", "WRITE 0043 A8",
                                          "WRITE 0042 07", "WRITE 0004 02"}));
}

TEST_F(RepeaterPageOnSim, TypeSixReadFromTheMultiCellLayoutSwitchesLayout)
{
    Start(Args("repeater-single"));
    ASSERT_EQ(page->GetRepeaterTypeGui(), 1);
    page->Button5Click();
    EXPECT_EQ(page->GetRepeaterTypeGui(), 0);
    EXPECT_EQ(page->Label3->text(), "Single Cell Solution :");
    EXPECT_EQ(page->Button8->text(), "Multi Cell Solution");
    EXPECT_EQ(page->lblRepeaterValues->text(), "Dec (2-7)");
    EXPECT_EQ(page->Edit3->maxLength(), 12);
    EXPECT_EQ(page->Edit3->text(), "000000000017");
    EXPECT_EQ(page->Edit4->text(), "5");
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(RepeaterPageOnSim, SingleCellRepeaterIsNotWrittenFromTheMultiCellLayout)
{
    Start(Args("repeater-single"));
    Fill("10000000040", "5", "2", "3");
    page->Button6Click();
    EXPECT_EQ(Messages(), QStringList{"This is a Single Cell Solution repeater ! Change to the Single Cell Solution "
                                      "repeater page !"});
    sim->StopAndImage();
    EXPECT_TRUE(sim->Writes().isEmpty());
}

TEST_F(RepeaterPageOnSim, BusyBitFourOnlyWithTheZeroBlindSlot)
{
    Start(Args("repeater-multi"));
    EXPECT_FALSE(page->Label14->isHidden());
    Type(page->Edit8, QStringLiteral("4"));
    EXPECT_EQ(page->Edit8->text(), "");
    sim->StopAndImage();

    Start(Args("repeater-multi", {"--busy-hint", "on"}));
    EXPECT_FALSE(page->lblZeroBlindSlot->isHidden());
    EXPECT_TRUE(page->Label14->isHidden());
    Fill("10000000040", "5", "2", "4");
    EXPECT_EQ(page->Edit8->text(), "4");
    page->Button6Click();
    EXPECT_EQ(Messages(), QStringList{kWritten});
    const QByteArray image = sim->StopAndImage();
    EXPECT_EQ(Cells(image, 0x04, 1), "04");
}

TEST_F(RepeaterPageOnSim, EmptyAlternativesBecome255InBothLayouts)
{
    for (const char* profile : {"repeater-multi", "repeater-single"}) {
        Start(Args(profile, {"--alt-sync", "on"}));
        dialogs.Clear();
        const bool single = QLatin1String(profile) == QLatin1String("repeater-single");
        if (single) {
            page->Button8Click();
            Fill("000000000017", "5", "3", "2");
        }
        else
            Fill("10000000040", "5", "2", "3");
        EXPECT_TRUE(page->AltFieldsShown());
        page->Button6Click();
        EXPECT_EQ(Messages(), QStringList{kWritten}) << profile;
        EXPECT_EQ(page->edtAltBaseToSyncOn->text(), "255");
        EXPECT_EQ(page->edtAltRepeaterNumber->text(), "255");
        EXPECT_FALSE(IsYellow(page->edtAltBaseToSyncOn));
        const QByteArray image = sim->StopAndImage();
        EXPECT_EQ(Cells(image, 0x34, 2), "FF FF");
        const QStringList writes = sim->Writes();
        const int alt = static_cast<int>(writes.indexOf("WRITE 0034 FF"));
        ASSERT_GE(alt, 0) << profile;
        EXPECT_EQ(writes.value(alt + 1), "WRITE 0035 FF");
        // Multi-cell: after the base number; single-cell: after the fixed cell.
        EXPECT_EQ(writes.value(alt - 1), single ? "WRITE 0042 07" : "WRITE 0048 05");
    }
}

TEST_F(RepeaterPageOnSim, AlternativeFieldsHiddenWithoutAltSync)
{
    Start(Args("repeater-multi"));
    EXPECT_FALSE(page->AltFieldsShown());
    for (QWidget* w : std::initializer_list<QWidget*>{page->lblAltRepeaterNumber, page->edtAltBaseToSyncOn,
                                                      page->lblAltBaseValues, page->lblAltRepeaterValues})
        EXPECT_TRUE(w->isHidden());
}

TEST_F(RepeaterPageOnSim, HandsetIsNotARepeater)
{
    Start(Args("handset"));
    page->Button5Click();
    page->Button6Click(); // refused by the device guard, which this session words with silence
    EXPECT_EQ(Messages(), (QStringList{"This is not a DAVO repeater, not able to read data !"}));
    sim->StopAndImage();
    EXPECT_TRUE(sim->Writes().isEmpty());
}

} // namespace

namespace {

QByteArray SourceFile(const char* path)
{
    QFile file(QStringLiteral(TUNEBENCH_SOURCE_DIR "/") + QLatin1String(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    return file.readAll();
}

// Each setting is one row of RepeaterFields: the page, the backup, the
// command line's manual and the user guide must all know it.
TEST(RepeaterFields, EveryFieldIsOnThePageInTheBackupAndDocumented)
{
    tbtest::TClosedSession session;
    TRepeaterPage page(session);
    const std::vector<TCellRun> backup = ProgramCells(DeviceKind::Repeater);
    const QByteArray manual = SourceFile("packaging/tunebench-cli.h2m");
    const QByteArray guide = SourceFile("docs/user-guide.md");
    for (const TRepeaterSetting& setting : RepeaterFields()) {
        EXPECT_NE(page.findChild<QLineEdit*>(QLatin1String(setting.edit)), nullptr) << setting.name;
        EXPECT_NE(page.findChild<QLabel*>(QLatin1String(setting.caption)), nullptr) << setting.name;
        for (const TRepeaterFieldLayout* in : {&setting.multi, &setting.single})
            for (int cell = in->cell; cell < in->cell + in->cells; ++cell)
                EXPECT_TRUE(std::any_of(backup.begin(), backup.end(),
                                        [&](const TCellRun& run) { return cell >= run.address && cell <= run.Last(); }))
                    << setting.name << " cell " << cell;
        EXPECT_TRUE(manual.contains(QByteArray("\"") + setting.name + "\":"))
            << setting.name << " in the manual's JSON";
        const bool typed = setting.use == TRepeaterSetting::TUse::Typed;
        EXPECT_TRUE(!typed || guide.contains(QByteArray("--") + setting.name)) << setting.name << " in the guide";
    }
}

} // namespace

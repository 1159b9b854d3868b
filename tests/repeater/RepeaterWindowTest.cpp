// The repeater page inside the real main window, on a simulated repeater found
// by "Set Comport".
#include "CommunicationsPage.h"
#include "RadioGroup.h"
#include "RepeaterPage.h"
#include "TabSheet.h"
#include "app/MainWindowFixture.h"
#include "support/SimHarness.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

namespace {

using tbtest::SimHarness;

class RepeaterWindowTest : public tbtest::MainWindowFixture {
protected:
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        if (m_sim)
            m_sim->stop();
        qunsetenv("TUNEBENCH_COM1");
    }
    // The window on a simulated repeater, detected, with the repeater page shown.
    TRepeaterPage& StartOnRepeater(const QStringList& simArguments)
    {
        m_sim = std::make_unique<SimHarness>(simArguments);
        EXPECT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
        qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
        TForm1& form = Start();
        form.Communications->Button2Click();
        EXPECT_EQ(form.PanelText(1), "Repeater Connected");
        form.PageControl1->SetActivePage(form.TabSheet4);
        return *form.RepeaterPage;
    }
    static void Type(QLineEdit* edit, const QString& text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    static bool IsYellow(const QLineEdit* edit) { return edit->palette().color(QPalette::Base) == QColor(Qt::yellow); }

    std::unique_ptr<SimHarness> m_sim;
};

TEST_F(RepeaterWindowTest, LayoutSwitchKeepsEveryDigitOfTheCode)
{
    TRepeaterPage& page = StartOnRepeater({"--profile", "repeater-single"});
    QTest::mouseClick(page.Button8, Qt::LeftButton);
    ASSERT_EQ(page.GetRepeaterTypeGui(), 0);
    Type(page.Edit3, QStringLiteral("712345670123"));
    QTest::mouseClick(page.Button8, Qt::LeftButton);
    // Twelve digits in the multi-cell layout: kept, and no further digit typed.
    EXPECT_EQ(page.Edit3->text(), "712345670123");
    QTest::keyClicks(page.Edit3, QStringLiteral("4"));
    EXPECT_EQ(page.Edit3->text(), "712345670123");
    QTest::mouseClick(page.Button8, Qt::LeftButton);
    EXPECT_EQ(page.Edit3->text(), "712345670123");
}

TEST_F(RepeaterWindowTest, WritesTheRepeaterDidNotConfirmStayYellowAndAreNamed)
{
    // The code (0044h-0047h) and the base (0048h) refuse writes.
    TRepeaterPage& page = StartOnRepeater({"--profile", "repeater-multi", "--protect", "0044-0048"});
    m_form->Operations().Link().MaxWriteAttempts = 1;
    Type(page.Edit3, QStringLiteral("10000000100"));
    Type(page.Edit4, QStringLiteral("7"));
    Type(page.Edit5, QStringLiteral("9"));
    Type(page.Edit8, QStringLiteral("1"));
    QTest::mouseClick(page.Button6, Qt::LeftButton);
    EXPECT_TRUE(IsYellow(page.Edit3));
    EXPECT_TRUE(IsYellow(page.Edit4));
    EXPECT_FALSE(IsYellow(page.Edit5));
    EXPECT_FALSE(IsYellow(page.Edit8));
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().type, mtError);
    EXPECT_EQ(
        m_dialogs.Last().text.split(QLatin1Char('\r')),
        QStringList({page.lblWriteNotConfirmed->text(), "Multi Cell Solution", "Base station to synchronize on"}));
    EXPECT_EQ(m_sim->logLines().filter(QStringLiteral("REFUSED WRITE")).size(), 2);
}

// The single-cell cells would overwrite a multi-cell repeater's code: written
// only when the technician says Yes to the question, whose default is No.
TEST_F(RepeaterWindowTest, SingleCellLayoutOnAMultiCellRepeaterAsksFirst)
{
    TRepeaterPage& page = StartOnRepeater({"--profile", "repeater-multi"});
    QTest::mouseClick(page.Button5, Qt::LeftButton);
    ASSERT_EQ(page.GetRepeaterTypeGui(), 1);
    QTest::mouseClick(page.Button8, Qt::LeftButton);
    Type(page.Edit3, QStringLiteral("17"));
    Type(page.Edit4, QStringLiteral("1"));
    Type(page.Edit5, QStringLiteral("2"));
    Type(page.Edit8, QStringLiteral("3"));
    QTest::mouseClick(page.Button6, Qt::LeftButton);
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, page.lblSingleCellOnMultiCell->text());
    EXPECT_EQ(m_dialogs.Last().defaultButton, "No");
    EXPECT_EQ(m_dialogs.Last().result, mrNo);
    EXPECT_TRUE(IsYellow(page.Edit3));

    m_dialogs.Answer(mrYes);
    QTest::mouseClick(page.Button6, Qt::LeftButton);
    EXPECT_EQ(m_dialogs.Count(), 3u); // the question, then the write's message
    EXPECT_EQ(m_dialogs.Last().text, page.lblWriteDone->text());
    m_form.reset();
    ASSERT_TRUE(m_sim->stop());
    // Written once: the answer No sent nothing.
    EXPECT_EQ(m_sim->writeLines(), (QStringList{"WRITE 0017 00 00 00 00 00 00 00 00", "WRITE 001F 00", "WRITE 0011 07",
                                                "WRITE 0044 00 00 00 00 79", "WRITE 0002 02", "WRITE 0043 A8",
                                                "WRITE 0042 07", "WRITE 0004 03"}));
}

// A write ends with its message and the fields as the repeater now holds them.
TEST_F(RepeaterWindowTest, WriteSaysSoAndShowsWhatTheRepeaterHolds)
{
    TRepeaterPage& page = StartOnRepeater({"--profile", "repeater-multi"});
    QTest::mouseClick(page.Button5, Qt::LeftButton);
    Type(page.Edit5, QStringLiteral("007"));
    QTest::mouseClick(page.Button6, Qt::LeftButton);
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "The settings were written to the repeater.");
    EXPECT_EQ(page.Edit5->text(), "7");
    EXPECT_EQ(page.Edit3->text(), "10000000040");
    EXPECT_FALSE(IsYellow(page.Edit5));
}

TEST_F(RepeaterWindowTest, DisabledPageGreysItsEdits)
{
    TRepeaterPage& page = StartOnRepeater({"--profile", "repeater-multi", "--alt-sync", "on"});
    Type(page.Edit4, QStringLiteral("7"));
    ASSERT_TRUE(IsYellow(page.Edit4));
    // Nothing answers at 115200 baud: the repeater page is disabled.
    m_form->Communications->rgBaudrate->SetItemIndex(2);
    m_form->Communications->Button2Click();
    ASSERT_FALSE(m_form->TabSheet4->isEnabled());
    QLineEdit plain;
    const QColor greyed = plain.palette().color(QPalette::Disabled, QPalette::Base);
    ASSERT_NE(greyed, plain.palette().color(QPalette::Active, QPalette::Base));
    for (QLineEdit* edit : {page.Edit3, page.Edit4, page.Edit5, page.Edit8, page.edtAltBaseToSyncOn})
        EXPECT_EQ(edit->palette().color(QPalette::Disabled, QPalette::Base), greyed)
            << edit->objectName().toStdString();
}

} // namespace

// The page on a session whose port cannot be opened.
#include "AssertionError.h"
#include "ClosedSession.h"
#include "DeviceSession.h"
#include "LanguageFile.h"
#include "RepeaterPage.h"
#include "SndMail.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using tbtest::TClosedSession;

TEST(RepeaterPage, LayoutSwitchAndInternalChecks)
{
    TClosedSession session;
    QWidget window;
    window.setObjectName(QStringLiteral("Form1"));
    auto& page = *new TRepeaterPage(session, &window);
    // A translation that gives both layouts' captions one text changes no layout.
    QTemporaryDir folder;
    QFile lng(folder.filePath(QStringLiteral("Same.lng")));
    ASSERT_TRUE(lng.open(QIODevice::WriteOnly));
    lng.write("[Form1]\r\nlblCCFP2700.Caption=Same\r\nlblResideltielBaseDectQ700.Caption=Same\r\n");
    lng.close();
    ASSERT_TRUE(ApplyLanguage(QStringLiteral("Same"), window, {folder.path() + QLatin1Char('/')}));
    EXPECT_EQ(page.GetRepeaterTypeGui(), 1);
    EXPECT_EQ(page.lblBaseValues->text(), "Dec (0-255)");
    EXPECT_EQ(page.Button8->text(), "Single Cell Solution");
    page.ShowBusyBitHint(true);
    page.Button8Click(); // the closed port answers nothing: "Dec(1,2,3)"
    EXPECT_EQ(page.GetRepeaterTypeGui(), 0);
    EXPECT_EQ(page.lblAltBaseValues->text(), "Dec (0-7)");
    EXPECT_FALSE(page.Label14->isHidden());
    EXPECT_TRUE(page.lblZeroBlindSlot->isHidden());
    try {
        page.SetRepeaterTypeGui(2);
        FAIL();
    }
    catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), "SetRepeaterTypeGui: Value out of range!");
    }
    EXPECT_EQ(page.GetRepeaterTypeGui(), 0);

    page.Edit3->setText(QStringLiteral("123"));
    page.CheckBox1->setChecked(true);
    page.Button5Click(); // connection check fails: the fields are emptied
    EXPECT_EQ(page.Edit3->text(), "");
    EXPECT_FALSE(page.CheckBox1->isChecked());

    page.ApplyMemoText(QStringLiteral("warning"));
    EXPECT_EQ(page.Memo1->toPlainText(), "warning");
}

} // namespace

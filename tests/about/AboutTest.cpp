#include "About.h"
#include "BuildInfo.h"
#include "HelpWindow.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {

// Value labels of the window, top to bottom: "<key>@<y>".
QStringList Rows(const QDialog& dialog)
{
    QList<QLabel*> values;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->objectName().endsWith(QLatin1String("Value")))
            values << label;
    std::stable_sort(values.begin(), values.end(), [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
    QStringList rows;
    for (QLabel* label : values)
        rows << label->objectName().chopped(5) + QLatin1Char('@') + QString::number(label->y());
    return rows;
}

TEST(About, TheMainWindowsBitsShowThreeRowsInTheirOrder)
{
    TAbout about;
    about.ShowFields = TAbout::kMainWindowRows;
    const auto dialog = about.BuildDialog(nullptr, 15);
    EXPECT_EQ(Rows(*dialog).join(QLatin1Char(' ')), QStringLiteral("ProductVersion@15 FileVersion@30 BuildTime@45"));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("ProductVersionValue"))->text(),
              QLatin1String(BuildInfo().version));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("FileVersionCaption"))->text(), QStringLiteral("File Version"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("About"));
    // OK two steps below the last row, the window four steps below that.
    const auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("OK"));
    EXPECT_EQ(ok->y(), 75);
    EXPECT_EQ(dialog->height(), 135);
    EXPECT_LE(std::abs(ok->x() + ok->width() / 2 - dialog->width() / 2), 1);
}

TEST(About, TheMainWindowsAboutNamesTheProductAndItsCopyright)
{
    TAbout about;
    about.ShowFields = TAbout::kNamedMainWindowRows;
    const auto dialog = about.BuildDialog(nullptr, 15);
    EXPECT_EQ(Rows(*dialog).join(QLatin1Char(' ')),
              QStringLiteral("ProductName@15 ProductVersion@30 FileVersion@45 BuildTime@60 LegalCopyright@75"));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("ProductNameValue"))->text(), QStringLiteral("Tunebench"));
    EXPECT_TRUE(dialog->findChild<QLabel*>(QStringLiteral("LegalCopyrightValue"))->text().startsWith("Copyright"));
}

TEST(About, TheAllBitShowsEveryRowAndOnlyTheProductNameIsBold)
{
    TAbout about;
    about.ShowFields = TAbout::kAllRows;
    const auto dialog = about.BuildDialog(nullptr, 15);
    EXPECT_EQ(about.ShowFields, 0x7FFF);
    const QStringList rows = Rows(*dialog);
    ASSERT_EQ(rows.size(), kAboutRowCount);
    for (int i = 0; i < kAboutRowCount; ++i) {
        const QString key = QLatin1String(AboutRowKey(static_cast<TAboutRow>(i)));
        EXPECT_TRUE(rows[i].startsWith(key + QLatin1Char('@'))) << rows[i].toStdString();
        EXPECT_EQ(dialog->findChild<QLabel*>(key + QStringLiteral("Value"))->font().bold(), i == arProductName);
    }
    // The E-mail row stands two steps below the one before it.
    EXPECT_TRUE(rows[arEMail].endsWith(QStringLiteral("@210"))) << rows[arEMail].toStdString();
    EXPECT_TRUE(rows[arHomePage].endsWith(QStringLiteral("@225")));
}

TEST(About, MailAndHomePageAloneTakeOneStepEach)
{
    TAbout about;
    about.ShowFields = AboutRowBit(arEMail) | AboutRowBit(arHomePage);
    EXPECT_EQ(Rows(*about.BuildDialog(nullptr, 19)).join(QLatin1Char(' ')), QStringLiteral("EMail@19 HomePage@38"));
    about.ShowFields = AboutRowBit(arCompanyName) | AboutRowBit(arHomePage);
    EXPECT_EQ(Rows(*about.BuildDialog(nullptr, 15)).join(QLatin1Char(' ')),
              QStringLiteral("CompanyName@15 HomePage@45"));
}

TEST(About, RowStepScalesAboveNinetySixDotsPerInch)
{
    for (auto [dpi, step] : {std::pair{72, 15}, {96, 15}, {120, 19}, {144, 22}, {160, 25}, {192, 30}})
        EXPECT_EQ(TAbout::RowStep(dpi), step) << dpi;
}

TEST(About, MailLinkNamesTheProductAndItsVersion)
{
    TAbout about;
    about.Info.EMail = QStringLiteral("service@example.org");
    about.Info.ProductName = QStringLiteral("Tunebench");
    about.Info.FileVersion = QStringLiteral("1.2.3");
    EXPECT_EQ(about.MailLink(),
              QStringLiteral("mailto:service@example.org?subject=Software Question: Tunebench 1.2.3"));
}

} // namespace

namespace {

TEST(Help, TheMainWindowsHelpShowsTheBuiltInGuideWithItsPictures)
{
    THelpWindow& window = ShowUserGuide(QStringLiteral("Hilfe"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Hilfe"));
    EXPECT_EQ(&ShowUserGuide(QStringLiteral("Help")), &window); // one window, brought to the front
    const QString text = window.Browser()->toPlainText();
    for (const char* heading : {"Connecting a device", "Menu files", THelpWindow::kFlashChapter, "Exit codes"})
        EXPECT_TRUE(text.contains(QLatin1String(heading))) << heading;
    for (const char* picture : {"main-window.png", "repeater-page.png"})
        EXPECT_FALSE(
            window.Browser()->loadResource(QTextDocument::ImageResource, QUrl(QLatin1String(picture))).isNull())
            << picture;
    // The pictures are as wide as the main window: they fit without scrolling sideways.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window.Browser()->horizontalScrollBar()->maximum(), 0);
    window.close();                                             // deletes itself
    THelpWindow& again = ShowUserGuide(QStringLiteral("Help")); // asked again before that: a new window
    EXPECT_NE(&again, &window);
    again.close();
}

TEST(Help, TheFlashWindowOpensItAtTheFlashChapterAndEscapeClosesIt)
{
    THelpWindow& window = ShowUserGuide(QStringLiteral("Help"), QLatin1String(THelpWindow::kFlashChapter));
    EXPECT_GT(window.Browser()->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(window.ShowChapter(QStringLiteral("No such chapter")));
    const QPointer<THelpWindow> alive(&window);
    // A window's shortcuts act while it is the active one, as on a desktop.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(window.Browser(), Qt::Key_Escape);
    EXPECT_TRUE(tbtest::waitFor([&] { return alive.isNull(); }));
}

} // namespace

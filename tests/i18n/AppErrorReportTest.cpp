// The application's error report, through the translated dialogs. Runs under
// the program's application object (support/TunebenchTestMain.cpp), whose
// main() the linker takes instead of the plain one of the test support library.
#include "AppErrorReport.h"
#include "AssertionError.h"
#include "NumberConverting.h"
#include "ScriptedDialogPresenter.h"
#include "TunebenchApplication.h"
#include "UiGuards.h"
#include "support/WaitFor.h"

#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

class AppErrorReportTest : public ::testing::Test {
protected:
    void SetUp() override { SetDialogTexts(DefaultDialogTexts()); }
    TScriptedDialogPresenter m_dialogs;
    TScopedDialogPresenter m_use{m_dialogs};
};

// A window whose first button's click handler fails in a conversion.
class TFailingForm : public QWidget {
public:
    TFailingForm()
    {
        auto* layout = new QVBoxLayout(this);
        Button1 = new QPushButton(QStringLiteral("Read"), this);
        Button2 = new QPushButton(QStringLiteral("Write"), this);
        Button3 = new QPushButton(QStringLiteral("Off"), this);
        Button3->setEnabled(false);
        layout->addWidget(Button1);
        layout->addWidget(Button2);
        layout->addWidget(Button3);
        connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    }
    void Button1Click()
    {
        TEnableGuard enable({Button1, Button2, Button3});
        TWaitCursorGuard hourglass;
        DisabledDuringWork = !Button1->isEnabled() && !Button2->isEnabled();
        CursorDuringWork = QApplication::overrideCursor() != nullptr;
        (void)Hex2Dec(QStringLiteral("XY"));
        Finished = true;
    }
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    bool DisabledDuringWork = false;
    bool CursorDuringWork = false;
    bool Finished = false;
};

QString HexError()
{
    try {
        (void)Hex2Dec(QStringLiteral("XY"));
    }
    catch (const ENumberConvertingError& e) {
        return e.Message();
    }
    return QString();
}

TEST_F(AppErrorReportTest, AClickHandlersConversionErrorIsShownAndTheLoopGoesOn)
{
    TFailingForm form;
    form.show();
    QTest::mouseClick(form.Button1, Qt::LeftButton);

    ASSERT_EQ(m_dialogs.Count(), 1u);
    const auto d = m_dialogs.Last();
    EXPECT_EQ(d.text, HexError());
    EXPECT_THAT(d.text.toStdString(), ::testing::StartsWith("\"XY\" is not a valid Hex value\r\r"));
    EXPECT_EQ(d.caption, QStringLiteral("Error"));
    EXPECT_EQ(d.type, mtError);
    EXPECT_EQ(d.ButtonTexts(), QStringList{"OK"});
    EXPECT_FALSE(form.Finished);

    // The guards did their work and undid it.
    EXPECT_TRUE(form.DisabledDuringWork);
    EXPECT_TRUE(form.CursorDuringWork);
    EXPECT_TRUE(form.Button1->isEnabled());
    EXPECT_TRUE(form.Button2->isEnabled());
    EXPECT_FALSE(form.Button3->isEnabled()) << "a button disabled before stays disabled";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The event loop goes on: queued work runs and a second click reports again.
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    EXPECT_TRUE(tbtest::waitFor([&] { return ran; }));
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    EXPECT_EQ(m_dialogs.Count(), 2u);
}

TEST_F(AppErrorReportTest, ExceptionsFromTimersAndQueuedCallsAreReported)
{
    QTimer::singleShot(0, [] { throw EAssertionFailed(QStringLiteral("SetRepeaterTypeGui: Value out of range!")); });
    EXPECT_TRUE(tbtest::waitFor([&] { return m_dialogs.Count() == 1; }));
    EXPECT_EQ(m_dialogs.Last().text, QStringLiteral("SetRepeaterTypeGui: Value out of range!"));

    QMetaObject::invokeMethod(
        qApp, [] { throw std::runtime_error("plain \xC3\xA4"); }, Qt::QueuedConnection);
    EXPECT_TRUE(tbtest::waitFor([&] { return m_dialogs.Count() == 2; }));
    EXPECT_EQ(m_dialogs.Last().text, QStringLiteral("plain \u00E4"));

    QMetaObject::invokeMethod(
        qApp, [] { throw 42; }, Qt::QueuedConnection);
    EXPECT_TRUE(tbtest::waitFor([&] { return m_dialogs.Count() == 3; }));
    EXPECT_EQ(m_dialogs.Last().text, QStringLiteral("Unknown exception"));
    EXPECT_EQ(m_dialogs.Last().caption, QStringLiteral("Error"));
}

TEST_F(AppErrorReportTest, TheReportUsesTheTranslatedTexts)
{
    TDialogTexts texts = DefaultDialogTexts();
    texts[dtError] = QStringLiteral("Fehler");
    texts[dtOK] = QStringLiteral("Ok");
    SetDialogTexts(texts);
    QTimer::singleShot(0, [] { (void)Hex2Int64(QStringLiteral("G")); });
    EXPECT_TRUE(tbtest::waitFor([&] { return m_dialogs.Count() == 1; }));
    EXPECT_EQ(m_dialogs.Last().caption, QStringLiteral("Fehler"));
    EXPECT_EQ(m_dialogs.Last().ButtonTexts(), QStringList{"Ok"});
    SetDialogTexts(DefaultDialogTexts());
}

TEST_F(AppErrorReportTest, ExceptionMessagePrefersTheProgramsMessage)
{
    EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(ENumberConvertingError(QStringLiteral("\u20AC m")))),
              QStringLiteral("\u20AC m"));
    EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(EAssertionFailed(QStringLiteral("check")))),
              QStringLiteral("check"));
    EXPECT_EQ(ExceptionMessage(std::make_exception_ptr(std::logic_error("std"))), QStringLiteral("std"));
    EXPECT_EQ(ExceptionMessage(nullptr), QString());
}

TEST(UiGuards, TheEnableGuardTakesContainersAndSurvivesDeletedWidgets)
{
    auto* a = new QPushButton;
    QPushButton b;
    {
        const QList<QWidget*> widgets{a, &b, nullptr};
        TEnableGuard guard(widgets);
        EXPECT_FALSE(a->isEnabled());
        EXPECT_FALSE(b.isEnabled());
        delete a;
    }
    EXPECT_TRUE(b.isEnabled());
    {
        TEnableGuard guard({&b});
        guard.Release();
    }
    EXPECT_FALSE(b.isEnabled()) << "released: left as it was";
}

TEST(UiGuards, WaitCursorGuardsNest)
{
    {
        TWaitCursorGuard outer;
        {
            TWaitCursorGuard inner;
            ASSERT_NE(QApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace

#include "DialogsTranslation.h"
#include "DialogsForm.h"
#include "ScriptedDialogPresenter.h"
#include "support/WaitFor.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

const QStringList kAllNames = {"Yes",    "No",  "OK",      "Cancel",   "Abort", "Retry",
                               "Ignore", "All", "NoToAll", "YesToAll", "Help"};

class DialogsTranslationTest : public ::testing::Test {
protected:
    void SetUp() override { SetDialogTexts(DefaultDialogTexts()); }
    void TearDown() override { SetDialogTexts(DefaultDialogTexts()); }

    TScriptedDialogPresenter m_dialogs;
    TScopedDialogPresenter m_use{m_dialogs};
};

TEST_F(DialogsTranslationTest, WithNoLanguageAYesNoConfirmationShowsTheEnglishTexts)
{
    m_dialogs.Answer(mrNo);
    EXPECT_EQ(MessageDlg(QStringLiteral("Overwrite?"), mtConfirmation, mbYesNo), mrNo);
    ASSERT_EQ(m_dialogs.Count(), 1u);
    const auto d = m_dialogs.Last();
    EXPECT_EQ(d.caption, QStringLiteral("Confirmation"));
    EXPECT_EQ(d.text, QStringLiteral("Overwrite?"));
    EXPECT_EQ(d.type, mtConfirmation);
    EXPECT_EQ(d.icon, QMessageBox::Question);
    EXPECT_EQ(d.ButtonNames(), (QStringList{"Yes", "No"}));
    EXPECT_EQ(d.ButtonTexts(), (QStringList{"Yes", "No"}));
    EXPECT_EQ(d.defaultButton, QStringLiteral("Yes"));
    EXPECT_EQ(d.escapeButton, QStringLiteral("No"));
    EXPECT_EQ(d.result, mrNo);
}

TEST_F(DialogsTranslationTest, APlainMessageBoxIsCustomWithOneOkButton)
{
    ShowMessage(QStringLiteral("Done"));
    ASSERT_EQ(m_dialogs.Count(), 1u);
    const auto d = m_dialogs.Last();
    EXPECT_EQ(d.caption, QStringLiteral("Info"));
    EXPECT_EQ(d.type, mtCustom);
    EXPECT_EQ(d.icon, QMessageBox::NoIcon);
    EXPECT_EQ(d.ButtonTexts(), QStringList{"OK"});
    EXPECT_EQ(d.result, mrOk);
}

TEST_F(DialogsTranslationTest, TheCaptionAndIconFollowTheType)
{
    const struct {
        int type;
        const char* caption;
        QMessageBox::Icon icon;
    } cases[] = {{mtWarning, "Warning", QMessageBox::Warning},
                 {mtError, "Error", QMessageBox::Critical},
                 {mtInformation, "Information", QMessageBox::Information},
                 {mtConfirmation, "Confirmation", QMessageBox::Question},
                 {mtCustom, "Info", QMessageBox::NoIcon},
                 {5, "Info", QMessageBox::NoIcon},
                 {-1, "Info", QMessageBox::NoIcon},
                 {99, "Info", QMessageBox::NoIcon}};
    for (const auto& c : cases) {
        (void)MessageDlg(QStringLiteral("x"), c.type, mbOK);
        EXPECT_EQ(m_dialogs.Last().caption, QString::fromLatin1(c.caption)) << c.type;
        EXPECT_EQ(m_dialogs.Last().icon, c.icon) << c.type;
    }
}

TEST_F(DialogsTranslationTest, ATypeFourDialogUsesSlotFourForItsCaption)
{
    TDialogTexts texts = DefaultDialogTexts();
    texts[dtCustom] = QStringLiteral("Hinweis");
    texts[dtConfirmation] = QStringLiteral("Frage");
    SetDialogTexts(texts);
    (void)MessageDlg(QStringLiteral("x"), 4, mbOK);
    EXPECT_EQ(m_dialogs.Last().caption, QStringLiteral("Hinweis"));
}

TEST_F(DialogsTranslationTest, ButtonSetBitsGiveNamedButtonsInBitOrder)
{
    (void)MessageDlg(QStringLiteral("x"), mtWarning, 12);
    EXPECT_EQ(m_dialogs.Last().ButtonNames(), (QStringList{"OK", "Cancel"}));
    (void)MessageDlg(QStringLiteral("x"), mtWarning, 4);
    EXPECT_EQ(m_dialogs.Last().ButtonNames(), QStringList{"OK"});
    (void)MessageDlg(QStringLiteral("x"), mtWarning, 3);
    EXPECT_EQ(m_dialogs.Last().ButtonNames(), (QStringList{"Yes", "No"}));
    (void)MessageDlg(QStringLiteral("x"), mtWarning, 0x7FF);
    EXPECT_EQ(m_dialogs.Last().ButtonNames(), kAllNames);
    EXPECT_EQ(m_dialogs.Last().ButtonTexts(), (QStringList{"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore",
                                                           "All", "No to All", "Yes to All", "Help"}));
    (void)MessageDlg(QStringLiteral("x"), mtWarning, 0);
    EXPECT_EQ(m_dialogs.Last().ButtonNames(), QStringList{"OK"}) << "an empty set gets OK";
}

TEST_F(DialogsTranslationTest, SettingTheTableReplacesAllSixteenTexts)
{
    TDialogTexts texts;
    for (int i = 0; i < kDialogTextCount; ++i)
        texts[i] = QStringLiteral("T%1").arg(i);
    SetDialogTexts(texts);
    EXPECT_EQ(DialogTexts(), texts);
    (void)MessageDlg(QStringLiteral("x"), mtError, 0x7FF);
    EXPECT_EQ(m_dialogs.Last().caption, QStringLiteral("T1"));
    EXPECT_EQ(m_dialogs.Last().ButtonTexts(),
              (QStringList{"T5", "T6", "T7", "T8", "T9", "T10", "T11", "T12", "T13", "T14", "T15"}));
}

TEST_F(DialogsTranslationTest, EveryButtonClosesTheBoxWithItsResult)
{
    const struct {
        unsigned bit;
        TModalResult result;
    } cases[] = {
        {mbYes, mrYes},     {mbNo, mrNo},         {mbOK, mrOk},   {mbCancel, mrCancel},   {mbAbort, mrAbort},
        {mbRetry, mrRetry}, {mbIgnore, mrIgnore}, {mbAll, mrAll}, {mbNoToAll, mrNoToAll}, {mbYesToAll, mrYesToAll}};
    for (const auto& c : cases) {
        m_dialogs.Answer(c.result);
        EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtCustom, 0x7FF), c.result) << c.bit;
    }
    EXPECT_EQ(m_dialogs.UnmatchedAnswers(), 0);
    m_dialogs.Answer(mrNone); // the Help button
    EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtCustom, mbHelp | mbOK), mrNone);
    EXPECT_EQ(m_dialogs.UnmatchedAnswers(), 0);
}

TEST_F(DialogsTranslationTest, WithoutAScriptedAnswerTheDefaultButtonIsPressed)
{
    EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtConfirmation, mbOKCancel), mrOk);
    EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtConfirmation, mbYesNo), mrYes);
    EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtConfirmation, mbAbort | mbRetry | mbIgnore), mrRetry);
    EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtConfirmation, mbAbort | mbIgnore), mrCancel) << "no default";
    m_dialogs.SetDefaultAnswer(mrCancel);
    EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtConfirmation, mbOKCancel), mrCancel);
}

TEST_F(DialogsTranslationTest, AnAnswerWithoutItsButtonIsReturnedAndCounted)
{
    m_dialogs.Answer(mrYes);
    EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtInformation, mbOK), mrYes);
    EXPECT_EQ(m_dialogs.UnmatchedAnswers(), 1);
}

TEST_F(DialogsTranslationTest, TheRecordIsReadFromTheRealTranslatedBox)
{
    SetDialogTexts([] {
        TDialogTexts t = DefaultDialogTexts();
        t[dtOK] = QStringLiteral("Einverstanden");
        return t;
    }());
    QStringList seen;
    QString shownText;
    Qt::TextFormat format = Qt::AutoText;
    m_dialogs.SetInspector([&](QMessageBox& box) {
        for (QPushButton* b : box.findChildren<QPushButton*>())
            seen.append(b->objectName() + QLatin1Char('=') + b->text());
        shownText = box.text();
        format = box.textFormat();
    });
    ShowMessage(QStringLiteral("\"XY\" is not valid\r\rUnit: X\rFunction: <f>"));
    EXPECT_EQ(seen, QStringList{"OK=Einverstanden"});
    EXPECT_EQ(m_dialogs.Last().ButtonTexts(), QStringList{"Einverstanden"});
    EXPECT_EQ(m_dialogs.Last().text, QStringLiteral("\"XY\" is not valid\r\rUnit: X\rFunction: <f>"));
    EXPECT_EQ(shownText, QStringLiteral("\"XY\" is not valid\n\nUnit: X\nFunction: <f>"));
    EXPECT_EQ(format, Qt::PlainText);
}

TEST_F(DialogsTranslationTest, TranslationVisitsEveryChildByName)
{
    QMessageBox box;
    BuildMessageBox(box, QStringLiteral("x"), mtWarning, mbOK);
    auto* extra = new QPushButton(QStringLiteral("?"), new QWidget(&box));
    extra->setObjectName(QStringLiteral("Retry"));
    auto* other = new QPushButton(QStringLiteral("keep"), &box);
    other->setObjectName(QStringLiteral("btnOther"));
    TranslateMessageBox(box, mtWarning);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Warning"));
    EXPECT_EQ(extra->text(), QStringLiteral("Retry"));
    EXPECT_EQ(other->text(), QStringLiteral("keep"));
    EXPECT_EQ(box.findChild<QPushButton*>(QStringLiteral("OK"))->text(), QStringLiteral("OK"));
}

TEST_F(DialogsTranslationTest, TheDialogsFormHoldsSixteenHiddenLabels)
{
    TDialogsForm form;
    EXPECT_EQ(form.objectName(), QStringLiteral("DialogsForm"));
    EXPECT_FALSE(form.isVisible());
    const char* names[] = {"lblWarning", "lblError",   "lblInformation", "lblConfirmation", "lblCustom", "lblYes",
                           "lblNo",      "lblOk",      "lblCancel",      "lblAbort",        "lblRetry",  "lblIgnore",
                           "lblAll",     "lblNoToAll", "lblYesToAll",    "lblHelp"};
    TDialogTexts expected = DefaultDialogTexts();
    expected[dtOK] = QStringLiteral("Ok");
    for (int i = 0; i < kDialogTextCount; ++i) {
        auto* label = form.findChild<QLabel*>(QString::fromLatin1(names[i]));
        ASSERT_NE(label, nullptr) << names[i];
        EXPECT_EQ(label, form.Label(static_cast<TDialogTextSlot>(i)));
        EXPECT_TRUE(label->isHidden()) << names[i];
        EXPECT_EQ(label->text(), expected[i]) << names[i];
    }
    EXPECT_EQ(form.findChildren<QLabel*>().size(), kDialogTextCount);
    EXPECT_EQ(form.Texts(), expected);
}

TEST_F(DialogsTranslationTest, CopyingTheBuiltInLabelsGivesOkOnOkButtons)
{
    ShowMessage(QStringLiteral("before"));
    EXPECT_EQ(m_dialogs.Last().ButtonTexts(), QStringList{"OK"});
    TDialogsForm form;
    CopyDialogTexts(form);
    ShowMessage(QStringLiteral("after"));
    EXPECT_EQ(m_dialogs.Last().ButtonTexts(), QStringList{"Ok"});
    (void)MessageDlg(QStringLiteral("x"), mtConfirmation, mbOKCancel);
    EXPECT_EQ(m_dialogs.Last().ButtonTexts(), (QStringList{"Ok", "Cancel"}));
}

TEST_F(DialogsTranslationTest, ATranslatedLblYesShowsOnEveryYesButton)
{
    TDialogsForm form;
    form.Label(dtYes)->setText(QStringLiteral("Ja"));
    form.Label(dtConfirmation)->setText(QStringLiteral("Best\u00E4tigung"));
    CopyDialogTexts(form);
    (void)MessageDlg(QStringLiteral("x"), mtConfirmation, mbYesNo);
    EXPECT_EQ(m_dialogs.Last().caption, QStringLiteral("Best\u00E4tigung"));
    EXPECT_EQ(m_dialogs.Last().ButtonTexts(), (QStringList{"Ja", "No"}));
    (void)MessageDlg(QStringLiteral("x"), mtWarning, mbYes | mbYesToAll | mbCancel);
    EXPECT_EQ(m_dialogs.Last().ButtonTexts(), (QStringList{"Ja", "Cancel", "Yes to All"}));
}

// The program's own presenter runs the real box modally.
class MessageBoxPresenterTest : public ::testing::Test {
protected:
    // Acts on the modal box once it is up, from inside its event loop.
    void WhenShown(std::function<void(QMessageBox&)> act)
    {
        m_act = std::move(act);
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                m_poll.stop();
                m_act(*box);
            }
        });
        m_poll.start();
    }
    QTimer m_poll;
    std::function<void(QMessageBox&)> m_act;
};

TEST_F(MessageBoxPresenterTest, TheClickedButtonGivesTheResult)
{
    QString caption;
    WhenShown([&](QMessageBox& box) {
        caption = box.windowTitle();
        box.findChild<QPushButton*>(QStringLiteral("No"))->click();
    });
    EXPECT_EQ(MessageDlg(QStringLiteral("Really?"), mtConfirmation, mbYesNo), mrNo);
    EXPECT_EQ(caption, QStringLiteral("Confirmation"));
}

TEST_F(MessageBoxPresenterTest, EscapePressesCancelElseNo)
{
    WhenShown([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtConfirmation, mbYesNo), mrNo);
    WhenShown([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtConfirmation, mbYesNo | mbCancel), mrCancel);
}

TEST_F(MessageBoxPresenterTest, ClosingWithoutAButtonGivesCancel)
{
    WhenShown([](QMessageBox& box) { box.done(0); });
    EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtError, mbAbort | mbIgnore), mrCancel);
}

} // namespace

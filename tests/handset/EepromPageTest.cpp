// The hidden EEPROM page in the real main window, against the simulated handset.
#include "EepromPage.h"
#include "../app/MainWindowFixture.h"
#include "CommunicationsPage.h"
#include "TabSheet.h"
#include "TunebenchApplication.h"
#include "support/SimHarness.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gmock/gmock.h>

namespace {

using tbtest::SimHarness;

class EepromPageTest : public tbtest::MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        m_image = m_simDir.filePath(QStringLiteral("eeprom.bin"));
        m_sim = std::make_unique<SimHarness>(QStringList{"--profile", "handset", "--save", m_image});
        ASSERT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
        qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
        TForm1& form = Start();
        m_page = form.EepromPage;
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        m_sim->stop();
        qunsetenv("TUNEBENCH_COM1");
    }
    QByteArray StopAndImage()
    {
        m_form.reset();
        EXPECT_TRUE(m_sim->stop());
        QFile file(m_image);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    [[nodiscard]] QStringList ReadLines()
    {
        return m_sim->logLines().filter(QRegularExpression(QStringLiteral("^READ ")));
    }
    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    TForm1& RestartOn(const QStringList& simArgs)
    {
        m_form.reset();
        m_sim = std::make_unique<SimHarness>(simArgs);
        EXPECT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
        qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
        TForm1& form = Start();
        m_page = form.EepromPage;
        return form;
    }

    QTemporaryDir m_simDir;
    QString m_image;
    std::unique_ptr<SimHarness> m_sim;
    TEepromPage* m_page = nullptr;
};

TEST_F(EepromPageTest, OnlyShiftCtrlF12RevealsAndSelectsThePage)
{
    struct Case {
        Qt::KeyboardModifiers modifiers;
        bool revealed;
    };
    for (const Case& c :
         {Case{Qt::ShiftModifier, false}, Case{Qt::ControlModifier, false}, Case{Qt::AltModifier, false},
          Case{Qt::NoModifier, false}, Case{Qt::ShiftModifier | Qt::ControlModifier, true},
          Case{Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, true}}) {
        m_form.reset();
        TForm1& form = Start();
        // Through a focused control: the window sees the key first.
        form.PageControl1->SetActivePage(form.TabSheet5);
        QTest::keyClick(form.PageControl1, Qt::Key_F12, c.modifiers);
        EXPECT_EQ(form.tsReadWriteEeprom->TabVisible(), c.revealed) << c.modifiers.toInt();
        EXPECT_EQ(form.PageControl1->ActivePage() == form.tsReadWriteEeprom, c.revealed) << c.modifiers.toInt();
    }
}

TEST_F(EepromPageTest, ReadNormalisesTheAddressAndShowsTheByte)
{
    struct Case {
        const char* typed;
        const char* shown;
        const char* read;
    };
    for (const Case& c :
         {Case{"", "0000", "READ 0000 1"}, Case{" ab ", "00AB", "READ 00AB 1"}, Case{"40", "0040", "READ 0040 1"}}) {
        m_page->edtAddress->setText(QLatin1String(c.typed));
        m_page->edtValue->setText(QStringLiteral("77"));
        Click(m_page->btnReadEeprom);
        EXPECT_EQ(m_page->edtAddress->text(), QLatin1String(c.shown));
        EXPECT_TRUE(m_sim->waitForLogPrefix(QLatin1String(c.read))) << c.read;
        EXPECT_EQ(m_page->edtValue->text().size(), 2);
    }
    // The handset's identity begins at 0040h with 00h.
    EXPECT_EQ(m_page->edtValue->text(), "00");
    EXPECT_TRUE(m_page->btnReadEeprom->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(m_dialogs.Count(), 0u);
}

TEST_F(EepromPageTest, WriteAsksWithPaddedHexAndLandsInTheDevice)
{
    bool disabledWhileAsking = false;
    m_dialogs.SetInspector([&](QMessageBox&) {
        disabledWhileAsking =
            disabledWhileAsking || (!m_page->btnReadEeprom->isEnabled() && !m_page->btnWriteEeprom->isEnabled());
    });
    m_dialogs.Answer(mrOk);
    m_page->edtAddress->setText(QStringLiteral("1a"));
    m_page->edtValue->setText(QStringLiteral("a"));
    Click(m_page->btnWriteEeprom);
    ASSERT_EQ(m_dialogs.Count(), 2u);
    EXPECT_EQ(m_dialogs.Dialogs()[0].text, "Write 0A to address 001A?");
    EXPECT_EQ(m_dialogs.Dialogs()[0].type, mtWarning);
    EXPECT_EQ(m_dialogs.Dialogs()[0].ButtonNames(), QStringList({"OK", "Cancel"}));
    EXPECT_EQ(m_dialogs.Dialogs()[1].text, "Write Success");
    EXPECT_EQ(m_dialogs.Dialogs()[1].type, mtInformation);
    EXPECT_TRUE(disabledWhileAsking);
    EXPECT_TRUE(m_page->btnWriteEeprom->isEnabled());
    EXPECT_EQ(m_page->edtAddress->text(), "001A");
    EXPECT_EQ(m_page->edtValue->text(), "0A");

    // An empty value writes 0; a read shows what the device holds.
    m_page->edtAddress->setText(QStringLiteral("0123"));
    m_page->edtValue->clear();
    Click(m_page->btnWriteEeprom);
    EXPECT_EQ(m_dialogs.Dialogs()[2].text, "Write 00 to address 0123?");
    m_page->edtAddress->setText(QStringLiteral("001A"));
    Click(m_page->btnReadEeprom);
    EXPECT_EQ(m_page->edtValue->text(), "0A");

    const QByteArray image = StopAndImage();
    ASSERT_EQ(image.size(), 65536);
    EXPECT_EQ(static_cast<std::uint8_t>(image[0x001A]), 0x0A);
    EXPECT_EQ(static_cast<std::uint8_t>(image[0x0123]), 0x00);
    EXPECT_THAT(m_sim->writeLines(), ::testing::ElementsAre("WRITE 001A 0A", "WRITE 0123 00"));
}

TEST_F(EepromPageTest, CancelSendsNothingAndKeepsTheNormalisedFields)
{
    m_dialogs.Answer(mrCancel);
    m_page->edtAddress->setText(QStringLiteral(" 5 "));
    m_page->edtValue->setText(QStringLiteral("F"));
    Click(m_page->btnWriteEeprom);
    EXPECT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_page->edtAddress->text(), "0005");
    EXPECT_EQ(m_page->edtValue->text(), "0F");
    EXPECT_FALSE(m_form->Operations().Link().IsPortOpen());
    EXPECT_TRUE(m_page->btnWriteEeprom->isEnabled());
    StopAndImage();
    EXPECT_TRUE(m_sim->writeLines().isEmpty());
    EXPECT_TRUE(m_sim->logLines().filter(QStringLiteral("RX ")).isEmpty());
}

TEST_F(EepromPageTest, NonHexFieldIsReportedAndTheButtonsComeBack)
{
    struct Case {
        QPushButton* button;
        const char* address;
        const char* value;
        const char* shownAddress;
    };
    for (const Case& c :
         {Case{m_page->btnReadEeprom, "G1", "", "00G1"}, Case{m_page->btnWriteEeprom, "10", "ZZ", "0010"}}) {
        m_dialogs.Clear();
        m_page->edtAddress->setText(QLatin1String(c.address));
        m_page->edtValue->setText(QLatin1String(c.value));
        Click(c.button);
        ASSERT_EQ(m_dialogs.Count(), 1u) << c.address;
        EXPECT_EQ(m_dialogs.Last().type, mtError);
        EXPECT_THAT(m_dialogs.Last().text.toStdString(), ::testing::HasSubstr("is not a valid Hex value"));
        EXPECT_EQ(m_page->edtAddress->text(), QLatin1String(c.shownAddress));
        EXPECT_TRUE(m_page->btnReadEeprom->isEnabled());
        EXPECT_TRUE(m_page->btnWriteEeprom->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    StopAndImage();
    EXPECT_TRUE(m_sim->logLines().filter(QStringLiteral("RX ")).isEmpty());
}

TEST_F(EepromPageTest, FailedConnectionCheckShowsItsMessageAndSendsNothing)
{
    qputenv("TUNEBENCH_COM1", QByteArray("/dev/tunebench-no-such-port"));
    m_page->edtAddress->setText(QStringLiteral("0040"));
    Click(m_page->btnReadEeprom);
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_TRUE(m_dialogs.Last().text.startsWith("COM1: This Serial Device is not Accessible!"));
    EXPECT_EQ(m_page->edtValue->text(), "");
    EXPECT_TRUE(m_page->btnReadEeprom->isEnabled());
}

TEST_F(EepromPageTest, FieldsTakeUpperCaseAndTheirWidthOnly)
{
    QTest::keyClicks(m_page->edtAddress, QStringLiteral("abcde"));
    EXPECT_EQ(m_page->edtAddress->text(), "ABCD");
    QTest::keyClicks(m_page->edtValue, QStringLiteral("fff"));
    EXPECT_EQ(m_page->edtValue->text(), "FF");
    EXPECT_EQ(TEepromPage::WriteQuestion(0xFF, 0xABCD), "Write FF to address ABCD?");
}

TEST_F(EepromPageTest, FailedReadSaysWhyAndALostPortEndsWhatSetComportFound)
{
    // Answers: 1 the probe, 2 the detection, 3 the read that the line drops under.
    TForm1& form = RestartOn({"--profile", "handset", "--silent", "0050", "--hangup-after", "3"});
    form.Communications->Button2Click();
    ASSERT_EQ(form.PanelText(1), "PP Connected");
    ASSERT_TRUE(form.TabSheet3->isEnabled());

    m_page->edtAddress->setText(QStringLiteral("0050"));
    Click(m_page->btnReadEeprom);
    EXPECT_EQ(m_page->edtValue->text(), "");
    EXPECT_EQ(form.statusBar()->currentMessage(), "Read failed: no valid answer from the device.");

    m_page->edtAddress->setText(QStringLiteral("0040"));
    Click(m_page->btnReadEeprom);
    EXPECT_TRUE(tbtest::waitFor([&] { return form.PanelText(1) == "Port Lost"; })) << form.PanelText(1).toStdString();
    EXPECT_EQ(m_page->edtValue->text(), "");
    EXPECT_EQ(form.statusBar()->currentMessage(), "Failed: the port was lost.");
    for (TTabSheet* sheet :
         {form.TabSheet2, form.TabSheet3, form.TabSheet4, form.TabSheet7, form.TabSheet9, form.TabSheet8})
        EXPECT_FALSE(sheet->isEnabled()) << sheet->objectName().toStdString();
    EXPECT_EQ(m_dialogs.Count(), 0u);
}

} // namespace

// The five handset pages in the real main window, against the simulated
// handset: what the pages show and what the handset's EEPROM holds after.
#include "../app/MainWindowFixture.h"
#include "CommunicationsPage.h"
#include "HandsetIpeiPage.h"
#include "HandsetTextPage.h"
#include "HandsfreeGainPage.h"
#include "InternalGainPage.h"
#include "TabSheet.h"
#include "TransducerPage.h"
#include "support/SimHarness.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QtTest/QTest>
#include <gmock/gmock.h>

namespace {

using tbtest::SimHarness;
using ::testing::ElementsAre;

class HandsetPagesTest : public tbtest::MainWindowFixture {
protected:
    TForm1& StartOn(QStringList simArguments, const QStringList& windowArguments = {}, bool enablePages = true)
    {
        m_form.reset();
        m_dialogs.Clear();
        if (m_sim)
            m_sim->stop();
        m_image = m_simDir.filePath(QStringLiteral("eeprom.bin"));
        simArguments << QStringLiteral("--save") << m_image;
        m_sim = std::make_unique<SimHarness>(simArguments);
        EXPECT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
        qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
        TForm1& form = Start(windowArguments);
        // As "Set Comport" leaves them when it found a handset.
        for (TTabSheet* sheet : {form.TabSheet2, form.TabSheet3, form.TabSheet7, form.TabSheet9, form.TabSheet8})
            sheet->setEnabled(enablePages);
        // Failing writes and silent reads need not take their full time here.
        form.Operations().Link().WriteRetryDelay = 5;
        return form;
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        if (m_sim)
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
    [[nodiscard]] QStringList Lines(const QString& prefix)
    {
        return m_sim->logLines().filter(QRegularExpression(QLatin1Char('^') + prefix));
    }
    [[nodiscard]] QStringList Texts() const
    {
        QStringList texts;
        for (const auto& d : m_dialogs.Dialogs())
            texts << d.text;
        return texts;
    }
    [[nodiscard]] bool PortOpen() { return m_form->Operations().Link().IsPortOpen(); }

    QTemporaryDir m_simDir;
    QString m_image;
    std::unique_ptr<SimHarness> m_sim;
};

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

TEST_F(HandsetPagesTest, OneLineTextIsWrittenBlankPaddedAndThePortClosed)
{
    THandsetTextPage* page = StartOn({"--profile", "handset"}).HandsetTextPage;
    m_dialogs.SetDefaultAnswer(mrYes);
    page->Edit1->setText(QStringLiteral("HELLO"));
    page->Button1Click();
    EXPECT_FALSE(PortOpen());
    page->Edit1->clear();
    page->Button1Click();
    page->Edit1->setText(QString::fromUtf8("Caf\u00e9"));
    page->Button1Click();
    // Typed in the three-line layout, then back to one line: the text stays,
    // and does not fit: refused, nothing written (not its first 10 characters).
    QTest::mouseClick(page->CheckBox2, Qt::LeftButton);
    page->Edit1->clear();
    QTest::keyClicks(page->Edit1, QStringLiteral("HELLO WORLD!!"));
    EXPECT_EQ(page->Edit1->text(), "HELLO WORLD!");
    QTest::mouseClick(page->CheckBox2, Qt::LeftButton);
    EXPECT_EQ(page->Edit1->text(), "HELLO WORLD!");
    EXPECT_TRUE(page->Edit2->isHidden());
    QTest::keyClick(page->Edit1, Qt::Key_X);
    EXPECT_EQ(page->Edit1->text(), "HELLO WORLD!");
    const int mailsBefore = static_cast<int>(Lines("RX ").size());
    page->Button1Click();

    ASSERT_EQ(m_dialogs.Count(), 7u);
    EXPECT_EQ(m_dialogs.Dialogs()[0].text, "Have you chosen the right handset type ?");
    EXPECT_EQ(m_dialogs.Dialogs()[0].type, mtWarning);
    EXPECT_EQ(m_dialogs.Dialogs()[0].ButtonNames(), QStringList({"Yes", "No"}));
    EXPECT_EQ(m_dialogs.Dialogs()[1].text, "Turn off the handset for the changes to take effect !");
    EXPECT_EQ(m_dialogs.Dialogs()[1].caption, "Info");
    EXPECT_EQ(m_dialogs.Last().text, "Line 1 has 12 characters, the handset takes only 10 ! Nothing was written.");
    EXPECT_EQ(m_dialogs.Last().caption, "Info");
    EXPECT_EQ(Lines("RX ").size(), mailsBefore);
    const QByteArray image = StopAndImage();
    EXPECT_EQ(Hex(image.mid(0x0196, 10)), "43 61 66 E9 20 20 20 20 20 20");
    EXPECT_THAT(m_sim->writeLines(), ElementsAre("WRITE 0196 48 45 4C 4C 4F 20 20 20", "WRITE 019E 20 20",
                                                 "WRITE 0196 20 20 20 20 20 20 20 20", "WRITE 019E 20 20",
                                                 "WRITE 0196 43 61 66 E9 20 20 20 20", "WRITE 019E 20 20"));
}

TEST_F(HandsetPagesTest, ThreeLinesFillSixBlocksWithZerosBehindTheText)
{
    THandsetTextPage* page = StartOn({"--profile", "handset-8240", "--baud", "9600"}).HandsetTextPage;
    m_dialogs.SetDefaultAnswer(mrYes);
    QTest::mouseClick(page->CheckBox2, Qt::LeftButton);
    EXPECT_FALSE(page->Edit9->isHidden());
    QTest::keyClicks(page->Edit1, QStringLiteral("DAVO 8240"));
    QTest::keyClicks(page->Edit9, QStringLiteral("ABCDEFGHIJKLM"));
    EXPECT_EQ(page->MaxLength(page->Edit9), 12);
    page->Button1Click();
    // A three-line model: the type question only.
    EXPECT_EQ(Texts(), (QStringList{"Have you chosen the right handset type ?",
                                    "Turn off the handset for the changes to take effect !"}));
    const QByteArray image = StopAndImage();
    EXPECT_EQ(m_sim->writeLines().size(), 6);
    EXPECT_EQ(image.mid(0x0196, 36), QByteArray("DAVO 8240               ABCDEFGHIJKL"));
    EXPECT_EQ(image.mid(0x01BA, 12), QByteArray(12, '\0'));
    EXPECT_EQ(m_sim->writeLines().last(), "WRITE 01BE 00 00 00 00 00 00 00 00");
}

TEST_F(HandsetPagesTest, FailedSecondBlockStopsTheTextAndNoSendsNothing)
{
    THandsetTextPage* page = StartOn({"--profile", "handset", "--protect", "019E-01A5"}).HandsetTextPage;
    QTest::mouseClick(page->CheckBox2, Qt::LeftButton);
    page->Edit1->setText(QStringLiteral("LINE ONE"));
    m_dialogs.Answer(mrYes);
    m_dialogs.Answer(mrYes); // a one-line look: three lines anyway
    page->Button1Click();
    EXPECT_EQ(Texts().last(), "Write of text failed, Try again !!");
    EXPECT_FALSE(PortOpen());
    EXPECT_THAT(m_sim->writeLines(), ElementsAre("WRITE 0196 4C 49 4E 45 20 4F 4E 45"));
    EXPECT_EQ(Lines("REFUSED WRITE 019E").size(), 10);
    EXPECT_TRUE(Lines("REFUSED WRITE 01A6|WRITE 01A6").isEmpty());

    m_dialogs.Clear();
    m_dialogs.Answer(mrNo);
    page->Button1Click();
    EXPECT_EQ(m_dialogs.Count(), 1u);
    EXPECT_FALSE(PortOpen());
    StopAndImage();
    EXPECT_EQ(m_sim->writeLines().size(), 1);
}

TEST_F(HandsetPagesTest, ThreeLinesIntoAOneLineLookingHandsetAreAskedDefaultNo)
{
    THandsetTextPage* page = StartOn({"--profile", "handset"}).HandsetTextPage;
    QTest::mouseClick(page->CheckBox2, Qt::LeftButton);
    page->Edit1->setText(QStringLiteral("DAVO 8240"));
    m_dialogs.Answer(mrYes); // the handset type; the next question gets its default
    page->Button1Click();
    ASSERT_EQ(m_dialogs.Count(), 2u);
    EXPECT_EQ(m_dialogs.Last().text, page->lblNotThreeLineModel->text());
    EXPECT_EQ(m_dialogs.Last().type, mtWarning);
    EXPECT_EQ(m_dialogs.Last().defaultButton, "No");
    EXPECT_FALSE(PortOpen());
    StopAndImage();
    EXPECT_TRUE(m_sim->writeLines().isEmpty());
}

TEST_F(HandsetPagesTest, UnstorableCharacterIsRefusedBeforeAnyMail)
{
    THandsetTextPage* page = StartOn({"--profile", "handset"}).HandsetTextPage;
    QTest::mouseClick(page->CheckBox2, Qt::LeftButton);
    page->Edit2->setText(QString::fromUtf8("\u03a9MEGA"));
    page->Button1Click();
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text,
              QString::fromUtf8("The character \"\u03a9\" in line 2 can not be stored in the handset !"));
    EXPECT_EQ(m_dialogs.Last().caption, "Info");
    EXPECT_TRUE(page->Button1->isEnabled());
    StopAndImage();
    EXPECT_TRUE(Lines("RX ").isEmpty());
}

TEST_F(HandsetPagesTest, TransducerWritesOnlyAValueTheHandsetDoesNotHold)
{
    TTransducerPage* page = StartOn({"--profile", "handset", "--set", "0029=6D"}).TransducerPage;
    page->Button3Click();
    EXPECT_EQ(Texts().last(), "The handset is set to this Transducer rate !");
    EXPECT_FALSE(PortOpen());
    EXPECT_TRUE(m_sim->writeLines().isEmpty());
    page->Button4Click();
    EXPECT_EQ(Texts().last(), "Turn off the handset for the changes to take effect !");
    EXPECT_FALSE(PortOpen());
    EXPECT_THAT(m_sim->writeLines(), ElementsAre("WRITE 0029 0D"));
}

TEST_F(HandsetPagesTest, TransducerOnASilentHandsetGivesUpAfterThreeReads)
{
    TTransducerPage* page = StartOn({"--profile", "handset", "--silent", "0029"}).TransducerPage;
    m_form->Operations().Link().AnswerTimeout = 100;
    QElapsedTimer clock;
    clock.start();
    page->Button3Click();
    EXPECT_GE(clock.elapsed(), 3 * 700);
    EXPECT_EQ(Texts(), QStringList{"No respons from handset, Try again !"});
    EXPECT_EQ(Lines("READ 0029 1").size(), 3);
    EXPECT_TRUE(m_sim->writeLines().isEmpty());
    EXPECT_FALSE(PortOpen());
}

TEST_F(HandsetPagesTest, GainWritesWaitForAReadOfTheHandsetOnTheLine)
{
    TForm1& form = StartOn({"--profile", "handset-8240", "--baud", "9600", "--set", "0029=A5"}, {}, false);
    QTest::mouseClick(form.Communications->Button2, Qt::LeftButton);
    TInternalGainPage* page = form.InternalGainPage;
    THandsfreeGainPage* handsfree = form.HandsfreeGainPage;
    const auto writes = [&] { return page->Button12->isEnabled() || handsfree->btnWriteGain->isEnabled(); };
    // Nothing read: the bars' zeros are no values of this handset.
    EXPECT_FALSE(writes());
    page->Button12Click();
    handsfree->btnWriteGainClick();
    page->Button11Click();
    handsfree->btnReadGainClick();
    EXPECT_TRUE(page->Button12->isEnabled());
    EXPECT_TRUE(handsfree->btnWriteGain->isEnabled());

    page->Button14Click();
    EXPECT_FALSE(writes());
    EXPECT_FALSE(page->Button13->isEnabled());
    EXPECT_EQ(page->TrackBar2->value() + page->TrackBar1->value() + handsfree->tbrHandsfreeMicGain82XX->value(), 0);
    for (QLabel* label :
         {page->Label47, page->Label48, page->Label19, page->Label15, page->Label20, handsfree->lblHandsfreeValueMic})
        EXPECT_EQ(label->text(), "") << label->objectName().toStdString();
    page->Button12Click();
    handsfree->btnWriteGainClick();

    // "Set Comport" again: whatever answers now was not read.
    page->Button11Click();
    EXPECT_TRUE(page->Button12->isEnabled());
    QTest::mouseClick(form.Communications->Button2, Qt::LeftButton);
    EXPECT_FALSE(writes());
    EXPECT_EQ(page->Label20->text(), "");
    page->Button12Click();
    EXPECT_EQ(Texts(), QStringList());
    StopAndImage();
    EXPECT_TRUE(m_sim->writeLines().isEmpty());
}

TEST_F(HandsetPagesTest, InternalGainsReadWriteAndTheFirstValueRead)
{
    TInternalGainPage* page = StartOn({"--profile", "handset", "--set", "0029=A5"}).InternalGainPage;
    EXPECT_FALSE(page->Button13->isEnabled());
    page->Button11Click();
    EXPECT_EQ(page->TrackBar2->value(), 10);
    EXPECT_EQ(page->TrackBar1->value(), 5);
    EXPECT_EQ(page->Label47->text() + page->Label48->text() + page->Label19->text() + page->Label15->text(), "A5A5");
    EXPECT_EQ(page->Label20->text(), "A5");
    EXPECT_TRUE(page->Button13->isEnabled());
    EXPECT_TRUE(PortOpen());

    page->TrackBar2->setValue(3);
    page->TrackBar1->setValue(4);
    page->Button12Click();
    EXPECT_FALSE(PortOpen());
    page->Button11Click();
    EXPECT_EQ(page->Label20->text(), "A5");
    page->Button13Click();
    EXPECT_EQ(page->Label19->text() + page->Label15->text(), "0A05");
    EXPECT_EQ(page->TrackBar2->value(), 10);

    page->Button14Click();
    EXPECT_EQ(page->Label20->text(), "");
    EXPECT_FALSE(page->Button13->isEnabled());
    page->Button11Click();
    EXPECT_EQ(page->Label20->text(), "A5");
    EXPECT_EQ(Texts(), (QStringList{"Turn off the handset, for changes to take effect !",
                                    "Turn off the handset, for changes to take effect !"}));
    StopAndImage();
    EXPECT_THAT(m_sim->writeLines(), ElementsAre("WRITE 0029 34", "WRITE 0029 A5"));
}

TEST_F(HandsetPagesTest, FirstReadOfZeroIsKeptAndAFailedReadSaysSo)
{
    TInternalGainPage* page = StartOn({"--profile", "handset", "--set", "0029=00"}).InternalGainPage;
    page->Button11Click();
    EXPECT_EQ(page->Label20->text(), "00");
    EXPECT_TRUE(page->Button13->isEnabled());
    page->Button13Click();
    EXPECT_THAT(m_sim->writeLines(), ElementsAre("WRITE 0029 00"));

    page = StartOn({"--profile", "handset", "--silent", "0029"}).InternalGainPage;
    m_form->Operations().Link().AnswerTimeout = 100;
    page->Button11Click();
    EXPECT_EQ(Texts().last(), "Read Error! Please try again.");
    EXPECT_EQ(Lines("READ 0029 1").size(), 3);
    EXPECT_FALSE(page->Button13->isEnabled());
}

TEST_F(HandsetPagesTest, HandsfreeGainsOnlyOnTheModelWithTheMarker)
{
    THandsfreeGainPage* page = StartOn({"--profile", "handset"}).HandsfreeGainPage;
    for (QPushButton* button : {page->btnReadGain, page->btnWriteDefaultGain}) {
        m_dialogs.Clear();
        button->click();
        ASSERT_EQ(m_dialogs.Count(), 1u);
        EXPECT_EQ(m_dialogs.Last().text, "Handset must be of the type DAVO 8240 or DAVO 8280 !");
        EXPECT_EQ(m_dialogs.Last().type, mtError);
    }
    EXPECT_FALSE(page->btnWriteGain->isEnabled());
    EXPECT_TRUE(m_sim->writeLines().isEmpty());
    EXPECT_TRUE(Lines("RX FF FF 4D 02 06 3B").isEmpty());

    page = StartOn({"--profile", "handset-8240", "--baud", "9600", "--set", "003E=F3"}).HandsfreeGainPage;
    page->btnReadGainClick();
    EXPECT_EQ(page->tbrHandsfreeLrsGain82XX->value(), 7);
    EXPECT_EQ(page->lblHandsfreeValueMic->text(), "3");
    // The bars show what the handset holds after the reset, without a read.
    page->btnWriteDefaultGainClick();
    EXPECT_EQ(m_dialogs.Last().text, "Default value written to handset !");
    EXPECT_EQ(m_dialogs.Last().type, mtInformation);
    EXPECT_EQ(page->lblHandsfreeValueLsr->text() + page->lblHandsfreeValueMic->text(), "6C");
    EXPECT_EQ(page->tbrHandsfreeLrsGain82XX->value(), 6);
    page->tbrHandsfreeMicGain82XX->setValue(9);
    page->btnWriteGainClick();
    EXPECT_TRUE(PortOpen());
    EXPECT_EQ(m_dialogs.Count(), 2u);
    EXPECT_EQ(m_dialogs.Last().text, "Gain value written to handset !");
    EXPECT_EQ(m_dialogs.Last().type, mtInformation);
    EXPECT_THAT(m_sim->writeLines(), ElementsAre("WRITE 003E 6C", "WRITE 003E 69"));
}

TEST_F(HandsetPagesTest, HandsfreeFailuresAreShown)
{
    THandsfreeGainPage* page =
        StartOn({"--profile", "handset-8240", "--baud", "9600", "--protect", "003E", "--silent", "003E"})
            .HandsfreeGainPage;
    m_form->Operations().Link().AnswerTimeout = 100;
    page->tbrHandsfreeLrsGain82XX->setValue(2);
    page->btnReadGainClick();
    EXPECT_EQ(m_dialogs.Last().text, "Read Error! Please try again.");
    EXPECT_EQ(page->tbrHandsfreeLrsGain82XX->value(), 2);
    EXPECT_FALSE(page->btnWriteGain->isEnabled());
    page->btnWriteDefaultGainClick();
    EXPECT_EQ(m_dialogs.Last().text, "Could not write to handset !");
    EXPECT_EQ(m_dialogs.Last().type, mtError);
    EXPECT_EQ(m_dialogs.Count(), 2u);

    // A write that failed: the bars go back to what the handset holds.
    page = StartOn({"--profile", "handset-8240", "--baud", "9600", "--protect", "003E"}).HandsfreeGainPage;
    page->btnReadGainClick();
    page->tbrHandsfreeMicGain82XX->setValue(1);
    page->btnWriteGainClick();
    EXPECT_EQ(m_dialogs.Last().text, "Could not write to handset !");
    EXPECT_EQ(page->lblHandsfreeValueLsr->text() + page->lblHandsfreeValueMic->text(), "6C");
}

TEST_F(HandsetPagesTest, ARepeaterSwappedInIsRefusedByEveryHandsetWrite)
{
    TForm1& form = StartOn({"--profile", "handset"}, {}, false);
    QTest::mouseClick(form.Communications->Button2, Qt::LeftButton);
    ASSERT_TRUE(form.TabSheet3->isEnabled());
    form.InternalGainPage->Button11Click();
    // The port closed after a write; another device on the cable.
    form.Operations().CloseDevicePort();
    ASSERT_TRUE(m_sim->stop());
    m_sim = std::make_unique<SimHarness>(QStringList{"--profile", "repeater-multi"});
    ASSERT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
    qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
    m_dialogs.SetDefaultAnswer(mrYes);
    const std::function<void()> writes[] = {
        [&] { form.HandsetTextPage->Button1Click(); },
        [&] { form.TransducerPage->Button3Click(); },
        [&] { form.InternalGainPage->Button12Click(); },
        [&] { form.InternalGainPage->Button13Click(); },
        [&] { form.HandsfreeGainPage->btnWriteDefaultGainClick(); },
    };
    for (const auto& write : writes) {
        m_dialogs.Clear();
        write();
        ASSERT_EQ(m_dialogs.Count(), 1u);
        EXPECT_EQ(m_dialogs.Last().type, mtError);
        EXPECT_THAT(m_dialogs.Last().text.toStdString(), ::testing::HasSubstr("\"Repeater Connected\""));
    }
    ASSERT_TRUE(m_sim->stop());
    EXPECT_TRUE(m_sim->writeLines().isEmpty());
    EXPECT_TRUE(m_sim->logLines().filter("WRITE").isEmpty());
}

TEST_F(HandsetPagesTest, IdentityShownAsPrintedIpei)
{
    THandsetIpeiPage* page = StartOn({"--profile", "handset", "--set", "0040=00,77,A0,01,23"}).HandsetIpeiPage;
    struct Case {
        QByteArray cells;
        const char* shown;
    };
    const Case cases[] = {{QByteArray::fromHex("0077A00123"), "01914 0000291"},
                          {QByteArray::fromHex("1869FFFFFF"), "99999 1048575"},
                          {QByteArray::fromHex("186A000000"), ""}};
    ASSERT_TRUE(m_form->Operations().ConnectionCheck());
    for (const Case& c : cases) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.cells.constData());
        ASSERT_TRUE(m_form->Operations().Link().WriteEepromBytes(0x40, 0x00, 5, {bytes, 5}));
        page->lblSerialNo->setText(QStringLiteral("old"));
        page->btnSerialNoClick();
        EXPECT_EQ(page->lblSerialNo->text(), c.shown);
    }
    EXPECT_EQ(page->Label57->text(), "SN:");
    EXPECT_EQ(m_dialogs.Count(), 0u);
    // The number reads right after its caption, not adrift in the row.
    m_form->PageControl1->SetActivePage(m_form->TabSheet8);
    QCoreApplication::sendPostedEvents();
    const int captionEnd = page->Label57->x() + page->Label57->fontMetrics().horizontalAdvance(page->Label57->text());
    EXPECT_LE(page->lblSerialNo->x() - captionEnd, 12);
}

TEST_F(HandsetPagesTest, CorruptOrShortIdentityIsAReadError)
{
    // Every answer with a wrong checksum: the probe sees an answer, the identity read none.
    for (const char* fault : {"--bad-checksum=1", "--truncate=2"}) {
        THandsetIpeiPage* page = StartOn({"--profile", "handset", fault}).HandsetIpeiPage;
        m_form->Operations().Link().AnswerTimeout = 100;
        page->btnSerialNoClick();
        EXPECT_EQ(page->lblSerialNo->text(), "Read Error! Please try again.") << fault;
        EXPECT_EQ(m_dialogs.Count(), 0u) << fault;
    }
}

TEST_F(HandsetPagesTest, AnswerCheckOnASilentHandsetProbesSixTimesAndKeepsPainting)
{
    THandsetIpeiPage* page = StartOn({"--profile", "handset", "--no-answer", "1"}).HandsetIpeiPage;
    m_form->PageControl1->SetActivePage(m_form->TabSheet8);
    m_form->Operations().Link().AnswerTimeout = 100;
    QElapsedTimer clock;
    clock.start();
    QList<qint64> probes;
    int paints = 0;
    struct PaintCounter : QObject {
        int* count;
        explicit PaintCounter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter(&paints);
    page->lblSerialNo->installEventFilter(&counter);
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        while (probes.size() < Lines("READ 0000 1").size())
            probes << clock.elapsed();
        page->lblSerialNo->update();
    });
    watcher.start(20);
    page->btnSerialNoClick();
    watcher.stop();

    // Each gap is the answer wait (100 ms) and the pause (1000 ms); a probe is
    // seen in the log up to a watcher period late.
    ASSERT_EQ(probes.size(), 6);
    for (int i = 1; i < 6; ++i) {
        const qint64 gap = probes[i] - probes[i - 1];
        EXPECT_GE(gap, 1000) << i;
        EXPECT_LE(gap, 1000 + 100 + 400) << i;
    }
    EXPECT_GE(probes[5] - probes[0], 5 * 1100 - 100);
    EXPECT_GT(paints, 20);
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "Could not connect to device !");
    EXPECT_EQ(m_dialogs.Last().type, mtError);
    EXPECT_EQ(page->lblSerialNo->text(), "");
}

TEST_F(HandsetPagesTest, OtherPressesAreRefusedWhileAHandsetPageTalks)
{
    TForm1& form = StartOn({"--profile", "handset", "--late", "150"});
    THandsetIpeiPage* page = form.HandsetIpeiPage;
    form.PageControl1->SetActivePage(form.TabSheet8);
    QStringList notes;
    int readsBefore = -1;
    QTimer::singleShot(0, &form, [&] {
        readsBefore = static_cast<int>(Lines("READ").size());
        form.InternalGainPage->Button11Click();
        notes << form.statusBar()->currentMessage();
        form.Communications->Button2Click();
        notes << form.statusBar()->currentMessage();
    });
    page->btnSerialNoClick();

    EXPECT_EQ(notes, QStringList(2, form.lblOperationRunning->text()));
    EXPECT_FALSE(page->lblSerialNo->text().isEmpty());
    EXPECT_EQ(form.InternalGainPage->Label20->text(), "");
    // Only the identity's own reads reached the handset after the presses.
    for (const QString& line : Lines("READ").mid(readsBefore))
        EXPECT_FALSE(line.startsWith("READ 0029")) << line.toStdString();
    EXPECT_EQ(m_dialogs.Count(), 0u);
}

TEST_F(HandsetPagesTest, DetectionEnablesThePagesAndVaShowsTheTransducerTab)
{
    TForm1& form = StartOn({"--profile", "handset"}, {"/va"}, false);
    EXPECT_TRUE(form.TabSheet2->TabVisible());
    EXPECT_FALSE(form.HandsetIpeiPage->btnSerialNo->isEnabled());
    QTest::mouseClick(form.Communications->Button2, Qt::LeftButton);
    for (TTabSheet* sheet : {form.TabSheet2, form.TabSheet3, form.TabSheet7, form.TabSheet9, form.TabSheet8})
        EXPECT_TRUE(sheet->isEnabled()) << sheet->objectName().toStdString();
    QTest::mouseClick(form.HandsetIpeiPage->btnSerialNo, Qt::LeftButton);
    EXPECT_EQ(form.HandsetIpeiPage->lblSerialNo->text(), "00077 0332340");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace

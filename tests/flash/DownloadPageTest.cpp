// The Download page in the real main window, against the simulated handset.
#include "DownloadPage.h"
#include "../app/MainWindowFixture.h"
#include "CommunicationsPage.h"
#include "FileDialogs.h"
#include "Form3.h"
#include "ProgramWindows.h"
#include "support/SimHarness.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <gmock/gmock.h>

namespace {

using tbtest::SimHarness;
using ::testing::ElementsAre;

class DownloadPageTest : public tbtest::MainWindowFixture {
protected:
    void StartWith(const QStringList& simArguments) { StartOn(QStringList{"--profile", "handset"} + simArguments); }
    void StartOn(const QStringList& simArguments)
    {
        m_sim = std::make_unique<SimHarness>(simArguments);
        ASSERT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
        qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
        m_page = Start().DownloadPage;
        QObject::connect(m_page->MenuGauge, &QProgressBar::valueChanged, [this](int value) { m_gauge << value; });
    }
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        if (!IsSkipped())
            m_files.Answer(Folder() + QStringLiteral("menu.txt"));
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        if (m_sim)
            m_sim->stop();
        qunsetenv("TUNEBENCH_COM1");
    }
    void Play(const QByteArray& menu)
    {
        WriteFile(QStringLiteral("menu.txt"), menu);
        m_dialogs.SetInspector([this](QMessageBox&) {
            m_listAtMessage.clear();
            for (int i = 0; i < m_page->ListBox1->count(); ++i)
                m_listAtMessage << m_page->ListBox1->item(i)->text();
            m_gaugeShownAtMessage = !m_page->MenuGauge->isHidden();
        });
        m_page->Button9Click();
    }
    [[nodiscard]] QStringList Writes()
    {
        m_form.reset();
        EXPECT_TRUE(m_sim->stop());
        return m_sim->writeLines();
    }

    TScriptedFileDialogPresenter m_files;
    TScopedFileDialogPresenter m_useFiles{m_files};
    std::unique_ptr<SimHarness> m_sim;
    TDownloadPage* m_page = nullptr;
    QList<int> m_gauge;
    QStringList m_listAtMessage;
    bool m_gaugeShownAtMessage = false;
};

TEST_F(DownloadPageTest, PlaysEveryWriteInOrderWithTheGauge)
{
    StartWith({});
    Play("1 40 0 ab\r\nREM the startup text\r\n02 9e 01 20 20\r\n");
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "Download complete. Turn power off handset for changes to take effect !");
    EXPECT_THAT(m_gauge, ElementsAre(0, 33, 67, 100));
    EXPECT_TRUE(m_gaugeShownAtMessage);
    EXPECT_TRUE(m_page->MenuGauge->isHidden());
    EXPECT_EQ(m_page->ListBox1->count(), 0);
    EXPECT_EQ(m_files.Requests().at(0).request.directory, Folder());
    EXPECT_TRUE(m_page->Button10->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_THAT(Writes(), ElementsAre("WRITE 0040 AB", "WRITE 019E 20 20"));
}

TEST_F(DownloadPageTest, CommentsOnlySayThereIsNothingToWriteOrCompare)
{
    StartWith({});
    m_page->SetDeviceActionsEnabled(true);
    Play("REM one\nrem two\n   \n");
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text,
              "No line of the file writes a cell (it holds only empty and REM lines); nothing was sent.");
    EXPECT_FALSE(m_gaugeShownAtMessage);
    m_files.Answer(Folder() + QStringLiteral("menu.txt"));
    m_page->btnVerifyMenuClick();
    ASSERT_EQ(m_dialogs.Count(), 2u);
    EXPECT_EQ(m_dialogs.Last().text,
              "No line of the file writes a cell (it holds only empty and REM lines); nothing was compared.");
    EXPECT_TRUE(Writes().isEmpty());
}

// Load Menu asks the device layer as `menu play` does: another kind's backup,
// or one whose identity cells were edited under its header, writes nothing.
TEST_F(DownloadPageTest, AnotherKindsBackupOrAnEditedIdentityIsRefused)
{
    StartWith({"--set", "0040=00,04,D5,12,34"});
    Play("REM kind: repeater\r\n1 02 0 07\r\n");
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_THAT(m_dialogs.Last().text.toStdString(), ::testing::HasSubstr("\"PP Connected\"; this needs a repeater"));
    m_files.Answer(Folder() + QStringLiteral("menu.txt"));
    Play("REM kind: handset\r\nREM identity: 00077 0332340 2\r\n05 40 00 00 04 D5 12 35\r\n1 29 0 33\r\n");
    ASSERT_EQ(m_dialogs.Count(), 2u);
    EXPECT_THAT(m_dialogs.Last().text.toStdString(), ::testing::HasSubstr("damaged or was edited"));
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(DownloadPageTest, BadLineAnywhereSendsNothingAndNamesTheLine)
{
    StartWith({});
    Play("1 40 0 AB\n1 41 0 CD\n1 42 0 EF\n1 4X 0 00\n");
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, QDir::toNativeSeparators(Folder() + QStringLiteral("menu.txt")) +
                                         ": line 4: field 2 is not one or two hexadecimal digits");
    EXPECT_EQ(m_listAtMessage.size(), 4);
    EXPECT_EQ(m_page->ListBox1->currentRow(), 3);
    EXPECT_FALSE(m_gaugeShownAtMessage);
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(DownloadPageTest, UnconfirmedWriteStopsWithTheUnsentLinesListed)
{
    // Every attempt of the first write is refused, so its read-back never confirms it.
    StartWith({"--protect", "0041"});
    Play("REM first\n1 41 0 01\n1 42 0 02\n1 43 0 03\n");
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "Download - FAIL !!\rPlease check that the handset is connected properly !!!!");
    EXPECT_THAT(m_listAtMessage, ElementsAre("1 41 0 01", "1 42 0 02", "1 43 0 03"));
    EXPECT_EQ(m_page->ListBox1->count(), 3);
    EXPECT_TRUE(m_page->MenuGauge->isHidden());
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(DownloadPageTest, SilentHandsetAndCancelledDialogEachShowTheirMessage)
{
    StartWith({"--no-answer", "1"});
    m_form->Operations().Link().AnswerTimeout = 50;
    Play("1 40 0 AB\n");
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "Please check that the handset is connected properly !!!!");
    EXPECT_TRUE(m_files.Requests().empty());

    m_form.reset();
    m_sim->stop();
    StartWith({});
    m_dialogs.Clear();
    m_files = TScriptedFileDialogPresenter();
    Play("1 40 0 AB\n");
    EXPECT_EQ(m_dialogs.Last().text, "Cancel by User !");
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(DownloadPageTest, MenuDialogStartsWhereTheLastMenuFileCameFrom)
{
    StartWith({});
    QDir().mkpath(Folder() + QStringLiteral("menus"));
    WriteFile(QStringLiteral("menus/a.txt"), "REM nothing to send\n");
    m_files = TScriptedFileDialogPresenter();
    for (int i = 0; i < 2; ++i) {
        m_files.Answer(Folder() + QStringLiteral("menus/a.txt"));
        m_page->Button9Click();
    }
    ASSERT_EQ(m_files.Requests().size(), 2u);
    EXPECT_EQ(m_files.Requests()[0].request.directory, Folder()) << "a portable program starts beside itself";
    EXPECT_EQ(m_files.Requests()[1].request.directory, Folder() + QStringLiteral("menus"));
}

// Save a backup, change a cell, verify the backup: the changed line is marked.
TEST_F(DownloadPageTest, BackupThenVerifyMarksTheChangedLine)
{
    StartWith({});
    m_page->SetDeviceActionsEnabled(true); // as "Set Comport" does once it finds a device
    m_files = TScriptedFileDialogPresenter();
    const QString backup = Folder() + QStringLiteral("backup.mnu");
    m_files.Answer(backup);
    m_page->btnSaveBackupClick();
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "The backup was saved to " + backup + ".");
    EXPECT_EQ(m_gauge.last(), 100);
    ASSERT_TRUE(m_form->Operations().Link().WriteEepromText(0x29, 0x00, 1, QStringLiteral("33")));

    m_files.Answer(backup);
    m_page->btnVerifyMenuClick();
    ASSERT_EQ(m_dialogs.Count(), 2u);
    EXPECT_EQ(m_dialogs.Last().text, "1 line(s) differ from the device; they are marked in the list.");
    const QListWidgetItem* marked = m_page->ListBox1->currentItem();
    ASSERT_NE(marked, nullptr);
    EXPECT_TRUE(marked->text().startsWith(QStringLiteral("01 29 00 ")));
    EXPECT_TRUE(marked->toolTip().endsWith(QStringLiteral(": 0029 device 33 file 6D")))
        << marked->toolTip().toStdString();
    EXPECT_TRUE(m_page->btnVerifyMenu->isEnabled());
}

// The repeater chapter of the guide sends the technician here: a repeater
// found by "Set Comport" is backed up and verified from the window too.
TEST_F(DownloadPageTest, RepeaterIsBackedUpAndVerified)
{
    StartOn({"--profile", "repeater-multi"});
    m_form->Communications->Button2Click();
    ASSERT_EQ(m_form->PanelText(1), "Repeater Connected");
    EXPECT_FALSE(m_page->Button9->isEnabled()) << "Load Menu stays as the detection leaves it";
    m_files = TScriptedFileDialogPresenter();
    const QString backup = Folder() + QStringLiteral("repeater.mnu");
    m_files.Answer(backup);
    QTest::mouseClick(m_page->btnSaveBackup, Qt::LeftButton);
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "The backup was saved to " + backup + ".");
    QFile file(backup);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("REM kind: repeater\r\n"));

    m_files.Answer(backup);
    QTest::mouseClick(m_page->btnVerifyMenu, Qt::LeftButton);
    ASSERT_EQ(m_dialogs.Count(), 2u);
    EXPECT_EQ(m_dialogs.Last().text, "The device holds every line of the file.");
}

// A backup of another handset: its settings are played and verified, the
// device keeps its own identity and the page says so.
TEST_F(DownloadPageTest, AnotherHandsetsBackupKeepsTheIdentity)
{
    StartWith({});
    const QByteArray otherHandset = "REM kind: handset\r\nREM identity: 00077 0000001 9\r\n"
                                    "07 3E 00 33 00 00 04 D0 00 01\r\n";
    Play(otherHandset);
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_TRUE(m_dialogs.Last().text.startsWith(QStringLiteral("Download complete.")));
    EXPECT_TRUE(m_dialogs.Last().text.contains(
        QStringLiteral("Identity kept: the device's is 00077 0332340 2, the file was read from 00077 0000001 9")))
        << m_dialogs.Last().text.toStdString();

    m_files.Answer(Folder() + QStringLiteral("menu.txt"));
    m_page->SetDeviceActionsEnabled(true);
    m_page->btnVerifyMenuClick();
    ASSERT_EQ(m_dialogs.Count(), 2u);
    EXPECT_TRUE(m_dialogs.Last().text.startsWith(QStringLiteral("The device holds every line of the file.")))
        << m_dialogs.Last().text.toStdString();
    EXPECT_TRUE(
        m_page->ListBox1->item(2)->toolTip().endsWith(QStringLiteral(": 0042 identity device D5 12 34 file D0 00 01")))
        << m_page->ListBox1->item(2)->toolTip().toStdString();
    EXPECT_THAT(Writes(), ElementsAre("WRITE 003E 33 00"));
}

// Closing the main window while a menu plays asks; Yes stops after the write
// under way has been read back (and reported to the journal), No plays on.
TEST_F(DownloadPageTest, ClosingWhileAMenuPlaysAsksAndStopsBetweenWrites)
{
    QByteArray menu;
    for (int i = 0; i < 20; ++i)
        menu += QByteArray("1 ") + QByteArray::number(0x40 + i, 16) + " 1 " + QByteArray::number(i + 0x10, 16) + "\n";
    for (const TModalResult answer : {mrYes, mrNo}) {
        SCOPED_TRACE(answer == mrYes ? "Yes" : "No");
        StartWith({"--pace"});
        if (answer == mrNo)
            m_files.Answer(Folder() + QStringLiteral("menu.txt"));
        std::vector<TWriteRecord> records;
        const TWriteObserver journal = TMailControl::WriteObserver();
        TMailControl::SetWriteObserver([&](const TWriteRecord& write) { records.push_back(write); });
        TMailControl& link = m_form->Operations().Link();
        // Closed while the third write is on its way.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (link.Busy() && link.IsWriteMail() && records.size() == 2) {
                closer.stop();
                m_dialogs.Answer(answer);
                m_form->close();
            }
        });
        closer.start(1);
        Play(menu);
        TMailControl::SetWriteObserver(journal);
        ASSERT_GE(m_dialogs.Count(), 1u);
        EXPECT_EQ(m_dialogs.Dialogs().front().text,
                  "The device is being worked on. Stop after the write under way and close the window?");
        EXPECT_EQ(m_dialogs.Dialogs().front().defaultButton, "No");
        if (answer == mrYes) {
            EXPECT_TRUE(tbtest::waitFor([&] { return !m_form->isVisible(); }));
            EXPECT_EQ(m_dialogs.Count(), 1u) << "no message after the stop";
        }
        else {
            EXPECT_EQ(m_dialogs.Last().text, "Download complete. Turn power off handset for changes to take effect !");
            EXPECT_TRUE(m_form->isVisible());
        }
        const QStringList writes = Writes();
        EXPECT_EQ(writes.size(), answer == mrYes ? 3 : 20);
        ASSERT_EQ(records.size(), std::size_t(writes.size())) << "every write read back and journalled";
        for (const TWriteRecord& r : records)
            EXPECT_EQ(r.result, TWriteResult::Confirmed);
        m_sim->stop();
        m_dialogs.Clear();
    }
}

TEST_F(DownloadPageTest, LoadFlashClosesThePortAndShowsTheFlashWindow)
{
    StartWith({});
    TProgramEnvironment env;
    env.programFile = Folder() + QStringLiteral("Tunebench.exe");
    env.machineSettings = m_registryPath;
    m_form.reset();
    TProgramWindows windows(env);
    windows.Form1->show();
    TDeviceOperations& operations = windows.Form1->Operations();
    ASSERT_TRUE(operations.ConnectionCheck());
    QTest::mouseClick(windows.Form1->DownloadPage->Button10, Qt::LeftButton);
    EXPECT_TRUE(windows.Form3->isVisible());
    EXPECT_FALSE(operations.Link().IsPortOpen()) << "the flash window leaves the port to the loaders";
}

} // namespace

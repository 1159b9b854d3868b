// Downloads from the flash load utility's window, through the real loader
// libraries, against the simulated boot targets.
#include "Comm.h"
#include "Form3Fixture.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <QtTest/QTest>
#include <utility>

namespace {

using form3::Form3Test;

TEST_F(Form3Test, HookKeyPromptWhileThePortIsHeldThenAGreenDownload)
{
    StartSim({"--profile", "boot-sc14428"});
    bool heldAtHookKey = false;
    bool othersKeptOut = false;
    m_dialogs.SetInspector([&](QMessageBox& box) {
        if (!box.text().startsWith(QLatin1String("While pressing")))
            return;
        heldAtHookKey = m_form->RawPortHeld();
        TComm other;
        othersKeptOut = !other.Open();
    });
    Download(4);
    EXPECT_EQ(Prompts(), QStringList({"Turn power off the PP / FP / WRFP! - and then click OK.",
                                      "While pressing the hook key click the OK button!"}));
    EXPECT_TRUE(heldAtHookKey);
    EXPECT_TRUE(othersKeptOut);
    EXPECT_FALSE(m_form->RawPortHeld());
    const QStringList log = m_form->LogLines();
    ASSERT_GE(log.size(), 3);
    EXPECT_EQ(log.first(), "[00] NO_ERROR_FLASH_LOADER");
    EXPECT_EQ(log.filter(QStringLiteral("PROGRAM_PROGRESS_IND")).size(), 1) << Log().toStdString();
    EXPECT_TRUE(Log().contains(QLatin1String("CRC_OK_IND"))) << Log().toStdString();
    EXPECT_EQ(LogColour(), QColor(0x00, 0x80, 0x00));
}

TEST_F(Form3Test, PowerPromptAfterThePortIsFreeThenARedFailure)
{
    StartSim({"--profile", "boot-sc14428", "--stop-after", "2"});
    bool freeAtPowerOn = false;
    m_dialogs.SetInspector([&](QMessageBox& box) {
        if (!box.text().startsWith(QLatin1String("Turn on power")))
            return;
        TComm other;
        freeAtPowerOn = !m_form->RawPortHeld() && other.Open();
    });
    Download(6);
    EXPECT_EQ(Prompts(), QStringList({"Turn power off the PP / FP / WRFP! - and then click OK.",
                                      "Turn on power to the target - and then click OK."}));
    EXPECT_TRUE(freeAtPowerOn);
    EXPECT_TRUE(Log().contains(QLatin1String("COMMUNICATION_ERROR_IND"))) << Log().toStdString();
    EXPECT_TRUE(Log().contains(TFlashRun::kNoAnswer)) << Log().toStdString();
    EXPECT_EQ(LogColour(), QColor(0xFF, 0x00, 0x00));
    // The error enables the controls; the loader reports its end after it.
    EXPECT_TRUE(tbtest::waitFor([&] { return Log().contains(QLatin1String("STOP_PROGRAM_IND")); }));
}

TEST_F(Form3Test, RflDownloadWaitsForAKeyAndShowsTheConsoleLines)
{
    StartSim({"--profile", "boot-rfl"});
    // Keys typed into the log while the loader waits for one.
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [&] { QTest::keyClick(m_form->Memo1, Qt::Key_Space); });
    typist.start(50);
    Download(2);
    EXPECT_TRUE(m_form->KeyPressed);
    const QStringList log = m_form->LogLines();
    EXPECT_TRUE(log.contains(QStringLiteral(" Programming.......:  100 %"))) << Log().toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Checksum OK"))) << Log().toStdString();
}

// A running download shows how far it has come and stops as the command
// line's does on Ctrl+C, the port free afterwards.
TEST_F(Form3Test, StopEndsARunningDownloadThatShowsItsPercentage)
{
    for (const auto& [profile, target] : {std::pair{"boot-sc14428", 6}, {"boot-rfl", 2}}) {
        SCOPED_TRACE(profile);
        StartSim({"--profile", profile, "--pace"});
        QTimer typist; // the RFL loader waits for a key
        QObject::connect(&typist, &QTimer::timeout, [&] { QTest::keyClick(m_form->Memo1, Qt::Key_Space); });
        typist.start(50);
        m_form->RadioGroup1->SetItemIndex(target);
        const QString software = m_dir.filePath(QStringLiteral("big.hex"));
        ASSERT_TRUE(tbtest::WriteFile(software, tbtest::IntelHexOf(tbtest::RandomBytes(128 * 1024, 7), 0)));
        m_files.Answer(software);
        m_form->Button3->click();
        ASSERT_TRUE(tbtest::waitFor([&] { return m_form->FlashGauge->value() > 0; }, 20000)) << Log().toStdString();
        EXPECT_TRUE(m_form->FlashGauge->isVisible());
        EXPECT_LT(m_form->FlashGauge->value(), 100);
        EXPECT_FALSE(m_form->Button3->isEnabled());
        m_form->btnStop->click();
        ASSERT_TRUE(tbtest::waitFor([&] { return !m_form->DownloadRunning(); }, 5000)) << Log().toStdString();
        EXPECT_TRUE(m_form->Button3->isEnabled());
        EXPECT_FALSE(m_form->btnStop->isEnabled());
        EXPECT_FALSE(m_form->FlashGauge->isVisible());
        EXPECT_EQ(m_form->LogLines().last(), TFlashRun::kStopped) << Log().toStdString();
        EXPECT_FALSE(Log().contains(QLatin1String("Checksum OK")) || Log().contains(QLatin1String("CRC_OK_IND")));
        TComm comm;
        EXPECT_TRUE(comm.Open());
        comm.Close();
        ASSERT_TRUE(m_sim->stop());
    }
}

// Closing during a download asks: No keeps it running (and the port choice
// shows its port at the next showing), Yes stops it and then closes.
TEST_F(Form3Test, ClosingDuringADownloadAsksFirst)
{
    StartSim({"--profile", "boot-sc14428", "--pace"});
    TMachineSettings(m_registry).WriteInteger(QStringLiteral("COMPORT"), 3);
    m_form->ComboBox1->setCurrentIndex(0);
    m_form->RadioGroup1->SetItemIndex(6);
    const QString software = m_dir.filePath(QStringLiteral("big.hex"));
    ASSERT_TRUE(tbtest::WriteFile(software, tbtest::IntelHexOf(tbtest::RandomBytes(128 * 1024, 8), 0)));
    m_files.Answer(software);
    m_form->Button3->click();
    ASSERT_TRUE(tbtest::waitFor([&] { return m_form->FlashGauge->value() > 0; }, 20000)) << Log().toStdString();
    m_dialogs.Clear();

    m_dialogs.Answer(mrNo);
    m_form->close();
    ASSERT_EQ(m_dialogs.Count(), 1u);
    EXPECT_EQ(m_dialogs.Last().text, "A download is running. Stop it and close the window? The device stays in its "
                                     "boot loader until it is programmed.");
    EXPECT_EQ(m_dialogs.Last().defaultButton, "No");
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_TRUE(m_form->DownloadRunning());
    m_form->hide();
    m_form->show();
    EXPECT_EQ(m_form->ComboBox1->currentIndex(), 0) << "the port in use, not the one stored";

    m_dialogs.Answer(mrYes);
    m_form->close();
    EXPECT_TRUE(tbtest::waitFor([&] { return !m_form->isVisible(); }, 5000));
    EXPECT_FALSE(m_form->DownloadRunning());
    EXPECT_EQ(m_form->LogLines().last(), TFlashRun::kStopped) << Log().toStdString();
}

} // namespace

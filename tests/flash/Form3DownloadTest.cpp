// Downloads from the flash load utility's window, through the real loader
// libraries, against the simulated boot targets.
#include "Comm.h"
#include "Form3Fixture.h"

#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest/QTest>

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

} // namespace

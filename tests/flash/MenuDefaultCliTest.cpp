// tunebench-cli's menu and default commands, the real binary against the simulator.
#include "support/CliProcess.h"
#include "support/SimHarness.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

namespace {

using tbtest::CliResult;
using tbtest::RunCli;
using tbtest::SimHarness;

class MenuDefaultCli : public ::testing::Test {
protected:
    QString MenuFile(const QByteArray& text)
    {
        const QString path = m_dir.filePath(QStringLiteral("menu%1.txt").arg(++m_files));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }
    CliResult OnSim(const QStringList& simArguments, const QStringList& cliArguments)
    {
        m_sim = std::make_unique<SimHarness>(simArguments);
        EXPECT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
        const CliResult r = RunCli(QStringList{QStringLiteral("--port"), m_sim->portPath()} + cliArguments);
        EXPECT_TRUE(m_sim->stop());
        return r;
    }

    QTemporaryDir m_dir;
    int m_files = 0;
    std::unique_ptr<SimHarness> m_sim;
};

TEST_F(MenuDefaultCli, MenuCheckCountsWritesOrNamesTheFirstBadLine)
{
    CliResult r = RunCli({"menu", "check", MenuFile("REM x\r\n1 40 0 ab\r\n\r\n2 41 0 1 2\r\n")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "2\n");
    const QString bad = MenuFile("1 40 0 ab\n2 41 0 01\n");
    r = RunCli({"menu", "check", bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, bad + ": line 2: field 1 announces 2 data bytes, the line holds 1\n");
    EXPECT_EQ(RunCli({"menu", "check", m_dir.filePath("missing.txt")}).exitCode, 1);
}

TEST_F(MenuDefaultCli, MenuPlayShowsTheGaugeAndWritesInOrder)
{
    const CliResult r = OnSim({"--profile", "handset"}, {"menu", "play", MenuFile("1 40 0 ab\nrem\n02 9e 01 20 20\n")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "33 %\n67 %\n100 %\n");
    EXPECT_EQ(r.out, "2\n");
    EXPECT_EQ(m_sim->writeLines(), QStringList({"WRITE 0040 AB", "WRITE 019E 20 20"}));
}

TEST_F(MenuDefaultCli, MenuPlayStopsAtTheUnconfirmedLine)
{
    const CliResult r = OnSim({"--profile", "handset", "--protect", "0041"},
                              {"menu", "play", MenuFile("REM first\n\n\n1 41 0 01\n1 42 0 02\n")});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, "20 %\n60 %\nDownload - FAIL !!\nline 4: 1 41 0 01\n");
    EXPECT_EQ(r.out, "0\n");
    EXPECT_TRUE(m_sim->writeLines().isEmpty());
}

// A file of only REM and empty lines would otherwise end as a successful play or a match.
TEST_F(MenuDefaultCli, FileWithoutWritesIsRefusedAndNothingIsSent)
{
    const QString file = MenuFile("REM startup text\r\n\r\n  rem nothing else\r\n");
    for (const auto& [command, ending] : {std::pair{"play", "nothing was sent"}, {"verify", "nothing was compared"}}) {
        const CliResult r = OnSim({"--profile", "handset"}, {"menu", command, file});
        EXPECT_EQ(r.exitCode, 1) << command;
        EXPECT_EQ(r.err, file + ": no line writes a cell (only empty and REM lines); " + ending + "\n");
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(m_sim->logLines().filter(QStringLiteral("WRITE")).isEmpty());
    }
}

TEST_F(MenuDefaultCli, DefaultAtTheTargetsRateOrNoAnswer)
{
    CliResult r = OnSim({"--profile", "repeater-multi", "--baud", "115200"}, {"default", "repeater", "--target", "6"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Default Command sent to device!\n");
    EXPECT_EQ(m_sim->logLines().filter(QStringLiteral("DEFAULT")), QStringList({"DEFAULT 02 3A"}));

    // Target 3 talks at 8600 to a device at 9600: nothing answers, nothing is sent.
    r = OnSim({"--profile", "handset"}, {"default", "handset", "--target", "3"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(m_sim->logLines().filter(QStringLiteral("DEFAULT")).isEmpty());
    EXPECT_EQ(m_sim->logLines().filter(QStringLiteral("MISMATCH")).value(0),
              "MISMATCH line 8600 baud, device 9600 baud");

    // The adapter goes while the device takes the command: no "sent", and no 3 s wait on a port that is gone.
    QElapsedTimer clock;
    clock.start();
    // Its 4th answer: after the probe and the detection (2), the default command's probe and its mail.
    r = OnSim({"--profile", "handset", "--hangup-after", "4"}, {"default", "handset"});
    EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("the port was lost"))) << r.err.toStdString();
    EXPECT_LT(clock.elapsed(), 2500);
}

} // namespace

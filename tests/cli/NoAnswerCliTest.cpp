// Every command that ends with "no answer" (exit 3) says on standard error
// why: its own reason, else which port, device and rate it tried.
#include "support/SimHarness.h"

#include "support/CliProcess.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

TEST(CliNoAnswer, EveryExit3SaysWhatWasTried)
{
    struct Case {
        QStringList simArgs;
        QStringList cliArgs;
        QString tried; // how the reason counts the mails sent
    };
    const QStringList silent{"--no-answer", "1"};
    const std::vector<Case> cases = {
        {silent, {"probe"}, "after 6 tries"},
        {silent, {"detect"}, "after 6 tries"},
        {silent, {"read", "40", "3"}, "after 1 try"},
        {silent, {"mail", "02 3C 08 00 01 40 00"}, "after 1 try"},
        {silent, {"repeater", "read"}, {}},
        {{}, {"--baud", "115200", "read", "40"}, "at 115200 baud after 1 try"}, // a handset at 9600
        // commands that say it in their own words name the port too
        {{}, {"--baud", "115200", "handset", "ipei"}, "at 115200 baud after 6 tries"},
        {silent, {"handset", "gain", "read"}, "at 9600 baud after 3 tries"},
        // a device that answered earlier mails is on: no hint at the rate, earlier answers not counted as tries
        {{"--profile", "handset-8240", "--silent", "003E"},
         {"--baud", "115200", "handset", "handsfree", "read"},
         "after 1 try; it had answered 2 mails of this command before"},
    };
    // Each on a simulator of its own, all at once: the silent probes take seconds.
    std::vector<std::unique_ptr<tbtest::SimHarness>> sims;
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const Case& c : cases) {
        sims.push_back(std::make_unique<tbtest::SimHarness>(c.simArgs));
        ASSERT_TRUE(sims.back()->start()) << sims.back()->errorString().toStdString();
        runs.push_back(std::make_unique<QProcess>());
        runs.back()->start(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench-cli"),
                           QStringList{"--port", sims.back()->portPath()} + c.cliArgs);
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string what = cases[i].cliArgs.join(' ').toStdString();
        ASSERT_TRUE(runs[i]->waitForFinished(60000)) << what;
        EXPECT_EQ(runs[i]->exitCode(), 3) << what;
        const QString err = QString::fromLocal8Bit(runs[i]->readAllStandardError());
        EXPECT_FALSE(err.trimmed().isEmpty()) << what;
        // The repeater commands name the cell they could not read; the others the port.
        if (cases[i].cliArgs[0] != QLatin1String("repeater")) {
            EXPECT_TRUE(err.contains(QStringLiteral("no answer from %1 at ").arg(sims[i]->portPath())))
                << what << ": " << err.toStdString();
            EXPECT_TRUE(err.contains(cases[i].tried)) << what << ": " << err.toStdString();
        }
        EXPECT_FALSE(err.contains(QStringLiteral("Unit: "))) << what;
    }
}

// A late answer to a program that gave up is not the next program's answer:
// neither after one that ended by itself nor after one stopped by Ctrl+C.
TEST(CliNoAnswer, AnAnswerLeftOnTheLineIsNotTakenByTheNextProgram)
{
    for (const bool interrupted : {false, true}) {
        tbtest::SimHarness sim({"--late", interrupted ? "400" : "1000", "--set", "0500=11,11,11", "--set", "0600=22"});
        ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
        for (int round = 0; round < 3; ++round) {
            // A cell of its own each round, so that the log tells the rounds apart.
            const QString cell = QStringLiteral("050%1").arg(round);
            QProcess first;
            first.start(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench-cli"),
                        {"--port", sim.portPath(), "read", cell, "1"});
            if (interrupted) {
                // Stopped once its request is out, before the late answer comes.
                ASSERT_TRUE(sim.waitForLogPrefix(QStringLiteral("READ ") + cell));
                first.terminate();
            }
            ASSERT_TRUE(first.waitForFinished(30000));
            const tbtest::CliResult next = tbtest::RunCli({"--port", sim.portPath(), "read", "0600", "1"});
            EXPECT_FALSE(next.out.contains(QStringLiteral("11")))
                << "round " << round << (interrupted ? " (interrupted)" : "") << ": " << next.out.toStdString();
        }
    }
}

} // namespace

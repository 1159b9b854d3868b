// The exit code says "done" only when the device confirmed it.
#include "support/CliProcess.h"
#include "support/SimHarness.h"

#include <QFile>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using tbtest::CliResult;
using tbtest::RunCli;

struct TruthCase {
    const char* name;
    QStringList simArgs;
    QStringList cliArgs;
    int exitCode;
    QString outContains; // empty: anything
    QString errContains;
};

class CliTruth : public ::testing::TestWithParam<TruthCase> {};

TEST_P(CliTruth, ExitCodeAndMessage)
{
    const TruthCase& c = GetParam();
    tbtest::SimHarness sim(c.simArgs);
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    const CliResult r = RunCli(QStringList{QStringLiteral("--port"), sim.portPath()} + c.cliArgs);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(c.outContains)) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(c.errContains)) << r.err.toStdString();
}

const QStringList kRepeater = {QStringLiteral("--profile"), QStringLiteral("repeater-multi")};
const QStringList kRepeaterWrite = {
    QStringLiteral("repeater"), QStringLiteral("write"), QStringLiteral("--code"),     QStringLiteral("10000000040"),
    QStringLiteral("--base"),   QStringLiteral("5"),     QStringLiteral("--repeater"), QStringLiteral("3"),
    QStringLiteral("--busy"),   QStringLiteral("2")};
const QStringList kAlt = {QStringLiteral("--alt-base"), QStringLiteral("3"), QStringLiteral("--alt-repeater"),
                          QStringLiteral("5")};

INSTANTIATE_TEST_SUITE_P(
    Commands, CliTruth,
    ::testing::Values(TruthCase{"ShortAnswerIsNoValue",
                                {QStringLiteral("--short"), QStringLiteral("1")},
                                {QStringLiteral("read"), QStringLiteral("40"), QStringLiteral("3")},
                                3,
                                {},
                                {}},
                      TruthCase{
                          "WriteNotStoredIsNotConfirmed",
                          {QStringLiteral("--fail-writes"), QStringLiteral("100")},
                          {QStringLiteral("write"), QStringLiteral("100"), QStringLiteral("01"), QStringLiteral("02")},
                          4,
                          QStringLiteral("0\n"),
                          QStringLiteral("not confirmed from 0100h on: 0 of 2 bytes")},
                      TruthCase{"RepeaterWriteNamesTheCellsNotStored",
                                kRepeater + QStringList{"--fail-writes", "100"},
                                kRepeaterWrite,
                                4,
                                {},
                                QStringLiteral("Not confirmed by the device: repeater (0002h), busy (0004h)")},
                      TruthCase{"AlternativesRefusedWithoutAltSync",
                                kRepeater,
                                kRepeaterWrite + kAlt,
                                1,
                                {},
                                QStringLiteral("no alternative")},
                      TruthCase{"AlternativesWithAnUnreadAltSyncCell",
                                kRepeater + QStringList{"--alt-sync", "on", "--silent", "0461"},
                                kRepeaterWrite + kAlt,
                                3,
                                {},
                                QStringLiteral("0461h")},
                      TruthCase{"RepeaterReadSaysUnknown",
                                kRepeater + QStringList{"--silent", "0461"},
                                {QStringLiteral("repeater"), QStringLiteral("read")},
                                3,
                                QStringLiteral("alt-sync: unknown"),
                                {}},
                      TruthCase{"RepeaterReadStoppedByAnUnansweredCell",
                                kRepeater + QStringList{"--silent", "0048"}, // the base, read third
                                {QStringLiteral("repeater"), QStringLiteral("read")},
                                3,
                                {},
                                QStringLiteral("stopped at a cell without a valid answer")},
                      TruthCase{"ReadMailWithoutValidAnswer",
                                {QStringLiteral("--bad-checksum"), QStringLiteral("1")},
                                {QStringLiteral("mail"), QStringLiteral("02 3C 08 00 01 40 00")},
                                3,
                                QStringLiteral("00\n"),
                                {}},
                      TruthCase{"WriteMailNotConfirmed",
                                {QStringLiteral("--fail-writes"), QStringLiteral("100")},
                                {QStringLiteral("mail"), QStringLiteral("02 3B 08 00 01 00 01 05")},
                                4,
                                {},
                                QStringLiteral("not confirmed by the device on ")},
                      TruthCase{"MailLostPort",
                                {QStringLiteral("--hangup-after"), QStringLiteral("1")},
                                {QStringLiteral("mail"), QStringLiteral("02 3C 08 00 01 40 00")},
                                2,
                                {},
                                QStringLiteral("lost")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, PathThatIsNoSerialPortSaysSo)
{
    const CliResult r = RunCli({QStringLiteral("--port"), QStringLiteral("/dev/null"), QStringLiteral("probe")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("not a serial port"))) << r.err.toStdString();
}

TEST(Cli, ResultThatCannotBeWrittenIsAFailure)
{
    tbtest::SimHarness sim;
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    QProcess p;
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench-cli"),
            {QStringLiteral("--port"), sim.portPath(), QStringLiteral("read"), QStringLiteral("40")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 1);
}

TEST(Cli, SignalStopsTheExchangeAndRestoresThePort)
{
    tbtest::SimHarness sim({QStringLiteral("--no-answer"), QStringLiteral("1")});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const auto reads = [&sim] { return sim.logLines().filter(QStringLiteral("READ")).size(); };
        const qsizetype before = reads();
        QProcess p;
        // The default command probes too, and must not blame the device either.
        const QStringList command = signal == SIGHUP ? QStringList{"default", "handset"} : QStringList{"probe"};
        p.start(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench-cli"),
                QStringList{QStringLiteral("--port"), sim.portPath()} + command);
        ASSERT_TRUE(p.waitForStarted());
        // The probe's first exchange reaches the device before the signal.
        ASSERT_TRUE(sim.waitForLog([&](const QString&) { return reads() > before; }));
        ::kill(static_cast<pid_t>(p.processId()), signal);
        ASSERT_TRUE(p.waitForFinished(3000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 128 + signal);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_TRUE(err.contains(QStringLiteral("stopped by"))) << err.toStdString();
        EXPECT_FALSE(err.contains(QStringLiteral("no answer")) || err.contains(QStringLiteral("Could not connect")))
            << err.toStdString();
    }
    // The next run finds the port as usual.
    EXPECT_EQ(RunCli({QStringLiteral("--port"), sim.portPath(), QStringLiteral("--baud"), QStringLiteral("115200"),
                      QStringLiteral("read"), QStringLiteral("40")})
                  .exitCode,
              3);
}

} // namespace

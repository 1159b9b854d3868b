#include "RepeaterSim.h"
#include "support/CliProcess.h"

#include <QProcess>
#include <gtest/gtest.h>

using tbtest::Cells;
using tbtest::TRepeaterSim;

namespace {

using tbtest::CliResult;

CliResult RunCli(const QString& port, const QStringList& args)
{
    return tbtest::RunCli(QStringList{QStringLiteral("--port"), port, QStringLiteral("repeater")} + args);
}

class RepeaterCliOnSim : public ::testing::Test {
protected:
    void Start(const QStringList& args)
    {
        sim = std::make_unique<TRepeaterSim>(args);
        ASSERT_TRUE(sim->Start()) << sim->Harness().errorString().toStdString();
    }
    CliResult Run(const QStringList& args) { return RunCli(sim->PortPath(), args); }
    std::unique_ptr<TRepeaterSim> sim;
};

TEST_F(RepeaterCliOnSim, ReadPrintsEveryFieldOfTheMultiCellLayout)
{
    Start({"--profile", "repeater-multi", "--busy-hint", "on"});
    const CliResult r = Run({"read"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "layout: multi\ntype: 2\ncode: 10000000040\nbase: 5\nrepeater: 2\nmultibase: 1\njump: 0\n"
                     "busy: 3\nalt-base: 255\nalt-repeater: 255\ndebug-beep: off\nbusy-range: 1-4\nalt-sync: no\n");
}

TEST_F(RepeaterCliOnSim, SingleCellTypeIsReadSingleCell)
{
    Start({"--profile", "repeater-single", "--alt-sync", "on"});
    const CliResult r = Run({"read"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "layout: single\ntype: 6\ncode: 000000000017\nbase: 5\nrepeater: 3\nbusy: 2\nalt-base: 255\n"
                     "alt-repeater: 255\ndebug-beep: off\nbusy-range: 1-3\nalt-sync: yes\n");
}

TEST_F(RepeaterCliOnSim, WriteInThePagesOrder)
{
    Start({"--profile", "repeater-multi", "--alt-sync", "on"});
    const CliResult r = Run({"write", "--code", "10000000044", "--base", "200", "--repeater", "31", "--busy", "2",
                             "--alt-repeater", "7", "--debug-beep", "on"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray image = sim->StopAndImage();
    EXPECT_EQ(Cells(image, 0x44, 5), "10 00 00 09 C8");
    EXPECT_EQ(sim->Writes(),
              (QStringList{"WRITE 0017 00 00 00 00 00 00 00 00", "WRITE 001F 00", "WRITE 0042 07",
                           "WRITE 0044 10 00 00 09", "WRITE 0048 C8", "WRITE 0034 FF", "WRITE 0035 07", "WRITE 0002 1F",
                           "WRITE 0043 A8", "WRITE 0005 00", "WRITE 0004 02", "WRITE 0011 87"}));
}

TEST_F(RepeaterCliOnSim, SingleCellWriteStoresCodeTimesEightPlusBase)
{
    Start({"--profile", "repeater-single", "--type", "40"});
    const CliResult r =
        Run({"write", "--layout", "single", "--code", "000000000017", "--base", "5", "--repeater", "7", "--busy", "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Run({"read"}).out.section('\n', 2, 3), "code: 000000000017\nbase: 5");
    const QByteArray image = sim->StopAndImage();
    EXPECT_EQ(Cells(image, 0x44, 5), "00 00 00 00 7D");
    EXPECT_EQ(sim->Writes().at(3), "WRITE 0044 00 00 00 00 7D");
}

TEST_F(RepeaterCliOnSim, RefusalsWriteNothing)
{
    Start({"--profile", "repeater-multi", "--alt-sync", "on"});
    const QString busy3 =
        QStringLiteral("Number of channels to transfer (Busy Bit) is out of range. Has to be \"1, 2, 3\"");
    const struct {
        QStringList args;
        QString message;
    } cases[] = {
        {{"--code", "1000000004"}, "The MXS code is not valid !"},
        {{"--code", "10000000041"}, "The MXS code is not valid !"},
        {{"--code", "10000000940"}, "The MXS code is not valid !"},
        {{"--code", "70000000040"}, "The MXS code is not valid !"},
        {{"--code", "10000000040", "--base", "256", "--alt-base", "1", "--alt-repeater", "1"},
         "The base is not in the interval !"},
        {{"--code", "10000000040", "--base", "1", "--repeater", "2", "--busy", "4"}, busy3},
        {{"--layout", "single", "--code", "17", "--base", "1", "--repeater", "2", "--busy", "4"}, busy3},
        {{"--layout", "single", "--code", "17", "--base", "1", "--repeater", "1", "--busy", "3"},
         "Repeater number out of range. Has to be between 2 and 7."},
        {{"--layout", "single", "--code", "17", "--base", "1", "--repeater", "2", "--busy", "3", "--alt-base", "8"},
         "The alt. base is not in the interval !"},
    };
    // Each case overrides these (an option given twice takes its last value).
    const QStringList valid{"write", "--code", "10000000040", "--base", "1", "--repeater", "2", "--busy", "3"};
    for (const auto& c : cases) {
        const CliResult r = Run(valid + c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(c.message + "\n")) << r.err.toStdString();
    }
    const CliResult code = Run(valid + QStringList{"--code", "1000000004"});
    EXPECT_TRUE(code.err.endsWith("--code takes 11 octal digits (0 to 7) that begin with 1 and end in 0 or 4, e.g. "
                                  "10000000040\n"))
        << code.err.toStdString();
    const CliResult noBusy = Run({"write", "--code", "10000000040", "--base", "1", "--repeater", "2"});
    EXPECT_EQ(noBusy.exitCode, 1);
    EXPECT_TRUE(noBusy.err.contains("--busy is required")) << noBusy.err.toStdString();
    sim->StopAndImage();
    EXPECT_TRUE(sim->Writes().isEmpty()) << sim->Writes().join('|').toStdString();
}

TEST_F(RepeaterCliOnSim, SingleCellRepeaterRefusedInTheMultiCellLayout)
{
    Start({"--profile", "repeater-single"});
    const CliResult r = Run({"write", "--code", "10000000040", "--base", "1", "--repeater", "2", "--busy", "3"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.err, "This is a Single Cell Solution repeater: write it with --layout single. Nothing was written.\n");
    sim->StopAndImage();
    EXPECT_TRUE(sim->Writes().isEmpty());
}

TEST_F(RepeaterCliOnSim, SingleCellLayoutIntoAMultiCellRepeaterOnlyWithForce)
{
    Start({"--profile", "repeater-multi"});
    const QStringList single{"write", "--layout",   "single", "--code", "17", "--base",
                             "1",     "--repeater", "2",      "--busy", "3"};
    const CliResult refused = Run(single);
    EXPECT_EQ(refused.exitCode, 5);
    EXPECT_TRUE(refused.err.contains("Nothing was written; --force writes them anyway.")) << refused.err.toStdString();
    const CliResult forced = Run(single + QStringList{"--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    const QByteArray image = sim->StopAndImage();
    EXPECT_EQ(Cells(image, 0x44, 5), "00 00 00 00 79");
    EXPECT_EQ(sim->Writes().size(), 8) << sim->Writes().join('|').toStdString();
}

TEST_F(RepeaterCliOnSim, ZeroBlindSlotAllowsBusyBitFour)
{
    Start({"--profile", "repeater-multi", "--busy-hint", "on"});
    const CliResult r = Run({"write", "--code", "10000000040", "--base", "1", "--repeater", "2", "--busy", "4"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Cells(sim->StopAndImage(), 0x04, 1), "04");
}

TEST_F(RepeaterCliOnSim, HandsetIsNotARepeater)
{
    Start({"--profile", "handset"});
    const CliResult read = Run({"read"});
    EXPECT_EQ(read.exitCode, 5) << "the type cell answered: a wrong model, not a device without answer";
    EXPECT_EQ(read.err, "This is not a DAVO repeater, not able to read data !\n");
    const CliResult write = Run({"write", "--code", "10000000040", "--base", "1", "--repeater", "2", "--busy", "3"});
    EXPECT_EQ(write.exitCode, 5);
    EXPECT_EQ(write.err,
              "the device answered as \"PP Connected\"; 'repeater write' needs a repeater. Nothing was written.\n");
    sim->StopAndImage();
    EXPECT_TRUE(sim->Writes().isEmpty());
}

TEST(RepeaterCli, OptionErrors)
{
    for (const QStringList& args : {QStringList{}, QStringList{"erase"}, QStringList{"read", "--code", "1"},
                                    QStringList{"write", "--layout", "both"}, QStringList{"write", "--debug-beep", "1"},
                                    QStringList{"write", "--code"}}) {
        const CliResult r = RunCli(QStringLiteral("/dev/tunebench-nothing"), args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
    }
}

} // namespace

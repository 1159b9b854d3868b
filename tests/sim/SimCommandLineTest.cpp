#include "SimCommandLine.h"

#include <gtest/gtest.h>

using tbsim::ParseResult;
using tbsim::SimProgramOptions;

namespace {

ParseResult parse(QStringList args, SimProgramOptions* options, QString* message)
{
    args.prepend("tunebench-sim");
    return tbsim::parseSimArguments(args, options, message);
}

TEST(SimCommandLine, DefaultsAreAOneWireHandset)
{
    SimProgramOptions o;
    QString message;
    ASSERT_EQ(parse({}, &o, &message), ParseResult::Run);
    EXPECT_EQ(o.device.profile, "handset");
    EXPECT_FALSE(o.device.twoWire);
    EXPECT_EQ(o.device.baud, 0);
    EXPECT_FALSE(o.device.pace);
    EXPECT_FALSE(o.device.type);
    EXPECT_TRUE(o.linkPath.isEmpty());
}

TEST(SimCommandLine, EveryOptionReachesItsField)
{
    SimProgramOptions o;
    QString message;
    ASSERT_EQ(parse({"--profile",
                     "repeater-single",
                     "--baud",
                     "8600",
                     "--two-wire",
                     "--link",
                     "/tmp/x",
                     "--image",
                     "in.bin",
                     "--save",
                     "out.bin",
                     "--type",
                     "36",
                     "--busy-hint",
                     "on",
                     "--alt-sync",
                     "off",
                     "--pace",
                     "--turnaround",
                     "1500",
                     "--frame-timeout",
                     "50",
                     "--no-answer",
                     "2",
                     "--bad-checksum",
                     "3",
                     "--truncate",
                     "4",
                     "--extra-byte",
                     "5",
                     "--noise",
                     "6",
                     "--noise-bytes",
                     "7",
                     "--late",
                     "800",
                     "--late-every",
                     "2",
                     "--duplicate",
                     "0",
                     "--duplicate-every",
                     "4",
                     "--fail-writes",
                     "9",
                     "--answer-from",
                     "3",
                     "--hangup-after",
                     "11",
                     "--usb-latency",
                     "16",
                     "--usb-packet",
                     "32"},
                    &o, &message),
              ParseResult::Run)
        << message.toStdString();
    const tbsim::SimOptions& d = o.device;
    EXPECT_EQ(d.profile, "repeater-single");
    EXPECT_EQ(d.baud, 8600);
    EXPECT_TRUE(d.twoWire);
    EXPECT_EQ(o.linkPath, "/tmp/x");
    EXPECT_EQ(d.imagePath, "in.bin");
    EXPECT_EQ(o.savePath, "out.bin");
    EXPECT_EQ(d.type, 36);
    EXPECT_EQ(d.busyHint, true);
    EXPECT_EQ(d.altSync, false);
    EXPECT_TRUE(d.pace);
    EXPECT_EQ(d.turnaroundUs, 1500);
    EXPECT_EQ(d.frameTimeoutMs, 50);
    EXPECT_EQ(d.usbLatencyMs, 16);
    EXPECT_EQ(d.usbPacketBytes, 32);
    const tbsim::SimFaults& f = d.faults;
    EXPECT_EQ(f.noAnswerEvery, 2);
    EXPECT_EQ(f.badChecksumEvery, 3);
    EXPECT_EQ(f.truncateEvery, 4);
    EXPECT_EQ(f.extraByteEvery, 5);
    EXPECT_EQ(f.noiseEvery, 6);
    EXPECT_EQ(f.noiseBytes, 7);
    EXPECT_EQ(f.lateMs, 800);
    EXPECT_EQ(f.lateEvery, 2);
    EXPECT_EQ(f.duplicateMs, 0);
    EXPECT_EQ(f.duplicateEvery, 4);
    EXPECT_EQ(f.failWrites, 9);
    EXPECT_EQ(f.answerFrom, 3);
    EXPECT_EQ(f.hangupAfter, 11);
}

TEST(SimCommandLine, BadValuesAreRefused)
{
    const QList<QStringList> bad = {
        {"--profile", "toaster"}, {"--baud", "fast"},     {"--baud", "0"}, {"--type", "256"},
        {"--busy-hint", "yes"},   {"--no-answer", "-1"},  {"--unknown"},   {"stray"},
        {"--late", "x"},          {"--noise-bytes", "0"}, {"--alt-sync"},
    };
    for (const QStringList& args : bad) {
        SimProgramOptions o;
        QString message;
        EXPECT_EQ(parse(args, &o, &message), ParseResult::Error) << args.join(' ').toStdString();
        EXPECT_FALSE(message.isEmpty());
    }
}

TEST(SimCommandLine, HelpAndVersion)
{
    SimProgramOptions o;
    QString message;
    EXPECT_EQ(parse({"--help"}, &o, &message), ParseResult::Help);
    EXPECT_TRUE(message.contains("--hangup-after"));
    EXPECT_TRUE(message.contains("repeater-multi"));
    EXPECT_EQ(parse({"--version"}, &o, &message), ParseResult::Version);
}

} // namespace

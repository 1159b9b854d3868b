// --set, --protect and --silent: preset cells, refused writes, unanswered reads.
#include "DeviceLogic.h"
#include "SimCommandLine.h"
#include "SimProfiles.h"

#include <gtest/gtest.h>

namespace {

tbsim::FrameResult Send(tbsim::DeviceLogic& logic, const QByteArray& mail)
{
    tbsim::FrameParser parser;
    return logic.handleFrame(parser.feed(tbsim::FrameParser::buildFrame(mail)).at(0).frame, 9600);
}

TEST(SimCellOptions, ParsedIntoPresetsAndRanges)
{
    tbsim::SimProgramOptions o;
    QString message;
    ASSERT_EQ(tbsim::parseSimArguments({"sim", "--set", "0040=00,77,a0,01,23", "--set", "29=A5", "--protect",
                                        "019E-01A5", "--silent", "0029"},
                                       &o, &message),
              tbsim::ParseResult::Run)
        << message.toStdString();
    QByteArray image = tbsim::profileImage("handset");
    tbsim::applyCellOptions(image, o.device);
    EXPECT_EQ(image.mid(0x40, 5), QByteArray::fromHex("0077A00123"));
    EXPECT_EQ(quint8(image[0x29]), 0xA5);
    ASSERT_EQ(o.device.faults.protect.size(), 1);
    EXPECT_EQ(o.device.faults.protect[0].from, 0x019E);
    EXPECT_EQ(o.device.faults.protect[0].to, 0x01A5);
    ASSERT_EQ(o.device.faults.silent.size(), 1);
    EXPECT_EQ(o.device.faults.silent[0].to, 0x0029);

    for (const char* bad : {"--set=0040", "--set=0040=", "--set=0040=123", "--set=G0=00", "--protect=01A5-019E",
                            "--protect=10000", "--silent=1-2-3"})
        EXPECT_EQ(tbsim::parseSimArguments({"sim", bad}, &o, &message), tbsim::ParseResult::Error) << bad;
}

TEST(SimCellOptions, ProtectedWritesAreRefusedAndSilentReadsUnanswered)
{
    tbsim::SimFaults faults;
    faults.protect << tbsim::SimRange{0x019E, 0x01A5};
    faults.silent << tbsim::SimRange{0x0029, 0x0029};
    tbsim::DeviceLogic logic(tbsim::profileImage("handset"), 9600, faults);

    // A write that only touches the range is refused as a whole.
    const auto refused = Send(logic, QByteArray::fromHex("023B080002A501AABB"));
    EXPECT_EQ(refused.log.last(), "REFUSED WRITE 01A5 AA BB");
    EXPECT_NE(quint8(logic.image()[0x01A6]), 0xBB);
    EXPECT_EQ(Send(logic, QByteArray::fromHex("023B0800019601AA")).log.last(), "WRITE 0196 AA");

    const auto silent = Send(logic, QByteArray::fromHex("023C0800022800"));
    EXPECT_FALSE(silent.reply);
    EXPECT_EQ(silent.log.last(), "FAULT silent 0028");
    EXPECT_TRUE(Send(logic, QByteArray::fromHex("023C0800012A00")).reply);
}

} // namespace

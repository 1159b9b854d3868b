#include "FrameParser.h"

#include <QStringList>

#include <gtest/gtest.h>

using tbsim::FrameParser;
using tbsim::ParserEvent;

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

// Frames and skipped bytes of a stream, as text: "F:<mail>" / "F!:<mail>" (bad sum) / "S:<bytes>".
QStringList describe(const std::vector<ParserEvent>& events)
{
    QStringList out;
    for (const ParserEvent& e : events) {
        if (e.kind == ParserEvent::Skipped)
            out << QStringLiteral("S:") + QString::fromLatin1(e.bytes.toHex(' ').toUpper());
        else
            out << QString::fromLatin1(e.frame.checksumOk() ? "F:" : "F!:") +
                       QString::fromLatin1(e.frame.mail.toHex(' ').toUpper());
    }
    return out;
}

struct StreamCase {
    const char* name;
    const char* stream;
    QStringList expected;
};

class FrameStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(FrameStream, WholeAndByteByByteGiveTheSameEvents)
{
    const StreamCase& c = GetParam();
    FrameParser whole;
    EXPECT_EQ(describe(whole.feed(hex(c.stream))), c.expected);

    FrameParser single;
    std::vector<ParserEvent> events;
    for (char b : hex(c.stream))
        single.push(quint8(b), events);
    single.flushSkipped(events);
    EXPECT_EQ(describe(events), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, FrameStream,
    ::testing::Values(StreamCase{"readExample", "FFFF4D02063C0800010000 45", {"F:02 3C 08 00 01 00 00"}},
                      StreamCase{"writeExample", "FFFF4D02083B0800021000 4142 D8", {"F:02 3B 08 00 02 10 00 41 42"}},
                      StreamCase{
                          "garbageFirst", "1234 FFFF4D02063C0800010000 45", {"S:12 34", "F:02 3C 08 00 01 00 00"}},
                      StreamCase{"threeFF", "FFFFFF4D02063C080001000045", {"S:FF", "F:02 3C 08 00 01 00 00"}},
                      StreamCase{"brokenPreamble", "FF4DFFFF4D02023A003A", {"S:FF 4D", "F:02 3A 00"}},
                      StreamCase{"badChecksumThenGood", "FFFF4D02023A0099 FFFF4D02013A3A", {"F!:02 3A 00", "F:02 3A"}},
                      StreamCase{"twoFrames", "FFFF4D02013A3A FFFF4D02013A3A", {"F:02 3A", "F:02 3A"}},
                      StreamCase{"emptyBody", "FFFF4D050000", {"F:05"}},
                      StreamCase{"ffInsideBody", "FFFF4D02053B0800FFFF 41", {"F:02 3B 08 00 FF FF"}},
                      StreamCase{"trailingGarbage", "FFFF4D02013A3A 0102", {"F:02 3A", "S:01 02"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FrameParser, PartialFrameIsHeldUntilDiscarded)
{
    FrameParser parser;
    EXPECT_TRUE(parser.feed(hex("FFFF4D02063C08")).empty());
    EXPECT_TRUE(parser.inFrame());
    EXPECT_EQ(parser.discardPartial(), hex("FFFF4D02063C08"));
    EXPECT_FALSE(parser.inFrame());
    EXPECT_EQ(describe(parser.feed(hex("FFFF4D02013A3A"))), QStringList{"F:02 3A"});
}

TEST(FrameParser, ChecksumsOfTheFrame)
{
    FrameParser parser;
    const auto events = parser.feed(hex("FFFF4D02063C080001000046"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].frame.checksum, 0x46);
    EXPECT_EQ(events[0].frame.expectedChecksum, 0x45);
    EXPECT_EQ(events[0].frame.raw, hex("FFFF4D02063C080001000046"));
}

TEST(FrameParser, BuildsTheFramesOfTheWorkedExamples)
{
    EXPECT_EQ(FrameParser::buildFrame(hex("023C0800010000")), hex("FFFF4D02063C080001000045"));
    EXPECT_EQ(FrameParser::buildFrame(hex("023B080002100041 42")), hex("FFFF4D02083B08000210004142D8"));
}

} // namespace

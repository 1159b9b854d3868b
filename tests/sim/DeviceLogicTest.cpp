#include "DeviceLogic.h"
#include "SimProfiles.h"

#include <gtest/gtest.h>

using tbsim::DeviceLogic;
using tbsim::FrameParser;
using tbsim::FrameResult;
using tbsim::SimFaults;

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

tbsim::Frame frameOf(const QByteArray& mail)
{
    FrameParser parser;
    auto events = parser.feed(FrameParser::buildFrame(mail));
    return events.at(0).frame;
}

QByteArray readMail(int address, int count)
{
    return hex("023C0800") + QByteArray(1, char(count)) + QByteArray(1, char(address & 0xFF)) +
           QByteArray(1, char(address >> 8));
}

QByteArray blankImage() { return QByteArray(tbsim::kEepromSize, char(0xFF)); }

class Logic : public ::testing::Test {
protected:
    FrameResult send(const QByteArray& mail, int lineBaud = 9600) { return logic.handleFrame(frameOf(mail), lineBaud); }
    // Whether each of n reads got an answer: "1" answered, "0" not.
    QString answeredPattern(int n)
    {
        QString pattern;
        for (int i = 0; i < n; ++i)
            pattern += send(readMail(0, 1)).reply ? QLatin1Char('1') : QLatin1Char('0');
        return pattern;
    }
    DeviceLogic logic{blankImage(), 9600, SimFaults{}};
};

TEST_F(Logic, ReadAnswersTheWorkedExample)
{
    logic.write(0x0000, hex("5A"));
    const FrameResult r = send(hex("023C0800010000"));
    ASSERT_TRUE(r.reply);
    EXPECT_EQ(r.reply->bytes, hex("4D3C013D5A97"));
    EXPECT_EQ(r.log, (QStringList{"RX FF FF 4D 02 06 3C 08 00 01 00 00 45", "READ 0000 1"}));
}

TEST_F(Logic, WriteIsStoredWithoutAnswer)
{
    const FrameResult r = send(hex("023B08000210004142"));
    EXPECT_FALSE(r.reply);
    EXPECT_EQ(r.log.last(), "WRITE 0010 41 42");
    EXPECT_EQ(logic.read(0x0010, 2), hex("4142"));
    EXPECT_EQ(logic.writesStored(), 1);
}

TEST_F(Logic, WriteWithKindTwoIsStoredToo)
{
    send(hex("023B0200014400AB"));
    EXPECT_EQ(logic.read(0x0044, 1), hex("AB"));
}

TEST_F(Logic, WriteWhoseCountDoesNotFitIsIgnored)
{
    const FrameResult r = send(hex("023B08000310004142"));
    EXPECT_TRUE(r.log.last().startsWith("IGNORED 02 3B"));
    EXPECT_EQ(logic.read(0x0010, 2), hex("FFFF"));
}

TEST_F(Logic, ReadWrapsAroundTheTopOfTheEeprom)
{
    logic.write(0xFFFF, hex("0102"));
    EXPECT_EQ(logic.read(0x0000, 1), hex("02"));
    EXPECT_EQ(send(readMail(0xFFFF, 2)).reply->bytes, DeviceLogic::answerFrame(0x3C, hex("0102")));
}

TEST_F(Logic, ReadOfNothingAnswersAnEmptyAnswer)
{
    EXPECT_EQ(send(readMail(0x0040, 0)).reply->bytes, hex("4D3C003D3D"));
}

TEST_F(Logic, DefaultMailsAreRecordedAndAnswered)
{
    const FrameResult handset = send(hex("023A00"));
    EXPECT_EQ(handset.log.last(), "DEFAULT 02 3A 00");
    ASSERT_TRUE(handset.reply);
    EXPECT_EQ(handset.reply->bytes, hex("4D3A003D3D"));
    EXPECT_EQ(send(hex("023A")).log.last(), "DEFAULT 02 3A");
    EXPECT_EQ(logic.defaultMails(), 2);
}

TEST_F(Logic, OtherMailsAreIgnored)
{
    for (const char* mail : {"023D0800", "033C0800010000", "023C0800010000FF", "023C0200010000", "023A01", "05"}) {
        const FrameResult r = send(hex(mail));
        EXPECT_FALSE(r.reply) << mail;
        EXPECT_TRUE(r.log.last().startsWith("IGNORED ")) << mail;
    }
}

TEST_F(Logic, BadChecksumIsIgnored)
{
    tbsim::Frame frame = frameOf(hex("023B08000110007A"));
    frame.checksum ^= 1;
    const FrameResult r = logic.handleFrame(frame, 9600);
    EXPECT_FALSE(r.reply);
    EXPECT_TRUE(r.log.last().startsWith("BADSUM "));
    EXPECT_EQ(logic.read(0x0010, 1), hex("FF"));
}

TEST_F(Logic, OtherBaudRateIsNotUnderstood)
{
    FrameResult r = send(hex("023B08000110007A"), 8600);
    EXPECT_EQ(r.log.last(), "MISMATCH line 8600 baud, device 9600 baud");
    EXPECT_EQ(logic.read(0x0010, 1), hex("FF"));
    EXPECT_FALSE(send(readMail(0, 1), 8600).reply);
    EXPECT_TRUE(send(readMail(0, 1), 9600).reply);
}

TEST(DeviceLogicBaud, SmallRateErrorsAreTolerated)
{
    EXPECT_TRUE(DeviceLogic::baudMatches(9600, 9600));
    EXPECT_TRUE(DeviceLogic::baudMatches(9700, 9600));
    EXPECT_FALSE(DeviceLogic::baudMatches(8600, 9600));
    EXPECT_FALSE(DeviceLogic::baudMatches(9600, 8600));
    EXPECT_FALSE(DeviceLogic::baudMatches(115200, 9600));
    EXPECT_TRUE(DeviceLogic::baudMatches(0, 9600)); // rate unknown
}

TEST_F(Logic, NoAnswerEveryNth)
{
    logic.setFaults(SimFaults{.noAnswerEvery = 3});
    EXPECT_EQ(answeredPattern(7), "1101101");
}

TEST_F(Logic, BadChecksumEveryNth)
{
    logic.setFaults(SimFaults{.badChecksumEvery = 2});
    const QByteArray good = DeviceLogic::answerFrame(0x3C, hex("FF"));
    QByteArray bad = good;
    bad.back() = char(quint8(bad.back()) + 1);
    EXPECT_EQ(send(readMail(0, 1)).reply->bytes, good);
    const FrameResult second = send(readMail(0, 1));
    EXPECT_EQ(second.reply->bytes, bad);
    EXPECT_TRUE(second.log.contains("FAULT bad-checksum"));
}

TEST_F(Logic, TruncatedNoiseExtraAndLate)
{
    logic.setFaults(SimFaults{.truncateEvery = 1});
    EXPECT_EQ(send(readMail(0, 1)).reply->bytes, hex("4D3C013DFF"));

    logic.setFaults(SimFaults{.extraByteEvery = 1});
    EXPECT_EQ(send(readMail(0, 1)).reply->bytes, hex("4D3C013DFF3C55"));

    logic.setFaults(SimFaults{.noiseEvery = 1, .noiseBytes = 4});
    const QByteArray noisy = send(readMail(0, 1)).reply->bytes;
    EXPECT_EQ(noisy.size(), 4 + 6);
    EXPECT_EQ(noisy.mid(4), hex("4D3C013DFF3C"));

    logic.setFaults(SimFaults{.lateMs = 250, .lateEvery = 2});
    EXPECT_EQ(send(readMail(0, 1)).reply->delayMs, 0);
    EXPECT_EQ(send(readMail(0, 1)).reply->delayMs, 250);
}

TEST_F(Logic, FaultsCountOneSharedSequenceOfAnswers)
{
    logic.setFaults(SimFaults{.noAnswerEvery = 2, .extraByteEvery = 3});
    QStringList kinds;
    for (int i = 0; i < 6; ++i) {
        const FrameResult r = send(readMail(0, 1));
        kinds << (!r.reply ? "none" : r.reply->bytes.size() == 7 ? "extra" : "ok");
    }
    EXPECT_EQ(kinds, (QStringList{"ok", "none", "extra", "none", "ok", "none"}));
}

TEST_F(Logic, FailWritesDropsTheNextWrites)
{
    logic.setFaults(SimFaults{.failWrites = 2});
    logic.write(0x0044, hex("10"));
    EXPECT_EQ(send(hex("023B080001440020")).log.last(), "DROPPED WRITE 0044 20");
    send(hex("023B080001440030"));
    EXPECT_EQ(logic.read(0x0044, 1), hex("10"));
    EXPECT_EQ(send(hex("023B080001440040")).log.last(), "WRITE 0044 40");
    EXPECT_EQ(logic.read(0x0044, 1), hex("40"));
    EXPECT_EQ(logic.writesDropped(), 2);
}

TEST_F(Logic, AnswerFromTheKthRead)
{
    logic.setFaults(SimFaults{.answerFrom = 4});
    EXPECT_EQ(answeredPattern(5), "00011");
}

TEST_F(Logic, HangupMarksTheNthAnswer)
{
    logic.setFaults(SimFaults{.noAnswerEvery = 2, .hangupAfter = 2});
    EXPECT_FALSE(send(readMail(0, 1)).reply->hangup);
    EXPECT_FALSE(send(readMail(0, 1)).reply);
    EXPECT_TRUE(send(readMail(0, 1)).reply->hangup);
}

} // namespace

// The handset rules without a device: text blocks, gain fields, IPEI.
#include "GainRules.h"
#include "PP_SerialNumber.h"
#include "StartupText.h"

#include <gtest/gtest.h>

namespace {

QStringList Reports(const TStartupText::TEncoded& encoded)
{
    QStringList reports;
    for (const TTextBlock& b : encoded.blocks)
        reports << b.Report();
    return reports;
}

TEST(StartupText, OneLineIsTenBlankPaddedCharactersInTwoBlocks)
{
    struct Case {
        QString line;
        QStringList blocks;
    };
    const Case cases[] = {
        {"HELLO", {"0196 48 45 4C 4C 4F 20 20 20", "019E 20 20"}},
        {"", {"0196 20 20 20 20 20 20 20 20", "019E 20 20"}},
        {"ABCDEFGHIJ", {"0196 41 42 43 44 45 46 47 48", "019E 49 4A"}},
        {QString::fromUtf8("Caf\u00e9"), {"0196 43 61 66 E9 20 20 20 20", "019E 20 20"}},
        {QString::fromUtf8("\u20ac"), {"0196 80 20 20 20 20 20 20 20", "019E 20 20"}},
    };
    for (const Case& c : cases) {
        const auto encoded = TStartupText::Encode({c.line}, false);
        EXPECT_FALSE(encoded.refused) << c.line.toStdString();
        EXPECT_EQ(Reports(encoded), c.blocks) << c.line.toStdString();
    }
}

TEST(StartupText, ThreeLinesAre36CharactersThenZerosInSixBlocks)
{
    const auto encoded = TStartupText::Encode({"DAVO", "8240", "ABCDEFGHIJKL"}, true);
    ASSERT_FALSE(encoded.refused);
    EXPECT_EQ(Reports(encoded), (QStringList{"0196 44 41 56 4F 20 20 20 20", "019E 20 20 20 20 38 32 34 30",
                                             "01A6 20 20 20 20 20 20 20 20", "01AE 41 42 43 44 45 46 47 48",
                                             "01B6 49 4A 4B 4C 00 00 00 00", "01BE 00 00 00 00 00 00 00 00"}));
    EXPECT_EQ(TStartupText::Decode(QByteArray("DAVO        8240        ABCDEFGHIJKL"), true),
              (QStringList{"DAVO", "8240", "ABCDEFGHIJKL"}));
    // Bytes a foreign tool left in the cells reach no terminal as controls.
    EXPECT_EQ(TStartupText::Decode(QByteArray("H\x1B[2J\0\n\x81\xE9\x7F ", 10), false),
              (QStringList{"H\\x1B[2J\\x00\\x0A\\x81\u00E9\\x7F"}));
}

TEST(StartupText, LayoutIsJudgedFromTheCellsAfterTheFirstTenCharacters)
{
    const struct {
        QByteArray cells; // the 36 cells of the three-line extent
        QStringList lines;
    } cases[] = {
        {QByteArray("DAVO        ") + QByteArray(12, ' ') + "SERVICE     ", {"DAVO", "", "SERVICE"}},
        {QByteArray("DAVO 8240 XY") + QByteArray(24, ' '), {"DAVO 8240 XY"}},
        {QByteArray("HELLO     ") + QByteArray(26, '\xFF'), {"HELLO"}},
        {QByteArray("HELLO     ") + QByteArray(26, '\0'), {"HELLO"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TStartupText::DecodeEitherLayout(c.cells), c.lines) << c.cells.toStdString();
}

TEST(StartupText, UnstorableCharacterIsNamedWithItsLine)
{
    struct Case {
        QStringList lines;
        bool threeLine;
        QString character;
        int line;
    };
    const Case cases[] = {
        {{QString::fromUtf8("\u03a9mega")}, false, QString::fromUtf8("\u03a9"), 1},
        {{"ok", "ok", QString::fromUtf8("a\U0001F600")}, true, QString::fromUtf8("\U0001F600"), 3},
        {{"ok", "tab\there"}, true, "\t", 2},
        {{QString(QChar(0x7F))}, false, QString(QChar(0x7F)), 1},
        {{QString(QChar(0x81))}, false, QString(QChar(0x81)), 1},
    };
    for (const Case& c : cases) {
        const auto encoded = TStartupText::Encode(c.lines, c.threeLine);
        ASSERT_TRUE(encoded.refused) << c.lines.join('|').toStdString();
        EXPECT_EQ(encoded.refused->character, c.character);
        EXPECT_EQ(encoded.refused->line, c.line);
        EXPECT_TRUE(encoded.blocks.empty());
    }
}

TEST(StartupText, TextThatDoesNotFitItsLayoutIsRefusedNotCut)
{
    using Reason = TTextRefusal::Reason;
    struct Case {
        QStringList lines;
        bool threeLine;
        Reason reason;
        int line, length, limit;
    };
    const Case cases[] = {
        // Typed in the three-line layout, then switched back to one line.
        {{"HELLO WORLD!"}, false, Reason::LineTooLong, 1, 12, 10},
        {{"A", "ABCDEFGHIJKLM"}, true, Reason::LineTooLong, 2, 13, 12},
        {{"A", "B"}, false, Reason::TooManyLines, 2, 0, 1},
        {{"A", "B", "C", "D"}, true, Reason::TooManyLines, 4, 0, 3},
    };
    for (const Case& c : cases) {
        const auto encoded = TStartupText::Encode(c.lines, c.threeLine);
        ASSERT_TRUE(encoded.refused) << c.lines.join('|').toStdString();
        EXPECT_EQ(encoded.refused->reason, c.reason) << c.lines.join('|').toStdString();
        EXPECT_EQ(encoded.refused->line, c.line);
        EXPECT_EQ(encoded.refused->length, c.length);
        EXPECT_EQ(encoded.refused->limit, c.limit);
        EXPECT_TRUE(encoded.blocks.empty());
    }
}

TEST(GainRules, FieldsModelAndReport)
{
    EXPECT_EQ(TGainRules::Split(0xA5).loudspeaker, 10);
    EXPECT_EQ(TGainRules::Split(0xA5).microphone, 5);
    EXPECT_EQ(TGainRules::Join(6, 12), 0x6C);
    EXPECT_EQ(TGainRules::Report(0xA5), "loudspeaker=10 microphone=5 byte=A5");
    EXPECT_EQ(TGainRules::Report(0x0D), "loudspeaker=0 microphone=13 byte=0D");
    EXPECT_TRUE(TGainRules::IsHandsfreeModel(0xAA));
    EXPECT_FALSE(TGainRules::IsHandsfreeModel(0x00));
    EXPECT_FALSE(TGainRules::IsHandsfreeModel(std::nullopt));
}

TEST(PP_SerialNumber, HexToIpei)
{
    struct Case {
        const char* hex;
        const char* plain;
        const char* checked;
    };
    const Case cases[] = {
        {"00 77 A0 01 23", "01914 0000291", "01914 0000291 8"},
        {"1869FFFFFF", "99999 1048575", "99999 1048575 3"},
        {"0077A00125", "01914 0000293", "01914 0000293 *"}, // remainder 10
        {"186A000000", "", ""},                             // manufacturer code 100000
        {"0077A0012", "", ""},                              // 9 digits
        {"0077A00123FF", "", ""},                           // 12 digits
        {"0077G00123", "", ""},
        {"00000 00000", "00000 0000000", "00000 0000000 0"},
    };
    const TPP_SerialNumber sn;
    for (const Case& c : cases) {
        EXPECT_EQ(sn.HexToIpei(c.hex, false), c.plain) << c.hex;
        EXPECT_EQ(sn.HexToIpei(c.hex, true), c.checked) << c.hex;
    }
}

TEST(PP_SerialNumber, CheckCharacterAndValidity)
{
    const TPP_SerialNumber sn;
    EXPECT_EQ(sn.IpeiCheckDigit("01914 0000291"), "8");
    EXPECT_EQ(sn.IpeiCheckDigit("019140000293"), "*"); // remainder 10
    EXPECT_EQ(sn.IpeiCheckDigit("999991048576"), "");  // serial above FFFFFh
    EXPECT_EQ(sn.IpeiCheckDigit("0191400002911"), "");
    EXPECT_EQ(sn.IpeiCheckDigit("01914000029a"), "");

    struct Case {
        const char* text;
        bool valid;
        bool validWithCheck;
    };
    const Case cases[] = {
        {"01914 0000291", true, false},    {"01914 0000291 8", true, true},
        {"01914 0000291 7", false, false}, {"01914 0000293 *", true, true},
        {"01914 0000293 0", false, false}, {"99999 1048576", false, false},
        {"0191400002918x", false, false},  {"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sn.IsValidIpei(c.text), c.valid) << c.text;
        EXPECT_EQ(sn.IsValidIpeiWithCheckDigit(c.text), c.validWithCheck) << c.text;
    }
}

} // namespace

#include "NumberConverting.h"

#include <gtest/gtest.h>

namespace {

TEST(Hex2Dec, KeepsLowByteOfUpTo32Bits)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {{"ff", 255}, {"100", 0}, {"1FF", 255}, {"0A", 10}, {"FFFFFFFF", 255}, {"000000000001", 1}};
    for (const auto& c : cases)
        EXPECT_EQ(Hex2Dec(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(Hex2Dec, RefusesWithTheProgramsMessageLayout)
{
    try {
        (void)Hex2Dec(QStringLiteral("XY"));
        FAIL() << "no error";
    }
    catch (const ENumberConvertingError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("\"XY\" is not a valid Hex value\r\rUnit: NumberConverting\r"
                                              "Function: Hex2Dec(s: string):byte"));
    }
    for (const char* bad : {"", "100000000", "1 2", "-1", "$1"})
        EXPECT_THROW((void)Hex2Dec(QString::fromLatin1(bad)), ENumberConvertingError) << bad;
    try {
        (void)Hex2Dec(QString());
    }
    catch (const ENumberConvertingError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("\"\" is not")));
    }
}

TEST(Hex2Int64, SignExtendsFrom32Bits)
{
    EXPECT_EQ(Hex2Int64(QStringLiteral("0FFFF")), 65535);
    EXPECT_EQ(Hex2Int64(QStringLiteral("FFFFFFFF")), -1);
    EXPECT_EQ(Hex2Int64(QStringLiteral("000000001")), 1);
    try {
        (void)Hex2Int64(QStringLiteral("100000000"));
        FAIL() << "no error";
    }
    catch (const ENumberConvertingError& e) {
        EXPECT_TRUE(e.Message().endsWith(QStringLiteral("\rFunction: Hex2Int64(s:string): Int64")));
        EXPECT_FALSE(e.Message().contains(QLatin1Char('\n')));
    }
}

TEST(HexText, DigitConversions)
{
    EXPECT_EQ(HexTextToByte(QStringLiteral("a5")), 0xA5);
    EXPECT_EQ(HexTextToByte(QStringLiteral("7")), 7);
    EXPECT_EQ(HexTextToByte(QStringLiteral("G1")), 1); // unknown digits count as 0
    EXPECT_EQ(HexTextToByte(QStringLiteral("123")), 0);
    EXPECT_EQ(HexTextToByte(QString()), 0);
    EXPECT_EQ(HexTextToInt32(QStringLiteral("10000008")), 268435464u);
    EXPECT_EQ(HexTextToInt32(QStringLiteral("ffffffff")), 0xFFFFFFFFu);
    EXPECT_EQ(HexTextToInt64(QStringLiteral("10000000040")), 0x10000000040LL);
    EXPECT_EQ(Int64ToHex(0), QStringLiteral("0"));
    EXPECT_EQ(Int64ToHex(268435464), QStringLiteral("10000008"));
    EXPECT_EQ(Int64ToHex(-1), QStringLiteral("FFFFFFFFFFFFFFFF"));
    EXPECT_EQ(ByteToHex(255), QStringLiteral("FF"));
    EXPECT_EQ(ByteToHex(10), QStringLiteral("0A"));
    EXPECT_EQ(HexDigit(0x1F), QStringLiteral("F"));
}

TEST(TextChecks, HexDecimalPaddingBlanks)
{
    EXPECT_FALSE(IsHexText(QStringLiteral("0A 1b"), false));
    EXPECT_TRUE(IsHexText(QStringLiteral("0A 1b"), true));
    EXPECT_FALSE(IsHexText(QString(), true));
    EXPECT_TRUE(IsDecimalText(QStringLiteral("0123")));
    EXPECT_FALSE(IsDecimalText(QStringLiteral("12a")));
    EXPECT_FALSE(IsDecimalText(QString()));
    EXPECT_EQ(PadLeft(QStringLiteral("1A"), QLatin1Char('0'), 4), QStringLiteral("001A"));
    EXPECT_EQ(PadLeft(QStringLiteral("12345"), QLatin1Char('0'), 4), QStringLiteral("12345"));
    EXPECT_EQ(RemoveBlanks(QStringLiteral("00 04 D1")), QStringLiteral("0004D1"));
    EXPECT_EQ(RemoveBlanks(QStringLiteral("a\tb c")), QStringLiteral("a\tbc"));
}

TEST(CopySlice, BoundsAndZeroCount)
{
    std::vector<std::uint8_t> source(70000, 7);
    source[3] = 1;
    std::uint8_t dest[16] = {};
    EXPECT_FALSE(CopySlice(dest, source.data(), source.size(), 10, 65530));
    EXPECT_EQ(dest[0], 0);
    EXPECT_TRUE(CopySlice(dest, source.data(), source.size(), 0, 65535));
    EXPECT_TRUE(CopySlice(dest, source.data(), source.size(), 2, 3));
    EXPECT_EQ(dest[0], 1);
    EXPECT_EQ(dest[1], 7);
    EXPECT_FALSE(CopySlice(dest, source.data(), 4, 2, 3)); // past the end of a short source
}

TEST(ParseInteger, AcceptsAndRefuses)
{
    const struct {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {" 12", true, 12},
        {"+7", true, 7},
        {"-3", true, -3},
        {"$FF", true, 255},
        {"x1f", true, 31},
        {"X10", true, 16},
        {"0x10", true, 16},
        {"-$10", true, -16},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"12 ", false, 0},
        {"1.0", false, 0},
        {"", false, 0},
        {"abc", false, 0},
        {"2147483648", false, 0},
        {"$100000000", false, 0},
        {"+", false, 0},
        {"0x", false, 0},
    };
    for (const auto& c : cases) {
        const ParsedInteger r = ParseInteger(QString::fromLatin1(c.text));
        EXPECT_EQ(r.ok(), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(r.value, c.value) << c.text;
        }
    }
    EXPECT_EQ(ParseInteger(QStringLiteral("12 ")).errorPosition, 3);
    EXPECT_EQ(ParseInteger(QStringLiteral("1.0")).errorPosition, 2);
}

} // namespace

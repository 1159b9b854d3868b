#include "Windows1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Windows1252, DecodesTheHighControlRangeToItsTypographicCharacters)
{
    const struct {
        unsigned char byte;
        char16_t code;
    } cases[] = {{0x80, 0x20AC}, {0x85, 0x2026}, {0x8A, 0x0160}, {0x92, 0x2019}, {0x96, 0x2013}, {0x99, 0x2122},
                 {0x9F, 0x0178}, {0x41, 0x0041}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}, {0x00, 0x0000}};
    for (const auto& c : cases) {
        EXPECT_EQ(Windows1252ToChar(c.byte).unicode(), c.code) << int(c.byte);
        EXPECT_EQ(CharToWindows1252(QChar(c.code)), c.byte) << int(c.byte);
    }
}

TEST(Windows1252, UndefinedBytesDecodeToTheSameC1ControlAndBack)
{
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(Windows1252ToChar(b).unicode(), b);
        EXPECT_EQ(CharToWindows1252(QChar(char16_t(b))), b);
    }
    // The other C1 controls have no byte: 0x80 is the euro sign.
    EXPECT_EQ(CharToWindows1252(QChar(char16_t(0x80))), -1);
}

TEST(Windows1252, EveryByteSequenceSurvivesARoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = FromWindows1252(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(ToWindows1252(text), all);
}

TEST(Windows1252, CharactersWithoutAByteBecomeTheReplacement)
{
    EXPECT_EQ(ToWindows1252(QStringLiteral("a\u20ACb")), QByteArray("a\x80"
                                                                    "b"));
    EXPECT_EQ(ToWindows1252(QStringLiteral("\u0416x")), QByteArray("?x"));
    EXPECT_EQ(ToWindows1252(QStringLiteral("\u0416"), '_'), QByteArray("_"));
    // One character outside the BMP is one replacement, not two.
    EXPECT_EQ(ToWindows1252(QString::fromUtf8("\xF0\x9F\x98\x80!")), QByteArray("?!"));
}

} // namespace

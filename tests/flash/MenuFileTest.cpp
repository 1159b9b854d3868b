// The menu file rules: reading a line, checking a file, the gauge.
#include "MenuFile.h"

#include <gtest/gtest.h>

namespace {

using P = TMenuLineProblem;

TEST(MenuFile, LinesAreWritesSkipsOrProblems)
{
    struct Case {
        const char* line;
        P problem;
        const char* data; // for a sound write; nullptr: skipped
        int count = 0, low = 0, high = 0;
    };
    const Case cases[] = {
        {"02 9E 01 20 20", P::None, "20 20 ", 2, 0x9E, 0x01},
        {"1 40 0 AB", P::None, "AB ", 1, 0x40, 0x00},
        {"  1   40 0   ab  ", P::None, "AB ", 1, 0x40, 0x00},
        {"1 ff ff 7", P::None, "07 ", 1, 0xFF, 0xFF},
        {"", P::None, nullptr},
        {"    ", P::None, nullptr},
        {"rem 02 zz", P::None, nullptr},
        {"02 9E 01 20 20 ; Rem: startup text", P::None, nullptr},
        {"02 9E 01 20", P::DataCountMismatch, ""},
        {"01 9E 01 20 21", P::DataCountMismatch, ""},
        {"00 40 00", P::CountOutOfRange, ""},
        {"1E 40 00", P::CountOutOfRange, ""},
        {"1 4G 0 AB", P::FieldNotHex, ""},
        {"1 40 0 ABC", P::FieldNotHex, ""},
        {"1 40\t0 AB", P::FieldNotHex, ""},
        {"1 40", P::FieldNotHex, ""},
        {"2 FF FF 01 02", P::PastLastAddress, ""},
    };
    for (const Case& c : cases) {
        const TMenuLine line = TMenuFile::ReadLine(QString::fromLatin1(c.line));
        EXPECT_EQ(line.problem, c.problem) << c.line;
        EXPECT_EQ(line.skipped, c.data == nullptr) << c.line;
        if (c.problem == P::None && c.data) {
            EXPECT_EQ(line.write.dataText, QLatin1String(c.data)) << c.line;
            EXPECT_EQ(line.write.count, c.count) << c.line;
            EXPECT_EQ(line.write.addressLow, c.low) << c.line;
            EXPECT_EQ(line.write.addressHigh, c.high) << c.line;
        }
    }
}

TEST(MenuFile, FieldLimitAndProblemTexts)
{
    // 3 + 29 fields is the most a line holds.
    QString full = QStringLiteral("1D 00 01");
    for (int i = 0; i < 29; ++i)
        full += QStringLiteral(" 00");
    EXPECT_TRUE(TMenuFile::ReadLine(full).Ok());
    EXPECT_EQ(TMenuFile::ReadLine(full + QStringLiteral(" 00")).problem, P::TooManyFields);

    const QStringList file = {"REM header", "1 40 0 AB", "", "2 41 0 01 02", "1 42 X0 00", "1 43 0 00"};
    const TMenuCheck check = TMenuFile::Check(file);
    EXPECT_EQ(check.badLine, 5);
    EXPECT_EQ(TMenuFile::CheckText(check), "line 5: field 3 is not one or two hexadecimal digits");
    EXPECT_EQ(TMenuFile::CheckText(TMenuFile::Check({"2 41 0 01"})),
              "line 1: field 1 announces 2 data bytes, the line holds 1");
    EXPECT_EQ(TMenuFile::CheckText(TMenuFile::Check({"1 40"})), "line 1: field 3 is not one or two hexadecimal digits");
    const TMenuCheck sound = TMenuFile::Check(file.mid(0, 4));
    EXPECT_TRUE(sound.Ok());
    EXPECT_EQ(sound.writes, 2);
}

TEST(MenuFile, LinesEndWithLfOrCrLfAndAreWindows1252)
{
    EXPECT_EQ(TMenuFile::SplitLines("a\r\nb\nc").AllLines(), QStringList({"a", "b", "c"}));
    EXPECT_EQ(TMenuFile::SplitLines("a\r\n\r\nb\r\n").AllLines(), QStringList({"a", "", "b"}));
    EXPECT_EQ(TMenuFile::SplitLines("").AllLines(), QStringList());
    EXPECT_EQ(TMenuFile::SplitLines("REM \xE9t\xE9\n").AllLines(), QStringList({QStringLiteral("REM \u00E9t\u00E9")}));
    EXPECT_EQ(TMenuFile::SplitLines("\xEF\xBB\xBFREM \xC3\xA9\n").AllLines(),
              QStringList({QStringLiteral("REM \u00E9")}));
    // As editors save them: byte-order mark, CR line ends, blanks, an end-of-file byte.
    const TMenuCheck check = TMenuFile::Check(TMenuFile::SplitLines("\xEF\xBB\xBF 02 9E 01 20 20\t\r1 40 0 AB\r\x1A"));
    EXPECT_TRUE(check.Ok()) << TMenuFile::CheckText(check).toStdString();
    EXPECT_EQ(check.writes, 2);
}

TEST(MenuFile, EndlessOrHugeInputIsRefusedNotSwallowed)
{
    TMenuLines lines;
    QString error;
#ifdef Q_OS_WIN
    for (const char* device : {"NUL", "com3.mnu", "\\\\.\\NUL"}) {
#else
    for (const char* device : {"/dev/zero"}) {
#endif
        EXPECT_FALSE(TMenuFile::Load(QString::fromLatin1(device), lines, error)) << device;
        EXPECT_EQ(error, QStringLiteral("not a regular file")) << device;
    }
}

TEST(MenuFile, GaugeRoundsHalvesToEven)
{
    struct Case {
        int done, total, percent;
    };
    for (const Case& c : {Case{1, 3, 33}, Case{2, 3, 67}, Case{3, 3, 100}, Case{1, 8, 12}, Case{3, 8, 38},
                          Case{5, 8, 62}, Case{1, 200, 0}, Case{3, 200, 2}, Case{0, 0, 0}})
        EXPECT_EQ(TMenuFile::GaugePercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
}

} // namespace

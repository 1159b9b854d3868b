#include "RepeaterRules.h"
#include "AssertionError.h"

#include <gtest/gtest.h>

namespace {

TEST(RepeaterRules, MultiCellCodeBothWays)
{
    struct Case {
        const char* code;
        const char* cells;
    };
    const Case cases[] = {
        {"10000000040", "10000008"},
        {"10000000000", "10000000"},
        {"17777777774", "1FFFFFFF"},
        {"12345670124", "14E5DC15"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TRepeaterRules::TextToMultiCellCode(c.code), c.cells) << c.code;
        EXPECT_EQ(TRepeaterRules::MultiCellCodeToText(TRepeaterRules::CellsHexText(c.cells)), c.code) << c.code;
    }
    EXPECT_EQ(TRepeaterRules::MultiCellCodeToText("10 00 00 08"), "10000000040");
    EXPECT_EQ(TRepeaterRules::MultiCellCodeToText("1f ff ff ff"), "17777777774");
    // Cells that no code writes (an erased repeater) are no code, not one that writes back as other cells.
    for (const char* cells : {"FF FF FF FF", "0F FF FF FF", "20 00 00 00", "00 00 00 00"})
        EXPECT_EQ(TRepeaterRules::MultiCellCodeToText(cells), "") << cells;
    EXPECT_EQ(TRepeaterRules::SingleCellCodeToText("7F FF FF FF FF"), "777777777777");
    EXPECT_EQ(TRepeaterRules::SingleCellCodeToText("80 00 00 00 00"), "");
}

TEST(RepeaterRules, SingleCellCodeBothWaysWithBase)
{
    EXPECT_EQ(TRepeaterRules::TextToSingleCellCode("000000000017", 5), "000000007D");
    EXPECT_EQ(TRepeaterRules::SingleCellCodeToText("00 00 00 00 7D"), "000000000017");
    EXPECT_EQ(TRepeaterRules::TextToSingleCellCode("077777777777", 7), "0FFFFFFFFF");
    EXPECT_EQ(TRepeaterRules::SingleCellCodeToText("0f ff ff ff ff"), "077777777777");
    EXPECT_EQ(TRepeaterRules::TextToSingleCellCode("1", 0), "0000000008");
    // A twelve-digit code that does not begin with 0 survives the round trip.
    EXPECT_EQ(TRepeaterRules::TextToSingleCellCode("712345670123", 3), "729CBB829B");
    EXPECT_EQ(TRepeaterRules::SingleCellCodeToText("72 9C BB 82 9B"), "712345670123");
}

TEST(RepeaterRules, CodeConversionRefusesWhatIsNoDigit)
{
    EXPECT_THROW((void)TRepeaterRules::TextToMultiCellCode("1000000004x"), EAssertionFailed);
    EXPECT_THROW((void)TRepeaterRules::TextToSingleCellCode("1 2", 0), EAssertionFailed);
}

TEST(RepeaterRules, MultibaseCellDecoding)
{
    const int expected[] = {256, 128, 64, 32, 16, 8, 4, 2, 1};
    for (int i = 0; i <= 8; ++i)
        EXPECT_EQ(TRepeaterRules::MultibaseFromCode(static_cast<std::uint8_t>(0xA0 + i)), expected[i]) << i;
    for (int other : {0x00, 0x9F, 0xA9, 0xFF})
        EXPECT_FALSE(TRepeaterRules::MultibaseFromCode(static_cast<std::uint8_t>(other))) << other;
}

TEST(RepeaterRules, TypeClasses)
{
    for (int t : {6, 7, 8, 18, 19, 30, 31, 34, 35, 40, 41})
        EXPECT_FALSE(TRepeaterRules::IsMultiCellType(t)) << t;
    for (int t : {2, 4, 9, 17, 20, 29, 32, 33, 42, 128})
        EXPECT_TRUE(TRepeaterRules::IsMultiCellType(t)) << t;
}

TEST(RepeaterRules, CellsHexText)
{
    EXPECT_EQ(TRepeaterRules::CellsHexText("0000A123"), "00 00 A1 23 ");
    EXPECT_EQ(TRepeaterRules::CellsHexText("7"), "7");
    EXPECT_EQ(TRepeaterRules::CellsHexText("07"), "07");
    EXPECT_EQ(TRepeaterRules::CellsHexText("000000007D"), "00 00 00 00 7D ");
}

TEST(RepeaterRules, BusyBitTyping)
{
    EXPECT_TRUE(TRepeaterRules::BusyBitTextAllowed("", false));
    EXPECT_TRUE(TRepeaterRules::BusyBitTextAllowed("3", false));
    EXPECT_FALSE(TRepeaterRules::BusyBitTextAllowed("4", false));
    EXPECT_TRUE(TRepeaterRules::BusyBitTextAllowed("4", true));
    EXPECT_FALSE(TRepeaterRules::BusyBitTextAllowed("0", true));
    EXPECT_FALSE(TRepeaterRules::BusyBitTextAllowed("a", true));
}

struct ValidationCase {
    const char* name;
    int layout;
    TRepeaterInput input;
    bool zeroBlindSlot;
    RepeaterCheck expected;
};

TRepeaterInput Multi(const char* code, const char* base, const char* repeater, const char* busy, bool altShown = false,
                     const char* altBase = "", const char* altRepeater = "")
{
    return {code, base, repeater, busy, altBase, altRepeater, altShown, false};
}

TEST(RepeaterRules, ValidationStopsAtTheFirstFailingCheck)
{
    using C = RepeaterCheck;
    const ValidationCase cases[] = {
        {"multi ok", 1, Multi("10000000040", "5", "2", "3"), false, C::Ok},
        {"multi ten digits", 1, Multi("1000000004", "5", "2", "3"), false, C::CodeNotValid},
        {"multi last digit 1", 1, Multi("10000000041", "5", "2", "3"), false, C::CodeNotValid},
        {"multi digit 8", 1, Multi("10000800040", "5", "2", "3"), false, C::CodeNotValid},
        {"multi digit 9 in head", 1, Multi("19000000040", "5", "2", "3"), false, C::CodeNotValid},
        {"multi not starting with 1", 1, Multi("20000000040", "5", "2", "3"), false, C::CodeNotValid},
        {"multi empty code", 1, Multi("", "5", "2", "3"), false, C::CodeNotValid},
        {"multi code before base", 1, Multi("1", "x", "2", "3"), false, C::CodeNotValid},
        {"multi base text", 1, Multi("10000000044", "x", "2", "3"), false, C::BaseNotNumber},
        {"multi base 256", 1, Multi("10000000040", "256", "2", "3", true, "1", "1"), false, C::BaseNotInInterval},
        {"multi base -1", 1, Multi("10000000040", "-1", "2", "3"), false, C::BaseNotInInterval},
        {"multi alt before repeater", 1, Multi("10000000040", "5", "x", "3", true, "256", "1"), false,
         C::AltBaseNotInInterval},
        {"multi alt base text", 1, Multi("10000000040", "5", "2", "3", true, "", "1"), false, C::AltBaseNotNumber},
        {"multi alt repeater text", 1, Multi("10000000040", "5", "2", "3", true, "1", "z"), false,
         C::AltRepeaterNotNumber},
        {"multi alt repeater 256", 1, Multi("10000000040", "5", "2", "3", true, "1", "256"), false,
         C::AltRepeaterOutOfRange0To255},
        {"multi alt 255 ok", 1, Multi("10000000040", "5", "2", "3", true, "255", "255"), false, C::Ok},
        {"multi alt hidden not checked", 1, Multi("10000000040", "5", "2", "3", false, "x", "x"), false, C::Ok},
        {"multi repeater text", 1, Multi("10000000040", "5", "", "3"), false, C::RepeaterNotNumber},
        {"multi repeater 300", 1, Multi("10000000040", "5", "300", "3"), false, C::RepeaterOutOfRange0To255},
        {"multi busy 4 without slot", 1, Multi("10000000040", "5", "2", "4"), false, C::BusyBitOutOfRange},
        {"multi busy 4 with slot", 1, Multi("10000000040", "5", "2", "4"), true, C::Ok},
        {"multi busy 5 with slot", 1, Multi("10000000040", "5", "2", "5"), true, C::BusyBitOutOfRange4},
        {"multi busy empty", 1, Multi("10000000040", "5", "2", ""), false, C::BusyBitOutOfRange},
        {"single ok", 0, Multi("000000000017", "5", "2", "4"), false, C::Ok},
        {"single twelve digits", 0, Multi("777777777777", "7", "7", "1"), false, C::Ok},
        {"single thirteen digits", 0, Multi("0000000000017", "5", "2", "1"), false, C::CodeNotValid},
        {"single digit 8", 0, Multi("000000000018", "5", "2", "1"), false, C::CodeNotValid},
        {"single empty code", 0, Multi("", "5", "2", "1"), false, C::CodeNotValid},
        {"single busy before base", 0, Multi("17", "x", "2", "5"), false, C::BusyBitOutOfRange},
        {"single base 8", 0, Multi("17", "8", "2", "1"), false, C::BaseNotInInterval},
        {"single alt base 255", 0, Multi("17", "5", "2", "1", true, "255", "255"), false, C::Ok},
        {"single alt base 8", 0, Multi("17", "5", "2", "1", true, "8", "255"), false, C::AltBaseNotInInterval},
        {"single alt repeater 1", 0, Multi("17", "5", "2", "1", true, "7", "1"), false, C::AltRepeaterOutOfRange2To7},
        {"single repeater 1", 0, Multi("17", "5", "1", "1"), false, C::RepeaterOutOfRange2To7},
        {"single repeater 8", 0, Multi("17", "5", "8", "1"), false, C::RepeaterOutOfRange2To7},
        {"single repeater text", 0, Multi("17", "5", "a", "1"), false, C::RepeaterNotNumber},
    };
    for (const ValidationCase& c : cases) {
        int slotReads = 0;
        const auto slot = [&] {
            ++slotReads;
            return c.zeroBlindSlot;
        };
        EXPECT_EQ(TRepeaterRules::Validate(c.layout, c.input, slot, [] { return false; }), c.expected) << c.name;
        // Only the multi-cell busy-bit check asks the device.
        const bool reachedBusy =
            c.layout == 1 && (c.expected == RepeaterCheck::Ok || c.expected == RepeaterCheck::BusyBitOutOfRange ||
                              c.expected == RepeaterCheck::BusyBitOutOfRange4);
        EXPECT_EQ(slotReads, reachedBusy ? 1 : 0) << c.name;
    }
}

TEST(RepeaterRules, SingleCellBusyMessageFollowsTheHint)
{
    const TRepeaterInput input = Multi("17", "5", "2", "7");
    EXPECT_EQ(TRepeaterRules::Validate(0, input, nullptr, [] { return true; }), RepeaterCheck::BusyBitOutOfRange4);
    EXPECT_EQ(TRepeaterRules::Validate(0, input, nullptr, [] { return false; }), RepeaterCheck::BusyBitOutOfRange);
}

TEST(RepeaterRules, LayoutOutOfRangeIsAnInternalError)
{
    try {
        (void)TRepeaterRules::CheckAltBase(2, "1");
        FAIL();
    }
    catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), "AltBaseNumberGuiValid: Type not in range");
    }
    try {
        (void)TRepeaterRules::CheckAltRepeater(-1, "1");
        FAIL();
    }
    catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), "AltRepeaterNumberGuiValid: Type not in range");
    }
}

} // namespace

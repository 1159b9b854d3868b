#pragma once

#include "WriteVerdict.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// Repeater configuration without widgets: the cell map, the code conversions,
// the multibase table, the type classes and the input validation. The page
// and tunebench-cli share it, so both refuse and write the same way.

// Page layout values as the page reports them (GetRepeaterTypeGui).
inline constexpr int kSingleCellLayout = 0;
inline constexpr int kMultiCellLayout = 1;

namespace RepeaterCell {
inline constexpr std::uint16_t RepeaterNumber = 0x0002;
inline constexpr std::uint16_t BusyBit = 0x0004;
inline constexpr std::uint16_t RepeaterJump = 0x0005;
inline constexpr std::uint16_t DebugBeep = 0x0011;
inline constexpr std::uint16_t Cleared = 0x0017; // nine bytes
inline constexpr std::uint16_t AltBase = 0x0034;
inline constexpr std::uint16_t AltRepeater = 0x0035;
inline constexpr std::uint16_t Fixed = 0x0042;
inline constexpr std::uint16_t Multibase = 0x0043;
inline constexpr std::uint16_t Code = 0x0044; // 4 bytes multi-cell, 5 bytes single-cell
inline constexpr std::uint16_t MultiCellBase = 0x0048;
inline constexpr std::uint16_t ZeroBlindSlot = 0x0460;
inline constexpr std::uint16_t AltSync = 0x0461;

inline constexpr int ClearedCount = 9;
inline constexpr std::uint8_t FixedValue = 0x07;
inline constexpr std::uint8_t MultibaseOne = 0xA8;
inline constexpr std::uint8_t DebugBeepOn = 0x87;
inline constexpr std::uint8_t DebugBeepOff = 0x07;
inline constexpr std::uint8_t ZeroBlindSlotValue = 0x04;
inline constexpr std::uint8_t AltSyncValue = 0x01;
} // namespace RepeaterCell

// Why an input was refused; each has one message (see DefaultRepeaterMessage).
enum class RepeaterCheck {
    Ok,
    CodeNotValid,
    BaseNotNumber,
    BaseNotInInterval,
    AltBaseNotNumber,
    AltBaseNotInInterval,
    AltRepeaterNotNumber,
    AltRepeaterOutOfRange0To255,
    AltRepeaterOutOfRange2To7,
    RepeaterNotNumber,
    RepeaterOutOfRange0To255,
    RepeaterOutOfRange2To7,
    BusyBitOutOfRange,
    BusyBitOutOfRange4,
};

// The English texts of the page's hidden message labels.
[[nodiscard]] QString DefaultRepeaterMessage(RepeaterCheck check);

// Whether the chosen layout fits the repeater's type, read from the device.
enum class RepeaterLayoutRule {
    Fits,
    // Refused: the multi-cell cells mean nothing to a single-cell repeater.
    SingleCellTypeMultiCellLayout,
    // Asked: the single-cell cells overwrite the multi-cell code, which then
    // reads back as no code; only the technician knows it is meant.
    MultiCellTypeSingleCellLayout,
};
using TRepeaterLayoutDecision = TWriteDecision<RepeaterLayoutRule>;

enum class RepeaterField;

// The texts of the page's fields.
struct TRepeaterInput {
    QString code;
    QString base;
    QString repeater;
    QString busy;
    QString altBase;
    QString altRepeater;
    bool altShown = false;
    bool debugBeep = false;
};

class TRepeaterRules {
public:
    // Single-cell for 6, 7, 8, 18, 19, 30, 31 and 34 to 41.
    [[nodiscard]] static bool IsMultiCellType(int type);
    // A write in layout into a repeater of that (valid) type.
    [[nodiscard]] static TRepeaterLayoutDecision LayoutVerdict(int layout, int type);

    // 4-byte answer ("10 00 00 08") -> "10000000040"; empty when the cells hold no code.
    [[nodiscard]] static QString MultiCellCodeToText(const QString& answer);
    // "10000000040" -> "10000008"; digits only (checked by the validation).
    [[nodiscard]] static QString TextToMultiCellCode(const QString& code);
    // 5-byte answer ("00 00 00 00 7D") -> "000000000017"; empty when the cells hold no code.
    [[nodiscard]] static QString SingleCellCodeToText(const QString& answer);
    // "000000000017", base 5 -> "000000007D".
    [[nodiscard]] static QString TextToSingleCellCode(const QString& code, int base);

    // A0h..A8h -> 256..1; nothing for any other byte.
    [[nodiscard]] static std::optional<int> MultibaseFromCode(std::uint8_t code);

    // Pairs of hexadecimal digits with a blank after each ("0000A123" ->
    // "00 00 A1 23 "); texts shorter than 3 characters unchanged.
    [[nodiscard]] static QString CellsHexText(const QString& hex);

    // The busy-bit field takes only the digits of the hint in its first place.
    [[nodiscard]] static bool BusyBitTextAllowed(const QString& text, bool fourAllowed);

    // The octal codes a layout can store; an empty code is not one.
    [[nodiscard]] static bool MultiCellCodeValid(const QString& code);
    [[nodiscard]] static bool SingleCellCodeValid(const QString& code);

    // Throws EAssertionFailed for a layout other than 0 or 1.
    // A number field against its range in the layout (RepeaterFields).
    [[nodiscard]] static RepeaterCheck CheckNumber(RepeaterField field, int layout, const QString& text);
    [[nodiscard]] static RepeaterCheck CheckAltBase(int layout, const QString& text);
    [[nodiscard]] static RepeaterCheck CheckAltRepeater(int layout, const QString& text);

    // Stops at the first failing check. In the multi-cell layout the busy-bit
    // check asks zeroBlindSlot (a device read); in the single-cell layout
    // hintShowsFour only picks the message.
    [[nodiscard]] static RepeaterCheck Validate(int layout, const TRepeaterInput& input,
                                                const std::function<bool()>& zeroBlindSlot,
                                                const std::function<bool()>& hintShowsFour);

    // ParseInteger: a number when the parse reports no error.
    [[nodiscard]] static std::optional<int> Number(const QString& text);
};

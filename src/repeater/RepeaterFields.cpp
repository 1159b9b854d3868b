#include "RepeaterFields.h"

#include "AssertionError.h"

namespace {
using TUse = TRepeaterSetting::TUse;
using C = RepeaterCheck;
namespace Cell = RepeaterCell;

// A one-byte cell taking low to high in that layout.
constexpr TRepeaterFieldLayout Byte(std::uint16_t cell, int low, int high, C outOfRange = C::Ok, bool none = false)
{
    return {cell, 1, low, high, none, outOfRange};
}
} // namespace

const std::array<TRepeaterSetting, 8>& RepeaterFields()
{
    // In the order the read shows them; the single-cell base lives in the low
    // three bits of the code's five cells.
    static const std::array<TRepeaterSetting, 8> fields{{
        {RepeaterField::Code,
         "code",
         "MXS code, octal",
         TUse::Typed,
         {Cell::Code, 4, 0, 0, false, C::CodeNotValid},
         {Cell::Code, 5, 0, 0, false, C::CodeNotValid},
         "Edit3",
         "Label3",
         C::CodeNotValid,
         &TRepeaterInput::code},
        {RepeaterField::Base,
         "base",
         "base number",
         TUse::Typed,
         Byte(Cell::MultiCellBase, 0, 255, C::BaseNotInInterval),
         {Cell::Code, 5, 0, 7, false, C::BaseNotInInterval},
         "Edit4",
         "Label4",
         C::BaseNotNumber,
         &TRepeaterInput::base},
        {RepeaterField::Repeater, "repeater", "repeater number", TUse::Typed,
         Byte(Cell::RepeaterNumber, 0, 255, C::RepeaterOutOfRange0To255),
         Byte(Cell::RepeaterNumber, 2, 7, C::RepeaterOutOfRange2To7), "Edit5", "Label5", C::RepeaterNotNumber,
         &TRepeaterInput::repeater},
        {RepeaterField::Multibase, "multibase", "", TUse::Fixed, Byte(Cell::Multibase, 1, 256),
         Byte(Cell::Multibase, 1, 256), "Edit6", "Label9", C::Ok, nullptr, "1"},
        {RepeaterField::Jump, "jump", "", TUse::Fixed, Byte(Cell::RepeaterJump, 0, 3), Byte(Cell::RepeaterJump, 0, 3),
         "Edit7", "Label11", C::Ok, nullptr, "0"},
        {RepeaterField::Busy, "busy", "channels to transfer (busy bit)", TUse::Typed,
         Byte(Cell::BusyBit, 1, 3, C::BusyBitOutOfRange), Byte(Cell::BusyBit, 1, 4, C::BusyBitOutOfRange), "Edit8",
         "Label13", C::BusyBitOutOfRange, &TRepeaterInput::busy},
        {RepeaterField::AltBase, "alt-base", "alternative base number", TUse::Optional,
         Byte(Cell::AltBase, 0, 255, C::AltBaseNotInInterval), Byte(Cell::AltBase, 0, 7, C::AltBaseNotInInterval, true),
         "edtAltBaseToSyncOn", "lblAltBaseToSync", C::AltBaseNotNumber, &TRepeaterInput::altBase},
        {RepeaterField::AltRepeater, "alt-repeater", "alternative repeater number", TUse::Optional,
         Byte(Cell::AltRepeater, 0, 255, C::AltRepeaterOutOfRange0To255),
         Byte(Cell::AltRepeater, 2, 7, C::AltRepeaterOutOfRange2To7, true), "edtAltRepeaterNumber",
         "lblAltRepeaterNumber", C::AltRepeaterNotNumber, &TRepeaterInput::altRepeater},
    }};
    return fields;
}

const TRepeaterSetting& RepeaterSetting(RepeaterField field)
{
    for (const TRepeaterSetting& setting : RepeaterFields())
        if (setting.field == field)
            return setting;
    throw EAssertionFailed(QStringLiteral("RepeaterSetting: no such field!"));
}

RepeaterField FieldOfCheck(RepeaterCheck check)
{
    if (check == C::BusyBitOutOfRange4)
        return RepeaterField::Busy;
    for (const TRepeaterSetting& setting : RepeaterFields())
        if (check == setting.notNumber || check == setting.multi.outOfRange || check == setting.single.outOfRange)
            return setting.field;
    return RepeaterField::Code;
}

const std::vector<TRepeaterCellBlock>& RepeaterOtherCells()
{
    static const std::vector<TRepeaterCellBlock> cells{
        {Cell::DebugBeep, 1, "debug-beep"}, {Cell::Cleared, Cell::ClearedCount, "cleared"},
        {Cell::Fixed, 1, "fixed"},          {Cell::ZeroBlindSlot, 1, "busy-range"},
        {Cell::AltSync, 1, "alt-sync"},
    };
    return cells;
}

std::vector<TRepeaterCellBlock> RepeaterProgramCells()
{
    std::vector<TRepeaterCellBlock> cells;
    for (const TRepeaterSetting& setting : RepeaterFields())
        for (const TRepeaterFieldLayout* in : {&setting.multi, &setting.single})
            cells.push_back({in->cell, in->cells, setting.name});
    cells.insert(cells.end(), RepeaterOtherCells().begin(), RepeaterOtherCells().end());
    return cells;
}

QString RepeaterCellName(std::uint16_t address)
{
    const char* name = nullptr;
    for (const TRepeaterCellBlock& block : RepeaterProgramCells())
        if (!name && block.address == address)
            name = block.name;
    if (!name) // a piece of the cleared block that was not confirmed
        name = "cleared";
    return QStringLiteral("%1 (%2h)")
        .arg(QLatin1String(name), QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')).toUpper());
}

#pragma once

#include "RepeaterRules.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// The repeater's settings, each described once: where it lives in each layout,
// what it takes there, how the command line, JSON and the page name it, and
// what the input check says of it. The page's rows, the command line's
// options and output, the backup's cells and the input rules follow from here,
// so that a new setting is one row (and its texts).

enum class RepeaterField { Code, Base, Repeater, Multibase, Jump, Busy, AltBase, AltRepeater };

// A field in one layout: its cells and the values typed into it.
struct TRepeaterFieldLayout {
    std::uint16_t cell = 0; // the first cell its write sends
    int cells = 1;
    int low = 0;
    int high = 255;
    bool noneIs255 = false; // 255 stands for "none" besides the range
    RepeaterCheck outOfRange = RepeaterCheck::Ok;
    [[nodiscard]] bool Accepts(int value) const
    {
        return (value >= low && value <= high) || (noneIs255 && value == 255);
    }
};

struct TRepeaterSetting {
    enum class TUse {
        Typed,    // typed on the page, required on the command line
        Optional, // shown only on repeaters with alternative synchronisation
        Fixed,    // not typed: every write sets fixedText
    };
    RepeaterField field;
    const char* name; // the command line's option and read line, the JSON key
    const char* help; // the option's help
    TUse use;
    TRepeaterFieldLayout multi;
    TRepeaterFieldLayout single;
    const char* edit;    // the page's edit
    const char* caption; // the page's label in front of it
    RepeaterCheck notNumber = RepeaterCheck::Ok;
    QString TRepeaterInput::*text = nullptr; // where the input holds it (not for fixed fields)
    const char* fixedText = nullptr;

    [[nodiscard]] const TRepeaterFieldLayout& In(int layout) const
    {
        return layout == kSingleCellLayout ? single : multi;
    }
    // What the field holds in input: the typed text, or what a write sets.
    [[nodiscard]] QString TextOf(const TRepeaterInput& input) const
    {
        return text ? input.*text : QString::fromLatin1(fixedText);
    }
};

[[nodiscard]] const std::array<TRepeaterSetting, 8>& RepeaterFields();
[[nodiscard]] const TRepeaterSetting& RepeaterSetting(RepeaterField field);
// The field whose check gave this answer; Code for a check of no field.
[[nodiscard]] RepeaterField FieldOfCheck(RepeaterCheck check);

// A cell block the program reads or writes on a repeater, with the name the
// command line gives it.
struct TRepeaterCellBlock {
    std::uint16_t address;
    int count;
    const char* name;
};
// The cells beside the fields: the debug beep, the cleared block, the fixed
// cell and the two the device reports its abilities in.
[[nodiscard]] const std::vector<TRepeaterCellBlock>& RepeaterOtherCells();
// Every cell that reading and writing a repeater in either layout touches.
[[nodiscard]] std::vector<TRepeaterCellBlock> RepeaterProgramCells();
// The name of the block that begins at address ("cleared" for one inside the
// cleared block), for messages about unconfirmed writes.
[[nodiscard]] QString RepeaterCellName(std::uint16_t address);

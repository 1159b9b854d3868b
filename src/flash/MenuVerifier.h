#pragma once

#include "DeviceBackup.h"
#include "MenuFile.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TMailControl;

// Cells of a line that the device holds otherwise: from the first differing
// cell to the last, as the device has them and as the file would write them.
struct TMenuDifference {
    int line = 0; // counted from 1: the line that writes these cells last
    std::uint16_t address = 0;
    QString device;        // "48 49"
    QString file;          // "20 20"
    bool identity = false; // the device's own identity cells, which a restore leaves as they are
    // "line N: ADDR device XX file YY", "line N: ADDR identity device XX file YY"
    [[nodiscard]] QString Text() const;
};

struct TMenuVerifyResult {
    enum class TEnd {
        Completed, // every line read; `differences` says whether they match
        Refused,   // the file did not pass its check; nothing was read
        Empty,     // no line writes a cell (only empty and REM lines); nothing was read
        NoAnswer,  // line `failedLine` got no valid answer
        Stopped,
    };
    TEnd end = TEnd::Completed;
    TMenuCheck check;
    int failedLine = 0;
    std::vector<TMenuDifference> differences;
    // Differences in the settings: those outside the identity cells.
    [[nodiscard]] int SettingDifferences() const;
};

// Reads every cell that a menu file's lines would write and compares it with
// the last value the file writes into it: what playing the file leaves
// behind. The command line's "menu verify" and the Download page share it.
// Cells that follow each other in the EEPROM are read together.
class TMenuVerifier {
public:
    explicit TMenuVerifier(TMailControl& link) : m_link(link) {}

    std::function<void(int done, int percent)> OnLineDone;
    // The device's identity cells where the file was read from another
    // device: their differences are named apart from the settings'.
    std::optional<TCellRun> SetApart;

    TMenuVerifyResult Verify(const TMenuLines& lines);

private:
    TMailControl& m_link;
};

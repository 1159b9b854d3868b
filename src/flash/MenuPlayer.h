#pragma once

#include "DeviceBackup.h"
#include "MenuFile.h"

#include <QStringList>
#include <functional>
#include <optional>

class TMailControl;

struct TMenuPlayResult {
    enum class TEnd {
        Completed,   // every line done
        Refused,     // the file did not pass its check; nothing was sent
        Empty,       // no line writes anything (only empty and REM lines); nothing was sent
        WriteFailed, // the read-back did not confirm line `done + 1`
        Stopped,     // the link was stopped (the program is closing)
    };
    TEnd end = TEnd::Completed;
    TMenuCheck check; // Refused: the first bad line
    int done = 0;     // lines taken off the front (the number of the last), skipped ones included
    int written = 0;  // writes the device confirmed
};

// Plays a menu file into the device on the link, line by line from the front,
// each write confirmed by its read-back. The page and the command line share
// it; each shows the progress its own way.
class TMenuPlayer {
public:
    explicit TMenuPlayer(TMailControl& link) : m_link(link) {}

    // After each line: the lines done so far and the gauge value.
    std::function<void(int done, int percent)> OnLineDone;
    // Cells the lines leave as the device has them (another device's identity).
    std::optional<TCellRun> LeaveOut;

    // Checks the whole file first; sends nothing when a line is bad.
    TMenuPlayResult Play(const TMenuLines& lines);

private:
    TMailControl& m_link;
};

#pragma once

// The device layer's answer to "may this action write what it means to?".
// Front ends word it and never decide it: the window shows a refusal as a
// message and asks an Ask as a Yes/No question whose default is No; the
// command line refuses both, and writes an Ask only under --force.
enum class WriteVerdict {
    Write,
    Ask,    // plausible, but the device's own cells speak against it
    Refuse, // never right for this device or this input
};

// A verdict and the rule that gave it; each subject names its rules.
template <typename Rule> struct TWriteDecision {
    WriteVerdict verdict = WriteVerdict::Write;
    Rule rule{};
    [[nodiscard]] bool Writes(bool confirmed) const
    {
        return verdict == WriteVerdict::Write || (verdict == WriteVerdict::Ask && confirmed);
    }
};

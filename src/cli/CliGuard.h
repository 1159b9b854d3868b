#pragma once

#include "CliSession.h"
#include "DeviceKind.h"

#include <optional>
#include <string>

class TSendmail;
namespace CLI {
class App;
}

// Adds --force to a command that checks the device kind before it writes.
void AddForceOption(CLI::App* command, bool& force);

// What a device command makes sure of before it talks to the device.
struct TDeviceNeeds {
    const char* noAnswerText = nullptr; // printed when no device answers
    bool answerCheck = false;           // a device must answer the probe
    // The command writes into this kind only: the probe and the detection as
    // the window's "Set Comport" runs them; another kind is refused before
    // anything is written. force skips this check (and sends nothing for it).
    std::optional<DeviceKind> kind;
    std::string command; // named when the device is refused
    bool force = false;
    bool identify = false; // detect the kind even where no kind is needed
    bool writes = true;    // a refusal says what was not done: written, or read
};

// The port open and the device checked as needs says; or why not.
struct TDeviceAccess {
    TSendmail* link = nullptr; // null: exit holds the code, already reported
    int exit = kExitDone;
    DeviceKind kind = DeviceKind::Unknown; // what the detection found, when it ran
    explicit operator bool() const { return link != nullptr; }
};

// The one way every device command of tunebench-cli reaches its device:
// opens the port, checks the answer and the kind, and reports a refusal
// (kExitPort, kExitNoAnswer: nothing or an unreadable identity answered,
// kExitWrongModel).
[[nodiscard]] TDeviceAccess OpenDevice(TCliSession& s, const TDeviceNeeds& needs);

#pragma once

#include "DeviceKind.h"

#include <optional>

class TMailControl;

// What an action needs of the device before it may touch it. The one
// question every front end asks: the window's pages, tunebench-cli and the
// flash load utility's default commands word the answer, they never decide.
struct TDeviceDemand {
    bool answerCheck = false; // a device must answer the probe
    // Only this kind may be written; another kind, a device that is neither
    // kind and one whose identity gave no answer are refused before anything
    // is sent. Nothing: any device that answers.
    std::optional<DeviceKind> kind;
    bool identify = false; // detect the kind even where no kind is needed
    bool force = false;    // the technician takes the kind on trust (the CLI's --force)
};

enum class DeviceGuardOutcome {
    Go,
    NoAnswer,    // nothing answered the probe
    Stopped,     // the link was stopped or the port went away
    UnknownKind, // answered, but the identity cells gave no valid answer
    WrongKind,   // answered as another kind (found says which)
};

struct TDeviceGuardResult {
    DeviceGuardOutcome outcome = DeviceGuardOutcome::Go;
    DeviceKind found = DeviceKind::Unknown; // what the detection found, when it ran
    bool detected = false;
    [[nodiscard]] bool Go() const { return outcome == DeviceGuardOutcome::Go; }
};

// The port must be open. Probes, detects and compares as the demand says; the
// detected kind also goes to the journal of writes.
[[nodiscard]] TDeviceGuardResult CheckDevice(TMailControl& link, const TDeviceDemand& demand);

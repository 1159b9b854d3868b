#pragma once

#include "CliSession.h"
#include "DeviceBackup.h"

#include <optional>
#include <string>

class TMailControl;
namespace CLI {
class App;
}

// Adds --force to a command that checks the device kind before it writes.
void AddForceOption(CLI::App* command, bool& force);

// The probe and the detection, as the window's "Set Comport" runs them: the
// kind of device that answers, or none (noAnswerText printed).
[[nodiscard]] std::optional<TBackupKind> IdentifyDevice(TCliSession& s, TMailControl& link, const char* noAnswerText);

// A base is a device that answers as neither a handset nor a repeater.
// Identifies the device as the window's "Set Comport" does (the probe, then
// the detection) and refuses a device of another kind before anything is
// written. kExitDone when the command may go on; otherwise the exit code,
// already reported: kExitNoAnswer (noAnswerText printed) or kExitWrongModel.
// With force nothing is sent and the command goes on.
int CheckDeviceKind(TCliSession& s, TMailControl& link, TBackupKind needed, const std::string& command, bool force,
                    const char* noAnswerText);

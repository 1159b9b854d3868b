#include "CliGuard.h"

#include "DeviceGuard.h"
#include "SndMail.h"

#include <CLI/CLI.hpp>

namespace {

// The guard's refusal in the command line's words, or kExitDone.
int Refusal(TCliSession& s, const TDeviceGuardResult& result, const TDeviceNeeds& needs)
{
    switch (result.outcome) {
    case DeviceGuardOutcome::Go:
        return kExitDone;
    case DeviceGuardOutcome::NoAnswer:
        if (needs.noAnswerText)
            s.Err() << needs.noAnswerText << "\n";
        return kExitNoAnswer;
    case DeviceGuardOutcome::Stopped: // the caller says why
        return kExitNoAnswer;
    case DeviceGuardOutcome::UnknownKind:
        s.Err() << "the device answered the probe, but its identity (cell 0040h, or the type at 0780h) gave no "
                   "valid answer; its kind is unknown and nothing was "
                << (needs.writes ? "written" : "read") << "\n";
        return kExitNoAnswer;
    case DeviceGuardOutcome::WrongKind:
        break;
    }
    if (result.found == DeviceKind::Base)
        s.Err() << "the device answered, but as neither a handset nor a repeater; '" << needs.command.c_str()
                << "' needs " << DeviceKindNoun(*needs.kind)
                << ". Nothing was written; --force writes without this check.\n";
    else
        s.Err() << "the device answered as \"" << DeviceKindStatusText(result.found) << "\"; '" << needs.command.c_str()
                << "' needs " << DeviceKindNoun(*needs.kind) << ". Nothing was written.\n";
    return kExitWrongModel;
}

} // namespace

void AddForceOption(CLI::App* command, bool& force)
{
    command->add_flag("--force", force,
                      "write without identifying the device first (for a device that the\n"
                      "detection cannot place)");
}

TDeviceAccess OpenDevice(TCliSession& s, const TDeviceNeeds& needs)
{
    TDeviceAccess access;
    TSendmail* link = s.OpenLink();
    if (!link) {
        access.exit = kExitPort;
        return access;
    }
    const TDeviceGuardResult result = CheckDevice(*link, {needs.answerCheck, needs.kind, needs.identify, needs.force});
    access.kind = result.found;
    access.exit = Refusal(s, result, needs);
    if (access.exit == kExitDone)
        access.link = link;
    return access;
}

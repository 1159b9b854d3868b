#include "CliGuard.h"

#include "DeviceDetection.h"
#include "DeviceProbe.h"
#include "SndMail.h"
#include "WriteJournal.h"

#include <CLI/CLI.hpp>

namespace {

// The detection's result as a refusal, or kExitDone.
int Refusal(TCliSession& s, DeviceKind found, const TDeviceNeeds& needs)
{
    if (found == DeviceKind::Unknown) {
        s.Err() << "the device answered the probe, but its identity (cell 0040h, or the type at 0780h) gave no "
                   "valid answer; its kind is unknown and nothing was written\n";
        return kExitNoAnswer;
    }
    if (!needs.kind || needs.force || found == *needs.kind)
        return kExitDone;
    if (found == DeviceKind::Base)
        s.Err() << "the device answered, but as neither a handset nor a repeater; '" << needs.command.c_str()
                << "' needs " << DeviceKindNoun(*needs.kind)
                << ". Nothing was written; --force writes without this check.\n";
    else
        s.Err() << "the device answered as \"" << DeviceKindStatusText(found) << "\"; '" << needs.command.c_str()
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
    const bool detect = needs.identify || (needs.kind && !needs.force);
    if (detect || needs.answerCheck) {
        if (!DeviceAnswers(*link)) {
            if (!link->StopRequested && needs.noAnswerText)
                s.Err() << needs.noAnswerText << "\n";
            access.exit = kExitNoAnswer;
            return access;
        }
    }
    if (detect) {
        access.kind = TDeviceDetector(*link).DetectDevice();
        // A stop or a lost port is no answer of the device; the caller says which.
        if (link->StopRequested || !link->IsPortOpen()) {
            access.exit = kExitNoAnswer;
            return access;
        }
        TWriteJournal::SetDevice(access.kind, {});
        access.exit = Refusal(s, access.kind, needs);
        if (access.exit != kExitDone)
            return access;
    }
    access.link = link;
    return access;
}

#include "CliGuard.h"

#include "DeviceDetection.h"
#include "DeviceProbe.h"
#include "SndMail.h"
#include "WriteJournal.h"

#include <CLI/CLI.hpp>

namespace {

const char* Noun(TBackupKind kind)
{
    switch (kind) {
    case TBackupKind::Handset:
        return "a handset";
    case TBackupKind::Repeater:
        return "a repeater";
    case TBackupKind::Base:
        break;
    }
    return "a base station (a device that answers as neither a handset nor a repeater)";
}

} // namespace

void AddForceOption(CLI::App* command, bool& force)
{
    command->add_flag("--force", force,
                      "write without identifying the device first (for a device that the\n"
                      "detection cannot place)");
}

std::optional<TBackupKind> IdentifyDevice(TCliSession& s, TMailControl& link, const char* noAnswerText)
{
    if (!DeviceAnswers(link)) {
        if (!link.StopRequested)
            s.Err() << noAnswerText << "\n";
        return std::nullopt;
    }
    const DeviceKind found = TDeviceDetector(link).DetectDevice();
    // A stop or a lost port is no answer of the device; the caller says which.
    if (link.StopRequested || !link.IsPortOpen())
        return std::nullopt;
    TWriteJournal::SetDevice(QLatin1String(BackupKindName(KindOfDetected(found))), {});
    return KindOfDetected(found);
}

int CheckDeviceKind(TCliSession& s, TMailControl& link, TBackupKind needed, const std::string& command, bool force,
                    const char* noAnswerText)
{
    if (force)
        return kExitDone;
    const std::optional<TBackupKind> found = IdentifyDevice(s, link, noAnswerText);
    if (!found)
        return kExitNoAnswer;
    if (*found == needed)
        return kExitDone;
    if (*found == TBackupKind::Base)
        s.Err() << "the device answered, but as neither a handset nor a repeater; '" << command.c_str() << "' needs "
                << Noun(needed) << ". Nothing was written; --force writes without this check.\n";
    else
        s.Err() << "the device answered as \""
                << DeviceKindStatusText(*found == TBackupKind::Handset ? DeviceKind::Handset : DeviceKind::Repeater)
                << "\"; '" << command.c_str() << "' needs " << Noun(needed) << ". Nothing was written.\n";
    return kExitWrongModel;
}

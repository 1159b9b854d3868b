// "default handset|repeater|base": the default command of the Default Commands window.
#include "CliApp.h"
#include "CliGroups.h"
#include "CliGuard.h"

#include "DefaultCommand.h"
#include "SndMail.h"

namespace {
namespace defaults {
const std::string kGroup = "Default commands";

struct TDefaultArgs {
    std::string device;
    std::string target;
    bool force = false;
};

const char* const kNotConnected = "Could not connect to device!\nThe device must be ON when sending default command.";

int SendDefault(TCliSession& s, const TDefaultArgs& a)
{
    const TDefaultDevice device = a.device == "repeater" ? TDefaultDevice::Repeater
                                  : a.device == "base"   ? TDefaultDevice::Base
                                                         : TDefaultDevice::Handset;
    if (!a.target.empty() && !s.Options().baudGiven)
        s.UseBaud(DefaultCommandBaud(*ParseDecimal(FromArg(a.target))));
    const TDeviceDemand demand = DefaultCommandDemand(device, a.force);
    TDeviceNeeds needs;
    needs.noAnswerText = kNotConnected;
    needs.answerCheck = demand.answerCheck;
    needs.kind = demand.kind;
    needs.identify = demand.identify;
    needs.force = demand.force;
    needs.command = "default " + a.device;
    const TDeviceAccess access = OpenDevice(s, needs);
    if (!access)
        return access.exit;
    TDefaultCommand command(*access.link);
    const TDefaultCommand::TOutcome outcome = command.Run(device);
    if (outcome == TDefaultCommand::TOutcome::Stopped)
        return kExitNoAnswer; // a signal: the caller says so
    if (outcome == TDefaultCommand::TOutcome::Lost)
        return s.PortLost();
    if (outcome != TDefaultCommand::TOutcome::Sent) {
        s.Err() << kNotConnected << "\n";
        return kExitNoAnswer;
    }
    s.Output().Result(QStringLiteral("default"), {{"device", FromArg(a.device)}, {"baud", s.Options().baud}},
                      QStringLiteral("Default Command sent to device!\n"));
    return kExitDone;
}
} // namespace defaults
} // namespace

void AddDefaultCommands(TCliApp& cli)
{
    using namespace defaults;
    auto args = std::make_shared<TDefaultArgs>();
    CLI::App* command = cli.AddCommand(kGroup, "default",
                                       "probe, send the device's default command, wait 3 s for it to take effect;\n"
                                       "at the flash target's rate with --target (9600, 8600 for 3 and 7, 115200\n"
                                       "for 6 and 8) unless --baud is given",
                                       [args](TCliSession& s) { return SendDefault(s, *args); });
    command->add_option("DEVICE", args->device, "the kind of device")
        ->type_name("handset|repeater|base")
        ->required()
        ->check(CLI::IsMember({"handset", "repeater", "base"}).description(""));
    AddForceOption(command, args->force);
    command->add_option("--target", args->target, "the flash load utility's target")
        ->type_name("0..8")
        ->check(DecimalCheck("0..8", [](int n) { return n >= 0 && n <= 8; }));
}

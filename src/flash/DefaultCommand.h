#pragma once

#include "DeviceGuard.h"

#include <QString>
#include <cstdint>

class TMailControl;

// The default command: one mail that sets a handset, repeater or base back to
// its defaults. Shared by the "Default Commands" window and tunebench-cli.
enum class TDefaultDevice { Handset, Repeater, Base };

// The kind of device each command is for.
[[nodiscard]] DeviceKind DefaultCommandKind(TDefaultDevice device);
// What the device must be before its default command goes out: of the
// command's kind (unless force). The window and the CLI both guard
// with it.
[[nodiscard]] TDeviceDemand DefaultCommandDemand(TDefaultDevice device, bool force = false);

// "2 3a 0" for a handset and a base, "2 3a" for a repeater.
[[nodiscard]] QString DefaultCommandMail(TDefaultDevice device);
// The line speed of a flash target (the flash load utility's target index):
// 8600 for 3 and 7, 115200 for 6 and 8 (the other device of 6's loader
// family), 9600 for the others.
[[nodiscard]] std::int32_t DefaultCommandBaud(int targetIndex);

// Runs one default command on an open link: the probe, the mail, then a pause
// in which the device takes the command and the event loop keeps running.
class TDefaultCommand {
public:
    enum class TOutcome {
        NoAnswer, // the probe found nothing; no mail was sent
        Sent,     // the mail went out and the pause has passed
        Stopped,  // Stop() ended it
        Lost,     // the port went away before the pause passed: the mail may never have left
    };
    static constexpr int kProbePauseMs = 1000;
    static constexpr int kPauseMs = 3000;

    explicit TDefaultCommand(TMailControl& link) : m_link(link) {}
    TDefaultCommand(const TDefaultCommand&) = delete;
    TDefaultCommand& operator=(const TDefaultCommand&) = delete;

    TOutcome Run(TDefaultDevice device, int pauseMs = kPauseMs);
    // Ends the probe, the exchange and the pause at once (the window closes).
    void Stop();

private:
    TMailControl& m_link;
};

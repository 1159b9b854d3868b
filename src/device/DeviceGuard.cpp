#include "DeviceGuard.h"

#include "DeviceDetection.h"
#include "DeviceProbe.h"
#include "SndMail.h"
#include "WriteJournal.h"

TDeviceGuardResult CheckDevice(TMailControl& link, const TDeviceDemand& demand)
{
    TDeviceGuardResult result;
    const bool detect = demand.identify || (demand.kind && !demand.force);
    if ((detect || demand.answerCheck) && !DeviceAnswers(link)) {
        result.outcome = link.StopRequested || !link.IsPortOpen() ? DeviceGuardOutcome::Stopped
                                                                  : DeviceGuardOutcome::NoAnswer;
        return result;
    }
    if (!detect)
        return result;
    result.found = TDeviceDetector(link).DetectDevice();
    result.detected = true;
    // A stop or a lost port is no answer of the device.
    if (link.StopRequested || !link.IsPortOpen()) {
        result.outcome = DeviceGuardOutcome::Stopped;
        return result;
    }
    TWriteJournal::SetDevice(result.found, {});
    if (result.found == DeviceKind::Unknown)
        result.outcome = DeviceGuardOutcome::UnknownKind;
    else if (demand.kind && !demand.force && result.found != *demand.kind)
        result.outcome = DeviceGuardOutcome::WrongKind;
    return result;
}

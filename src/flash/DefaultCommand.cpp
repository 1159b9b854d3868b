#include "DefaultCommand.h"

#include "SndMail.h"

DeviceKind DefaultCommandKind(TDefaultDevice device)
{
    switch (device) {
    case TDefaultDevice::Repeater:
        return DeviceKind::Repeater;
    case TDefaultDevice::Base:
        return DeviceKind::Base;
    case TDefaultDevice::Handset:
        break;
    }
    return DeviceKind::Handset;
}

TDeviceDemand DefaultCommandDemand(TDefaultDevice device, bool force)
{
    TDeviceDemand demand; // no answer check of its own: TDefaultCommand probes before the mail
    demand.kind = DefaultCommandKind(device);
    demand.force = force;
    return demand;
}

QString DefaultCommandMail(TDefaultDevice device)
{
    return device == TDefaultDevice::Repeater ? QStringLiteral("2 3a") : QStringLiteral("2 3a 0");
}

std::int32_t DefaultCommandBaud(int targetIndex)
{
    switch (targetIndex) {
    case 3:
    case 7:
        return 8600;
    case 6:
    case 8:
        return 115200;
    default:
        return 9600;
    }
}

TDefaultCommand::TOutcome TDefaultCommand::Run(TDefaultDevice device, int pauseMs)
{
    const int attempt = m_link.ProbeDevice(kProbePauseMs);
    if (m_link.StopRequested)
        return TOutcome::Stopped;
    if (attempt < 1 || attempt > 6)
        return TOutcome::NoAnswer;
    // The answer is not judged: the device may already be busy with its defaults.
    (void)m_link.SendMail(DefaultCommandMail(device));
    // The pause ends at once when the port goes (adapter pulled) or a stop comes.
    if (!m_link.StopRequested && m_link.IsPortOpen())
        m_link.Pause(pauseMs);
    if (m_link.StopRequested)
        return TOutcome::Stopped;
    return m_link.IsPortOpen() ? TOutcome::Sent : TOutcome::Lost;
}

void TDefaultCommand::Stop() { m_link.StopRequested = true; }

#include "DefaultCommand.h"

#include "SndMail.h"

#include <QEventLoop>
#include <QTimer>

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
    if (!m_link.StopRequested)
        Pause(pauseMs);
    return m_link.StopRequested ? TOutcome::Stopped : TOutcome::Sent;
}

void TDefaultCommand::Pause(int ms)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    m_pause = &loop;
    loop.exec();
    m_pause = nullptr;
}

void TDefaultCommand::Stop()
{
    m_link.StopRequested = true;
    if (m_pause)
        m_pause->quit();
}

#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace tbtest {

// Runs the event loop until the condition holds or the deadline passes.
// A 2 ms heartbeat wakes the dispatcher so conditions changed by other threads
// are seen; between wake-ups the thread sleeps.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    QTimer heartbeat;
    heartbeat.start(2);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace tbtest

#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;
class QWinEventNotifier;

// SIGINT, SIGTERM and SIGHUP while a command runs (on Windows the console's
// Ctrl+C and Ctrl+Break as SIGINT, its close, log-off and shut-down as SIGTERM): the handler only notes the signal
// (and wakes the event loop through a pipe); onSignal then runs on the event
// loop, inside whatever wait the link is in. A program still running a
// second later (a wait outside the event loop) or a second signal ends it at
// once with the same exit status. SIGPIPE is ignored, so a closed standard
// output is a failed write, not a silent death.
class TCliSignals : public QObject {
public:
    explicit TCliSignals(std::function<void()> onSignal);
    ~TCliSignals() override;
    TCliSignals(const TCliSignals&) = delete;
    TCliSignals& operator=(const TCliSignals&) = delete;

    // The signal received, 0 if none.
    [[nodiscard]] static int Received();
    // "Interrupt", "Terminated", "Hangup".
    [[nodiscard]] static const char* Name(int signal);

private:
    std::function<void()> m_onSignal;
#ifdef Q_OS_WIN
    std::unique_ptr<QWinEventNotifier> m_notifier;
#else
    std::unique_ptr<QSocketNotifier> m_notifier;
#endif
};

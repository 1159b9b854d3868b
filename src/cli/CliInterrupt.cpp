#include "CliInterrupt.h"

#include "StopRequest.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <utility>

namespace {
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
int g_fds[2] = {-1, -1};
} // namespace

struct TCliInterrupt::TState {
    struct sigaction previous[std::size(kSignals)]{};
    std::unique_ptr<QSocketNotifier> notifier;
};

TCliInterrupt::TCliInterrupt() : m_state(std::make_unique<TState>())
{
    if (::pipe2(g_fds, O_CLOEXEC | O_NONBLOCK) != 0)
        g_fds[0] = g_fds[1] = -1;
    struct sigaction action {};
    action.sa_handler = [](int) {
        tbstop::Request(); // the check of the software file ends too
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_fds[1], &c, 1);
    };
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &m_state->previous[i]);
}

TCliInterrupt::~TCliInterrupt()
{
    m_state->notifier.reset();
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &m_state->previous[i], nullptr);
    for (int& fd : g_fds)
        if (fd >= 0)
            ::close(std::exchange(fd, -1));
}

void TCliInterrupt::WhenFired(std::function<void()> action)
{
    if (g_fds[0] < 0)
        return;
    m_state->notifier = std::make_unique<QSocketNotifier>(g_fds[0], QSocketNotifier::Read);
    QSocketNotifier* notifier = m_state->notifier.get();
    QObject::connect(notifier, &QSocketNotifier::activated, [notifier, action = std::move(action)] {
        notifier->setEnabled(false);
        action();
    });
}

bool TCliInterrupt::Fired() const
{
    pollfd p{g_fds[0], POLLIN, 0};
    return g_fds[0] >= 0 && ::poll(&p, 1, 0) > 0;
}

bool TCliInterrupt::WaitForEnter() const
{
    for (;;) {
        pollfd p[2] = {{0, POLLIN, 0}, {g_fds[0], POLLIN, 0}};
        if (::poll(p, 2, -1) < 0)
            continue;
        if (p[1].revents)
            return false;
        char c = 0;
        const ssize_t n = ::read(0, &c, 1);
        if (n <= 0)
            return false;
        if (c == '\n')
            return true;
    }
}

bool TCliInterrupt::InputIsTerminal() { return ::isatty(0) == 1; }

bool TCliInterrupt::OutputIsTerminal() { return ::isatty(1) == 1; }

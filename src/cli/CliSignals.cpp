#include "CliSignals.h"

#include "StopRequest.h"

#include <QSocketNotifier>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// SIGHUP too: a closed terminal or a dropped remote session must not leave the port locked and at a changed rate.
constexpr int kHandled[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t g_received = 0;
int g_pipe[2] = {-1, -1};

void Say(const char* text) { [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, text, std::strlen(text)); }

// The event loop gets a second to stop the command and close the port; a wait
// outside it (a blocking open, a read of a file) ends the program here.
extern "C" void EndNow(int)
{
    const int signal = g_received;
    Say(signal == SIGINT    ? "tunebench-cli: stopped by Interrupt\n"
        : signal == SIGTERM ? "tunebench-cli: stopped by Terminated\n"
                            : "tunebench-cli: stopped by Hangup\n");
    ::_exit(128 + signal);
}

extern "C" void NoteSignal(int signal)
{
    if (g_received != 0)
        EndNow(signal); // a second signal: the user insists
    g_received = signal;
    tbstop::Request(); // reading and parsing loops end too
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    ::alarm(1);
}
} // namespace

TCliSignals::TCliSignals(std::function<void()> onSignal) : m_onSignal(std::move(onSignal))
{
    std::signal(SIGPIPE, SIG_IGN);
    if (::pipe(g_pipe) != 0)
        return;
    for (int fd : g_pipe)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
        }
        if (m_onSignal)
            m_onSignal();
    });
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : kHandled)
        sigaction(signal, &action, nullptr);
    struct sigaction watchdog {};
    watchdog.sa_handler = EndNow;
    sigemptyset(&watchdog.sa_mask);
    sigaction(SIGALRM, &watchdog, nullptr);
}

TCliSignals::~TCliSignals()
{
    for (const int signal : kHandled)
        std::signal(signal, SIG_DFL);
    m_notifier.reset();
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

int TCliSignals::Received() { return g_received; }

const char* TCliSignals::Name(int signal) { return ::strsignal(signal); }

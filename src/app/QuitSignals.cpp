#include "QuitSignals.h"

#include "StopRequest.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalSockets[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnSignal(int)
{
    tbstop::Request(); // a file being read or parsed on the way is given up
    const char byte = 1;
    (void)!::write(g_signalSockets[0], &byte, 1);
}

} // namespace

TQuitSignals::TQuitSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalSockets) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TQuitSignals::Arrived);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

TQuitSignals::~TQuitSignals()
{
    for (const int signal : kSignals)
        ::signal(signal, SIG_DFL);
    for (int& socket : g_signalSockets) {
        if (socket >= 0)
            ::close(socket);
        socket = -1;
    }
}

void TQuitSignals::Arrived()
{
    char bytes[16];
    while (::read(g_signalSockets[1], bytes, sizeof bytes) > 0) {
    }
    // Closing reads the settings it saves.
    tbstop::Clear();
    emit QuitRequested();
}

#include "CliSignals.h"

#include "StopRequest.h"

#include <QWinEventNotifier>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <windows.h>

namespace {
std::atomic<int> g_received{0};
HANDLE g_event = nullptr;

[[noreturn]] void EndNow(int signal)
{
    std::fprintf(stderr, "tunebench-cli: stopped by %s\n", TCliSignals::Name(signal));
    std::fflush(stderr);
    ::ExitProcess(static_cast<UINT>(128 + signal));
}

// Runs on a thread of its own that the console starts. The event loop gets a
// second to stop the command and close the port; a wait outside it ends the
// program here. The console's close waits for this handler to return.
BOOL WINAPI NoteConsoleEvent(DWORD event)
{
    const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    int expected = 0;
    if (!g_received.compare_exchange_strong(expected, signal))
        EndNow(expected); // a second one: the user insists
    tbstop::Request();    // reading and parsing loops end too
    ::SetEvent(g_event);
    ::Sleep(1000);
    EndNow(signal);
}
} // namespace

TCliSignals::TCliSignals(std::function<void()> onSignal) : m_onSignal(std::move(onSignal))
{
    g_event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_event)
        return;
    m_notifier = std::make_unique<QWinEventNotifier>(g_event);
    connect(m_notifier.get(), &QWinEventNotifier::activated, this, [this] {
        m_notifier->setEnabled(false);
        if (m_onSignal)
            m_onSignal();
    });
    ::SetConsoleCtrlHandler(NoteConsoleEvent, TRUE);
}

TCliSignals::~TCliSignals()
{
    ::SetConsoleCtrlHandler(NoteConsoleEvent, FALSE);
    m_notifier.reset();
    if (g_event)
        ::CloseHandle(g_event);
    g_event = nullptr;
}

int TCliSignals::Received() { return g_received; }

const char* TCliSignals::Name(int signal) { return signal == SIGINT ? "Interrupt" : "Terminated"; }

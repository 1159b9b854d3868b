#include "CliInterrupt.h"

#include "StopRequest.h"

#include <QWinEventNotifier>

#include <windows.h>

namespace {
HANDLE g_fired = nullptr;

// Ahead of the command line's own handler (the last one set is asked first).
// The console's close ends the process once this returns: give the download a
// few seconds to stop the loader and close the port.
BOOL WINAPI NoteInterrupt(DWORD event)
{
    tbstop::Request(); // the check of the software file ends too
    ::SetEvent(g_fired);
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        ::Sleep(4000);
    return TRUE;
}

bool IsConsoleHandle(DWORD which)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(which), &mode) != 0;
}
} // namespace

struct TCliInterrupt::TState {
    std::unique_ptr<QWinEventNotifier> notifier;
};

TCliInterrupt::TCliInterrupt() : m_state(std::make_unique<TState>())
{
    g_fired = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_fired)
        ::SetConsoleCtrlHandler(NoteInterrupt, TRUE);
}

TCliInterrupt::~TCliInterrupt()
{
    m_state->notifier.reset();
    if (!g_fired)
        return;
    ::SetConsoleCtrlHandler(NoteInterrupt, FALSE);
    ::CloseHandle(g_fired);
    g_fired = nullptr;
}

void TCliInterrupt::WhenFired(std::function<void()> action)
{
    if (!g_fired)
        return;
    m_state->notifier = std::make_unique<QWinEventNotifier>(g_fired);
    QWinEventNotifier* notifier = m_state->notifier.get();
    QObject::connect(notifier, &QWinEventNotifier::activated, [notifier, action = std::move(action)] {
        notifier->setEnabled(false);
        action();
    });
}

bool TCliInterrupt::Fired() const { return g_fired && ::WaitForSingleObject(g_fired, 0) == WAIT_OBJECT_0; }

bool TCliInterrupt::WaitForEnter() const
{
    // Ctrl+C ends a console read with nothing read, so the wait ends with it.
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    for (;;) {
        if (Fired())
            return false;
        char c = 0;
        DWORD n = 0;
        if (!::ReadFile(input, &c, 1, &n, nullptr) || n == 0)
            return false;
        if (c == '\n')
            return !Fired();
    }
}

bool TCliInterrupt::InputIsTerminal() { return IsConsoleHandle(STD_INPUT_HANDLE); }

bool TCliInterrupt::OutputIsTerminal() { return IsConsoleHandle(STD_OUTPUT_HANDLE); }

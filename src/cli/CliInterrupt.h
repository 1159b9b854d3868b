#pragma once

#include <functional>
#include <memory>

// Ctrl+C (or SIGTERM, or SIGHUP from a closed terminal; on Windows the
// console's Ctrl+C, Ctrl+Break and close) while a download runs. It replaces
// the command line's own handlers for its lifetime: the handler only notes the
// interrupt, which the event loop and the prompts watch.
class TCliInterrupt {
public:
    TCliInterrupt();
    ~TCliInterrupt();
    TCliInterrupt(const TCliInterrupt&) = delete;
    TCliInterrupt& operator=(const TCliInterrupt&) = delete;

    // Runs once on the event loop when the interrupt comes.
    void WhenFired(std::function<void()> action);
    [[nodiscard]] bool Fired() const;
    // A line from standard input; false on end of input or an interrupt.
    [[nodiscard]] bool WaitForEnter() const;

    [[nodiscard]] static bool InputIsTerminal();
    [[nodiscard]] static bool OutputIsTerminal();

private:
    struct TState;
    std::unique_ptr<TState> m_state;
};

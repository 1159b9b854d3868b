#pragma once

#include "FlashLog.h"

#include <QByteArray>
#include <functional>

// Turns the RFL library's console output, piece by piece, into log lines as a
// console window would show them: box lines dropped, carriage returns rewrite
// a remembered line, line feeds end lines, and the programming progress and
// checksum keep to one line each. The state lives as long as the object (the
// window keeps one for the whole run of the program).
class TRflConsoleText {
public:
    explicit TRflConsoleText(TFlashLogLines& log) : m_log(log) {}

    void TextOut(const QByteArray& piece);

    // After "Erased" the log pauses (up to 100 ms, the window keeps running);
    // empty = no pause.
    std::function<void()> PauseAfterErased;

    [[nodiscard]] bool ProgrammingMode() const { return m_programmingMode; }

private:
    void SetLine(int index, const QString& text);

    TFlashLogLines& m_log;
    bool m_programmingMode = false;
    quint8 m_lineState = 0; // 0 new line next, 1 append, 10 overwrite the remembered line
    bool m_crToggle = false;
    int m_savedLine = 0;
};

#pragma once

#include "CliOptions.h"
#include "CliOutput.h"

#include <QTextStream>
#include <memory>

class EProgramError;
class TSendmail;

enum CliExit {
    kExitDone = 0,
    kExitUsage = 1,
    kExitPort = 2,
    kExitNoAnswer = 3,
    kExitNotConfirmed = 4,
    kExitWrongModel = 5,
    kExitFlashFailed = 6,
    kExitDiffers = 7
};

// What a running command of tunebench-cli works with: the global options, its
// output (results and progress through Output(), errors and notes to err) and
// the link, the same link the windows use.
class TCliSession {
public:
    // usage: the running command's usage line and where to find its help.
    TCliSession(TCliOptions options, QString usage, QTextStream& out, QTextStream& err);
    ~TCliSession();

    [[nodiscard]] const TCliOptions& Options() const { return m_options; }
    [[nodiscard]] TCliOutput& Output() { return m_output; }
    [[nodiscard]] QTextStream& Err() { return m_err; }

    // What the command reported last on standard error, or named as the reason
    // it failed: the message of the error object with --json.
    void NoteReport(const QString& text);
    [[nodiscard]] const QString& LastReport() const { return m_lastReport; }

    // The rate OpenLink uses, for a command whose device has a rate of its own.
    void UseBaud(int baud) { m_options.baud = baud; }
    // Opens the port; reports why and returns null when it cannot.
    TSendmail* OpenLink();
    // Reports invalid arguments of the running command with its usage line.
    int Usage(const QString& message);
    // The port was open and is gone (adapter pulled): reports it, returns the port's exit code.
    int PortLost();
    [[nodiscard]] bool LinkLost() const;
    // Says on standard error what was tried when nothing answered: the port,
    // its device and the rate.
    void NoAnswer();
    // Says on standard error that the device did not confirm a write, and where.
    void NotConfirmed();
    // The link's last exchange got nothing back but its own echo.
    [[nodiscard]] bool LastExchangeUnanswered() const;
    // Ends the running exchange and every later one (a signal came).
    void RequestStop();

    // "COM1", or the path given with --port.
    [[nodiscard]] QString PortName() const;

private:
    // "COM1 (/dev/pts/3) at 9600 baud": what the link used.
    [[nodiscard]] QString PortAndRate() const;
    [[nodiscard]] int ComNumber() const;

    TCliOptions m_options;
    QString m_usage;
    QTextStream& m_err;
    TCliOutput m_output;
    QString m_lastReport;
    std::unique_ptr<TSendmail> m_link;
    bool m_stopRequested = false;
};

// An error's message without the "Unit:" and "Function:" lines, which are for
// the window's error report; line breaks as the terminal writes them.
[[nodiscard]] QString MessageAlone(const EProgramError& error);

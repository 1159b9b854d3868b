#pragma once

#include "CliOptions.h"

#include <QTextStream>
#include <memory>

class TSendmail;

enum CliExit { kExitDone = 0, kExitUsage = 1, kExitPort = 2, kExitNoAnswer = 3, kExitNotConfirmed = 4 };

// Runs one command of tunebench-cli on the same link as the windows. Results go
// to out, progress and errors to err.
class TCliRunner {
public:
    TCliRunner(TCliOptions options, QTextStream& out, QTextStream& err);
    ~TCliRunner();

    int Run();

private:
    int Ports();
    int Probe();
    int Detect();
    int Read();
    int Write();
    int Mail();
    int Repeater();
    int RepeaterRead(const TRepeaterArgs& args);
    int RepeaterWrite(const TRepeaterArgs& args);

    // Opens the port; reports and returns false when it cannot.
    bool OpenLink();
    [[nodiscard]] QString PortName() const;
    [[nodiscard]] int ComNumber() const;
    int Usage(const QString& message);

    TCliOptions m_options;
    QTextStream& m_out;
    QTextStream& m_err;
    std::unique_ptr<TSendmail> m_link;
};

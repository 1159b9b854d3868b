#pragma once

#include "Timing.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tbtest {

struct CliResult {
    int exitCode = -1; // -1: did not finish in time, -2: crashed
    QString out;
    QString err;
    std::int64_t ms = 0;
};

// Runs the built tunebench-cli in p (its environment or limits set by the
// caller) with a deadline and collects what it printed.
inline CliResult RunCliIn(QProcess& p, const QStringList& args, int timeoutMs = 60000)
{
    const std::int64_t t0 = ReadCounter();
    p.start(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench-cli"), args);
    const bool finished = p.waitForFinished(timeoutMs);
    CliResult r;
    r.ms = ElapsedMs(ReadCounter(), t0);
    if (!finished) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

inline CliResult RunCli(const QStringList& args, int timeoutMs = 60000)
{
    QProcess p;
    return RunCliIn(p, args, timeoutMs);
}

} // namespace tbtest

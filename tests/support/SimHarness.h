#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

namespace tbtest {

// Runs the real tunebench-sim ($TUNEBENCH_BIN_DIR/tunebench-sim) for a test:
// waits for its PORT line, gathers its log lines, ends it with SIGTERM.
// Every wait has a deadline; nothing sleeps a fixed time.
class SimHarness {
public:
    explicit SimHarness(QStringList arguments = {});
    ~SimHarness();
    SimHarness(const SimHarness&) = delete;
    SimHarness& operator=(const SimHarness&) = delete;

    [[nodiscard]] static QString binaryPath();

    // Starts the program and waits for "PORT <path>"; false with errorString() on failure.
    bool start(int timeoutMs = 10000);
    [[nodiscard]] QString portPath() const { return m_port; }
    [[nodiscard]] QString errorString() const { return m_error; }

    // Log lines (standard error) gathered so far, complete lines only.
    [[nodiscard]] QStringList logLines();
    // The stored writes, "WRITE 0044 10 00 00 08", in order.
    [[nodiscard]] QStringList writeLines();
    // Waits until a log line satisfies the predicate (or starts with the prefix).
    bool waitForLog(const std::function<bool(const QString&)>& predicate, int timeoutMs = 5000);
    bool waitForLogPrefix(const QString& prefix, int timeoutMs = 5000);

    // One line on the program's standard input ("power on" for a boot target).
    bool sendLine(const QString& line);

    // SIGTERM (or SIGINT) and wait; true when the program exited normally with code 0.
    bool stop(int timeoutMs = 10000);
    bool interrupt(int timeoutMs = 10000);
    // Waits for the program to end by itself.
    bool waitForExit(int timeoutMs = 10000);
    [[nodiscard]] bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    [[nodiscard]] int exitCode() const { return m_process.exitCode(); }
    [[nodiscard]] QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    [[nodiscard]] QString standardOutput() const { return QString::fromLocal8Bit(m_stdout); }

private:
    void drain();
    bool endWith(int signal, int timeoutMs);

    QStringList m_arguments;
    QProcess m_process;
    QByteArray m_stdout;
    QByteArray m_stderrPartial;
    QStringList m_log;
    QString m_port;
    QString m_error;
};

} // namespace tbtest

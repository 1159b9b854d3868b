#include "support/SimHarness.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

#include <csignal>

namespace tbtest {

SimHarness::SimHarness(QStringList arguments) : m_arguments(std::move(arguments)) {}

SimHarness::~SimHarness()
{
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString SimHarness::binaryPath()
{
    QString dir = qEnvironmentVariable("TUNEBENCH_BIN_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    return QDir(dir).filePath(QStringLiteral("tunebench-sim"));
}

bool SimHarness::start(int timeoutMs)
{
    m_process.setProgram(binaryPath());
    m_process.setArguments(m_arguments);
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(binaryPath(), m_process.errorString());
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        drain();
        const int end = m_stdout.indexOf('\n');
        if (end >= 0) {
            const QString line = QString::fromLocal8Bit(m_stdout.left(end));
            if (line.startsWith(QLatin1String("PORT "))) {
                m_port = line.mid(5);
                return true;
            }
            m_error = QStringLiteral("first line is not PORT: %1").arg(line);
            return false;
        }
        if (!isRunning() || deadline.hasExpired()) {
            drain();
            m_error = QStringLiteral("no PORT line from %1; log: %2").arg(binaryPath(), m_log.join(QLatin1Char('|')));
            return false;
        }
        m_process.setReadChannel(QProcess::StandardOutput);
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

void SimHarness::drain()
{
    m_stdout += m_process.readAllStandardOutput();
    m_stderrPartial += m_process.readAllStandardError();
    int end;
    while ((end = m_stderrPartial.indexOf('\n')) >= 0) {
        m_log << QString::fromLocal8Bit(m_stderrPartial.left(end));
        m_stderrPartial.remove(0, end + 1);
    }
}

QStringList SimHarness::logLines()
{
    drain();
    return m_log;
}

QStringList SimHarness::writeLines()
{
    QStringList writes;
    for (const QString& line : logLines())
        if (line.startsWith(QLatin1String("WRITE ")))
            writes << line;
    return writes;
}

bool SimHarness::waitForLog(const std::function<bool(const QString&)>& predicate, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        drain();
        for (const QString& line : std::as_const(m_log))
            if (predicate(line))
                return true;
        if (deadline.hasExpired() || !isRunning())
            return false;
        m_process.setReadChannel(QProcess::StandardError);
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

bool SimHarness::waitForLogPrefix(const QString& prefix, int timeoutMs)
{
    return waitForLog([&prefix](const QString& line) { return line.startsWith(prefix); }, timeoutMs);
}

bool SimHarness::endWith(int signal, int timeoutMs)
{
    if (isRunning())
        ::kill(pid_t(m_process.processId()), signal);
    return waitForExit(timeoutMs);
}

bool SimHarness::waitForExit(int timeoutMs)
{
    if (isRunning() && !m_process.waitForFinished(timeoutMs)) {
        m_error = QStringLiteral("tunebench-sim did not end");
        m_process.kill();
        m_process.waitForFinished(5000);
        drain();
        return false;
    }
    drain();
    if (!m_stderrPartial.isEmpty()) {
        m_log << QString::fromLocal8Bit(m_stderrPartial);
        m_stderrPartial.clear();
    }
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

bool SimHarness::sendLine(const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    return m_process.write(bytes) == bytes.size() && m_process.waitForBytesWritten(1000);
}

bool SimHarness::stop(int timeoutMs) { return endWith(SIGTERM, timeoutMs); }

bool SimHarness::interrupt(int timeoutMs) { return endWith(SIGINT, timeoutMs); }

} // namespace tbtest

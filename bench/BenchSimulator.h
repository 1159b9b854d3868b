#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

// Starts tunebench-sim from this program's folder and returns the port it
// announces; empty when it did not start. Its log goes to logFile if given.
inline QString StartBenchSimulator(QProcess& sim, const QStringList& arguments, const QString& logFile = {})
{
    if (!logFile.isEmpty())
        sim.setStandardErrorFile(logFile);
    sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tunebench-sim"), arguments);
    QString port;
    while (port.isEmpty() && sim.waitForReadyRead(5000))
        while (sim.canReadLine()) {
            const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
            if (line.startsWith(QStringLiteral("PORT ")))
                port = line.mid(5);
        }
    return port;
}

// Plays a 200-line menu file, as `tunebench-cli menu play` does, into
// `tunebench-sim --pace` at 9600 baud, and compares the time with the line's
// limit: every byte of the write mails and their read-backs at 10 bits per
// byte, plus the read-back pause of each write. Then plays it again, in turns
// with and without the journal of writes, and says what the journal costs.
// Last, at 115200 baud: directly, and through a USB adapter whose latency
// timer holds the echoes and answers back 16 ms and 1 ms.
#include "MenuPlayer.h"
#include "SndMail.h"
#include "Timing.h"
#include "TpaProComImpl.h"
#include "WriteJournal.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

namespace {

constexpr int kBaud = 9600;

QString StartSim(QProcess& sim, const QStringList& more = {})
{
    sim.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/tunebench-sim"));
    sim.setArguments(QStringList{QStringLiteral("--profile"), QStringLiteral("handset"), QStringLiteral("--pace")} +
                     more);
    sim.setStandardErrorFile(QProcess::nullDevice());
    sim.start();
    if (!sim.waitForStarted(5000))
        return {};
    while (sim.waitForReadyRead(5000))
        while (sim.canReadLine()) {
            const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
            if (line.startsWith(QStringLiteral("PORT ")))
                return line.mid(5);
        }
    return {};
}

// 200 lines of 1 to 16 data bytes at consecutive addresses, and their line
// limit at this rate: write frame (count + 12 bytes, its echo comes back while
// it is sent), read-back frame (12) and its answer (count + 5), the pause.
QStringList MenuLines(int baud, int readbackDelayMs, double* lineLimitMs)
{
    QStringList lines;
    *lineLimitMs = 0;
    int address = 0x2000;
    for (int i = 0; i < 200; ++i) {
        const int count = 1 + i % 16;
        QString line = QStringLiteral("%1 %2 %3")
                           .arg(count, 2, 16, QLatin1Char('0'))
                           .arg(address & 0xFF, 2, 16, QLatin1Char('0'))
                           .arg(address >> 8, 2, 16, QLatin1Char('0'));
        for (int k = 0; k < count; ++k)
            line += QStringLiteral(" %1").arg((i + k) & 0xFF, 2, 16, QLatin1Char('0'));
        lines << line;
        address += count;
        *lineLimitMs += (2 * count + 29) * 10.0 * 1000.0 / baud + readbackDelayMs;
    }
    return lines;
}

// One play at 115200 baud, through an adapter unless usbLatencyMs is 0.
void PlayAt115200(int usbLatencyMs, QTextStream& out)
{
    QProcess sim;
    const QString port = StartSim(sim, {QStringLiteral("--baud"), QStringLiteral("115200"),
                                        QStringLiteral("--usb-latency"), QString::number(usbLatencyMs)});
    TSendmail link;
    link.ShowDialogs = false;
    link.Port().PortMap().SetOverride(1, port);
    if (port.isEmpty() || !link.OpenPort(1, 115200) || link.ProbeDevice(1000) <= 0) {
        fprintf(stderr, "no simulated handset at 115200 baud\n");
        return;
    }
    double limitMs = 0;
    const QStringList lines = MenuLines(115200, link.ReadbackDelay, &limitMs);
    TMenuPlayer player(link);
    const std::int64_t t0 = ReadCounter();
    const TMenuPlayResult result = player.Play(lines);
    const double ms = static_cast<double>(ReadCounter() - t0) / 1e6;
    sim.terminate();
    sim.waitForFinished(5000);
    const QString through =
        usbLatencyMs > 0
            ? QStringLiteral("through a USB adapter, %1 ms latency timer (`--usb-latency %1`)").arg(usbLatencyMs)
            : QStringLiteral("directly");
    out << QString::asprintf("| menu play, the same 200 lines at 115200 baud, %s (%d written) | %.1f lines/s (%.2f s) "
                             "| %.1f lines/s (%.2f s); %.1f %% of it%s |\n",
                             qPrintable(through), result.written, 200000.0 / ms, ms / 1000.0, 200000.0 / limitMs,
                             limitMs / 1000.0, 100.0 * limitMs / ms, usbLatencyMs == 1 ? ", goal >= 90 %" : "");
    out.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QProcess sim;
    const QString port = StartSim(sim);
    if (port.isEmpty()) {
        fprintf(stderr, "cannot start tunebench-sim next to this program\n");
        return 1;
    }
    TSendmail link;
    link.ShowDialogs = false;
    link.Port().PortMap().SetOverride(1, port);
    if (!link.OpenPort(1, kBaud) || link.ProbeDevice(1000) <= 0) {
        fprintf(stderr, "no simulated handset on %s\n", qPrintable(port));
        return 1;
    }

    double lineLimitMs = 0;
    const QStringList lines = MenuLines(kBaud, link.ReadbackDelay, &lineLimitMs);

    TMenuPlayer player(link);
    TMenuPlayResult result;
    const auto play = [&] {
        const std::int64_t t0 = ReadCounter();
        result = player.Play(lines);
        return static_cast<double>(ReadCounter() - t0) / 1e6;
    };
    const double ms = play();
    // Turns of each, so that a change in the machine's load hits both alike.
    const QTemporaryDir journalFolder;
    double without = 0;
    double with = 0;
    std::int64_t journalNs = 0;
    int journalled = 0;
    constexpr int kTurns = 3;
    for (int turn = 0; turn < kTurns && result.end == TMenuPlayResult::TEnd::Completed; ++turn) {
        TWriteJournal::Uninstall();
        without += play();
        TWriteJournal::Install(journalFolder.filePath(QStringLiteral("journal")), QStringLiteral("menubench"));
        // The time spent in the journal itself, write by write.
        const TWriteObserver journal = TMailControl::WriteObserver();
        TMailControl::SetWriteObserver([&](const TWriteRecord& write) {
            const std::int64_t j0 = ReadCounter();
            journal(write);
            journalNs += ReadCounter() - j0;
            ++journalled;
        });
        with += play();
    }
    TWriteJournal::Uninstall();
    sim.terminate();
    sim.waitForFinished(5000);

    out << "| measurement | result | line limit / goal |\n|---|---|---|\n";
    out << QString::asprintf("| menu play, 200 lines of 1-16 bytes at 9600 baud (%d written) | %.1f lines/s (%.2f s) | "
                             "%.1f lines/s (%.2f s); %.1f %% of it, goal >= 95 %% |\n",
                             result.written, 200000.0 / ms, ms / 1000.0, 200000.0 / lineLimitMs, lineLimitMs / 1000.0,
                             100.0 * lineLimitMs / ms);
    out << QString::asprintf("| menu play with the journal of writes (%d plays each, in turns) | %.2f lines/s, "
                             "%.2f without; the journal costs %+.2f %% | <= 1 %% |\n",
                             kTurns, 200000.0 * kTurns / with, 200000.0 * kTurns / without,
                             100.0 * (with - without) / without);
    out << QString::asprintf("| time in the journal per write (%d writes) | %.1f us = %.3f %% of a line's time "
                             "at the line limit | <= 1 %% |\n",
                             journalled, journalNs / 1e3 / std::max(journalled, 1),
                             100.0 * (journalNs / 1e6 / std::max(journalled, 1)) / (lineLimitMs / 200));
    for (const int usbLatencyMs : {0, 16, 1})
        PlayAt115200(usbLatencyMs, out);
    return result.end == TMenuPlayResult::TEnd::Completed ? 0 : 1;
}

// Measures the link against the physical line: exchange latency (also through
// a USB adapter's latency timer at 16 ms and at the 1 ms of low latency), CPU
// while waiting, write throughput, and a plain reference client on the same port.
#include "SndMail.h"
#include "Timing.h"
#include "TpaProComImpl.h"
#include "WriteJournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr double kByteUs115200 = 10.0 * 1e6 / 115200.0; // 86.8 us

struct Sim {
    QProcess process;
    QString port;
};

bool StartSim(Sim& sim, const QStringList& args)
{
    const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/tunebench-sim");
    sim.process.setProgram(exe);
    sim.process.setArguments(args);
    // The simulator's frame log is not read: it would cost wake-ups (and, unread, fill the pipe).
    sim.process.setStandardErrorFile(QProcess::nullDevice());
    sim.process.start();
    if (!sim.process.waitForStarted(5000))
        return false;
    while (sim.process.waitForReadyRead(5000)) {
        if (sim.process.canReadLine()) {
            const QString line = QString::fromLocal8Bit(sim.process.readLine()).trimmed();
            if (line.startsWith(QStringLiteral("PORT "))) {
                sim.port = line.mid(5);
                return true;
            }
        }
    }
    return false;
}

void StopSim(Sim& sim)
{
    sim.process.terminate();
    sim.process.waitForFinished(5000);
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

// CPU share of one core while `work` runs, in percent.
template <typename F>
double CpuShare(F work)
{
    const double cpu0 = CpuSeconds();
    const std::int64_t t0 = ReadCounter();
    work();
    const double wall = static_cast<double>(ElapsedMs(ReadCounter(), t0)) / 1000.0;
    return 100.0 * (CpuSeconds() - cpu0) / wall;
}

std::unique_ptr<TSendmail> OpenLink(const QString& port)
{
    auto link = std::make_unique<TSendmail>();
    link->ShowDialogs = false;
    link->Port().PortMap().SetOverride(1, port);
    if (!link->OpenPort(1, 115200))
        return nullptr;
    return link;
}

struct ReadFigures {
    double median = 0;
    double p95 = 0;
    int failures = 0;
};

// 1-byte reads on an open link, after a few to warm up.
ReadFigures MeasureReads(TSendmail& link, int exchanges)
{
    for (int i = 0; i < 10; ++i)
        (void)link.ReadEepromText(0x40, 0, 1);
    std::vector<double> latency;
    ReadFigures figures;
    for (int i = 0; i < exchanges; ++i) {
        const std::int64_t t0 = ReadCounter();
        if (link.ReadEepromText(0x40, 0, 1).isEmpty())
            ++figures.failures;
        latency.push_back(static_cast<double>(ReadCounter() - t0) / 1e6);
    }
    figures.median = Percentile(latency, 0.5);
    figures.p95 = Percentile(latency, 0.95);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int exchanges = argc > 1 ? std::max(200, atoi(argv[1])) : 300;
    const int turnaroundUs = 100;

    Sim sim;
    if (!StartSim(sim, {QStringLiteral("--profile"), QStringLiteral("handset"), QStringLiteral("--baud"),
                        QStringLiteral("115200"), QStringLiteral("--pace"), QStringLiteral("--turnaround"),
                        QString::number(turnaroundUs)})) {
        fprintf(stderr, "cannot start tunebench-sim next to this program\n");
        return 1;
    }
    auto link = OpenLink(sim.port);
    if (!link) {
        fprintf(stderr, "cannot open %s\n", qPrintable(sim.port));
        return 1;
    }

    // 1. Latency of a 1-byte EEPROM read.
    const ReadFigures direct = MeasureReads(*link, exchanges);
    const int failures = direct.failures;
    const double lineMs = (18 * kByteUs115200 + turnaroundUs) / 1000.0;
    const double median = direct.median;
    const double p95 = direct.p95;

    // 3. Write throughput: 8 bytes with read-back each; then in turns without
    // and with the journal of writes, so that the machine's load hits both alike.
    const int writes = 200;
    int confirmed = 0;
    const auto writeAll = [&] {
        int done = 0;
        const std::int64_t w0 = ReadCounter();
        for (int i = 0; i < writes; ++i) {
            std::uint8_t data[8];
            for (int k = 0; k < 8; ++k)
                data[k] = static_cast<std::uint8_t>(i + k);
            done += link->WriteEepromBlock(static_cast<std::uint16_t>(0x2000 + 8 * i), data, 8);
        }
        confirmed = done;
        return static_cast<double>(ReadCounter() - w0) / 1e9;
    };
    const double writeSeconds = writeAll();
    const QTemporaryDir journalFolder;
    double withoutJournal = 0;
    double withJournal = 0;
    for (int turn = 0; turn < 3; ++turn) {
        TWriteJournal::Uninstall();
        withoutJournal += writeAll();
        TWriteJournal::Install(journalFolder.filePath(QStringLiteral("journal")), QStringLiteral("linkbench"));
        withJournal += writeAll();
    }
    TWriteJournal::Uninstall();
    // Per write: 20-byte frame (echo while sending), 10 ms read-back pause,
    // 12-byte read frame + 13-byte answer, twice the turnaround.
    const double writeLineSeconds =
        writes * ((45 * kByteUs115200 + 2.0 * turnaroundUs) / 1e6 + link->ReadbackDelay / 1000.0);

    // 2. CPU while waiting.
    const double cpuIdleOpen = CpuShare([] { Delay(3000); });
    link.reset();
    const double cpuDelay = CpuShare([] { Delay(3000); });
    StopSim(sim);

    Sim silent;
    StartSim(silent,
             {QStringLiteral("--baud"), QStringLiteral("115200"), QStringLiteral("--no-answer"), QStringLiteral("1")});
    auto quiet = OpenLink(silent.port);
    double cpuSilent = -1;
    if (quiet) {
        quiet->AnswerTimeout = 1000;
        quiet->GapTimeout = 1000;
        cpuSilent = CpuShare([&] {
            for (int i = 0; i < 3; ++i)
                (void)quiet->ReadEepromText(0x40, 0, 1);
        });
        quiet.reset();
    }
    StopSim(silent);

    // 1b. The same read through a USB adapter that holds the answer back.
    std::vector<std::pair<int, ReadFigures>> adapters;
    for (const int latencyMs : {16, 1}) {
        Sim usb;
        if (!StartSim(usb,
                      {QStringLiteral("--profile"), QStringLiteral("handset"), QStringLiteral("--baud"),
                       QStringLiteral("115200"), QStringLiteral("--pace"), QStringLiteral("--turnaround"),
                       QString::number(turnaroundUs), QStringLiteral("--usb-latency"), QString::number(latencyMs)}))
            continue;
        if (auto usbLink = OpenLink(usb.port))
            adapters.emplace_back(latencyMs, MeasureReads(*usbLink, exchanges));
        StopSim(usb);
    }

    // 4. The same read from a plain script on the same kind of port.
    Sim ref;
    StartSim(ref, {QStringLiteral("--profile"), QStringLiteral("handset"), QStringLiteral("--baud"),
                   QStringLiteral("115200"), QStringLiteral("--pace"), QStringLiteral("--turnaround"),
                   QString::number(turnaroundUs)});
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral(TB_REFERENCE_CLIENT), ref.port, QString::number(exchanges)});
    python.waitForFinished(120000);
    const QStringList refFigures = QString::fromLocal8Bit(python.readAllStandardOutput()).split(QLatin1Char(' '));
    StopSim(ref);

    out << "| measurement | result | line limit / goal |\n|---|---|---|\n";
    out << QString::asprintf("| 1-byte read, median (%d exchanges, %d failed) | %.3f ms | %.3f ms line time |\n",
                             exchanges, failures, median, lineMs);
    out << QString::asprintf("| 1-byte read, 95th percentile | %.3f ms | ratio to line time %.2f |\n", p95,
                             p95 / lineMs);
    out << QString::asprintf("| link overhead over line time (median) | %.3f ms | < 0.3 ms |\n", median - lineMs);
    for (const auto& [latencyMs, f] : adapters)
        out << QString::asprintf(
            "| 1-byte read through a USB adapter, %d ms latency timer (`--usb-latency %d`), "
            "median / p95 (%d failed) | %.3f ms / %.3f ms | line time + timer %.3f ms%s |\n",
            latencyMs, latencyMs, f.failures, f.median, f.p95, lineMs + latencyMs,
            latencyMs == 1 ? qPrintable(QString::asprintf("; goal <= 1.1 x that = %.3f ms", 1.1 * (lineMs + latencyMs)))
                           : "");
    if (refFigures.size() == 2)
        out << QString::asprintf("| plain Python client, median / p95 | %s ms / %s ms | same port, same device |\n",
                                 qPrintable(refFigures[0]), qPrintable(refFigures[1].trimmed()));
    out << QString::asprintf("| CPU during a 3 s Delay | %.2f %% | < 2 %% |\n", cpuDelay);
    out << QString::asprintf("| CPU idle with the port open (3 s) | %.2f %% | < 2 %% |\n", cpuIdleOpen);
    out << QString::asprintf("| CPU during reads of a silent device (3 x 1 s) | %.2f %% | < 2 %% |\n", cpuSilent);
    out << QString::asprintf(
        "| write throughput, 200 x 8 bytes with read-back | %.0f bytes/s (%d confirmed) | %.0f bytes/s |\n",
        confirmed / writeSeconds, confirmed, writes * 8 / writeLineSeconds);
    out << QString::asprintf("| the same with the journal of writes (3 x 200 writes each, in turns) | %.0f bytes/s, "
                             "%.0f without; the journal costs %+.2f %% | <= 1 %% |\n",
                             3 * writes * 8 / withJournal, 3 * writes * 8 / withoutJournal,
                             100.0 * (withJournal - withoutJournal) / withoutJournal);
    return 0;
}

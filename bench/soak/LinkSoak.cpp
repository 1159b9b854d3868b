// Soak: many exchanges through the link the command line uses, against
// tunebench-sim with about 1 % of its answers and 0.5 % of its writes spoiled.
// Reads are checked against what was written; at the end the device's image is
// compared with every write the link reported as confirmed.
#include "../BenchSimulator.h"
#include "SndMail.h"
#include "Timing.h"
#include "TpaProComImpl.h"
#include "TrafficMonitor.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <set>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kFirst = 0x1000;
constexpr int kCells = 0x1000;

// Counts frames and the read-type exchanges whose answer the link did not accept.
class SoakMonitor : public ITrafficMonitor {
public:
    long exchanges = 0;
    long refused = 0;
    void AddTraffic(TrafficDirection d, const QByteArray& bytes) override
    {
        if (d != TrafficDirection::Sent || bytes.size() < 9)
            return;
        Finish();
        ++exchanges;
        m_read = static_cast<std::uint8_t>(bytes[5]) == 0x3C;
        m_asked = static_cast<std::uint8_t>(bytes[8]);
    }
    void AddInfoLine(InfoKind, const QString& text, const QString& comment) override
    {
        if (comment == QLatin1String("CRC")) {
            m_pending = m_read;
            m_crcOk = text == QLatin1String("Rx CRC OK");
            m_got = 0;
        }
        else if (comment == QLatin1String("MAIL")) {
            m_got = static_cast<int>((text.size() + 1) / 3);
        }
    }
    void Finish()
    {
        if (m_pending && (!m_crcOk || m_got < m_asked))
            ++refused;
        m_pending = false;
    }

private:
    bool m_read = false;
    bool m_pending = false;
    bool m_crcOk = false;
    int m_asked = 0;
    int m_got = 0;
};

long StatusKb(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(strlen(key))).trimmed().split(' ').first().toLong();
    return -1;
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long target = argc > 1 ? atol(argv[1]) : 100000;
    const int baud = argc > 2 ? atoi(argv[2]) : 115200;
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("soak.bin"));
    const QString log = dir.filePath(QStringLiteral("sim.log"));

    // Shared answer counter: each fault hits every Nth answer, about 1 % in all.
    const QStringList simArgs = {"--profile", "handset",        "--baud", QString::number(baud),
                                 "--pace",    "--save",         image,    "--no-answer",
                                 "997",       "--bad-checksum", "499",    "--truncate",
                                 "401",       "--short",        "601",    "--noise",
                                 "701",       "--extra-byte",   "797",    "--late",
                                 "400",       "--late-every",   "907",    "--drop-writes",
                                 "199"};
    QProcess sim;
    const QString port = StartBenchSimulator(sim, simArgs, log);
    if (port.isEmpty()) {
        fprintf(stderr, "cannot start tunebench-sim next to this program\n");
        return 1;
    }

    auto* monitor = new SoakMonitor;
    TrafficMonitorRegistry::Install(monitor);
    long writesConfirmed = 0, writesFailed = 0, readsFailed = 0, readsWrong = 0, reads = 0;
    std::vector<int> model(kCells, -1); // -1: unknown
    std::vector<long> writer(kCells, -1);
    long memStartKb = 0, hwmStartKb = 0;
    double cpu0 = 0;
    std::int64_t t0 = 0;
    long exchanges = 0, refused = 0;
    {
        TSendmail link; // as tunebench-cli sets it up
        link.ShowDialogs = false;
        link.Port().PortMap().SetOverride(1, port);
        if (!link.OpenPort(1, baud)) {
            fprintf(stderr, "cannot open %s\n", qPrintable(port));
            return 1;
        }
        // The profile's cells of the soak range are known from the start: read them once.
        for (int a = 0; a < kCells; a += 128) {
            std::uint8_t buf[128];
            while (link.ReadEepromBytesAt(static_cast<std::uint16_t>(kFirst + a), 128, buf) != 128) {
            }
            for (int k = 0; k < 128; ++k)
                model[a + k] = buf[k];
        }
        QRandomGenerator rng(20261207);
        cpu0 = CpuSeconds();
        t0 = ReadCounter();
        const long base = monitor->exchanges;
        monitor->refused = 0;
        for (long op = 0; monitor->exchanges - base < target; ++op) {
            if (op == 200) {
                memStartKb = StatusKb("VmRSS:");
                hwmStartKb = StatusKb("VmHWM:");
            }
            const int count = 1 + static_cast<int>(rng.bounded(8));
            const int offset = static_cast<int>(rng.bounded(kCells - count));
            if (op % 4 == 3) {
                std::uint8_t data[8];
                for (int k = 0; k < count; ++k)
                    data[k] = static_cast<std::uint8_t>(rng.bounded(256));
                const int a = kFirst + offset;
                const bool ok =
                    link.WriteEepromBytes(static_cast<std::uint8_t>(a & 0xFF), static_cast<std::uint8_t>(a >> 8),
                                          static_cast<std::uint8_t>(count), std::span<const std::uint8_t>(data, count));
                (ok ? writesConfirmed : writesFailed) += 1;
                for (int k = 0; k < count; ++k) {
                    model[offset + k] = ok ? data[k] : -1; // a failed write may or may not have stuck
                    writer[offset + k] = ok ? op : -1;
                }
            }
            else {
                ++reads;
                std::uint8_t buf[8];
                if (link.ReadEepromBytesAt(static_cast<std::uint16_t>(kFirst + offset),
                                           static_cast<std::uint8_t>(count), buf) != count) {
                    ++readsFailed;
                    continue;
                }
                for (int k = 0; k < count; ++k) {
                    if (model[offset + k] >= 0 && model[offset + k] != buf[k]) {
                        ++readsWrong;
                        break;
                    }
                }
                for (int k = 0; k < count; ++k)
                    if (model[offset + k] < 0)
                        model[offset + k] = buf[k];
            }
        }
        monitor->Finish();
        exchanges = monitor->exchanges - base;
        refused = monitor->refused;
    } // the link frees the monitor
    const double wallS = static_cast<double>(ElapsedMs(ReadCounter(), t0)) / 1000.0;
    const double cpu = CpuSeconds() - cpu0;
    const long memEndKb = StatusKb("VmRSS:");
    const long hwmEndKb = StatusKb("VmHWM:");

    sim.terminate();
    sim.waitForFinished(10000);
    QFile logFile(log);
    long injected = 0;
    if (logFile.open(QIODevice::ReadOnly))
        for (const QByteArray& line : logFile.readAll().split('\n'))
            if (line.startsWith("FAULT ") || line.startsWith("DROPPED "))
                ++injected;
    QFile img(image);
    if (!img.open(QIODevice::ReadOnly)) {
        fprintf(stderr, "the simulator saved no image\n");
        return 1;
    }
    const QByteArray eeprom = img.readAll();
    std::set<long> lost;
    for (int k = 0; k < kCells; ++k)
        if (writer[k] >= 0 && static_cast<std::uint8_t>(eeprom[kFirst + k]) != model[k])
            lost.insert(writer[k]);

    printf("| measurement | result |\n|---|---|\n");
    printf("| exchanges | %ld in %.0f s |\n", exchanges, wallS);
    printf("| faults injected (answers spoiled, writes dropped) | %ld |\n", injected);
    printf("| read-type exchanges refused by the link | %ld |\n", refused);
    printf("| reads | %ld, %ld without a value, %ld with a wrong value |\n", reads, readsFailed, readsWrong);
    printf("| writes confirmed | %ld |\n", writesConfirmed);
    printf("| writes reported failed | %ld |\n", writesFailed);
    printf("| writes silently lost | %zu |\n", lost.size());
    printf("| resident memory after 200 operations / at the end | %ld KB / %ld KB (peak %ld KB / %ld KB) |\n",
           memStartKb, memEndKb, hwmStartKb, hwmEndKb);
    printf("| CPU per exchange | %.1f us |\n", cpu * 1e6 / static_cast<double>(std::max(exchanges, 1L)));
    return lost.empty() && readsWrong == 0 ? 0 : 2;
}

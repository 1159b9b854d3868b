// Wrong values per 1,000 reads, and writes reported stored that the device
// did not store, when the device sends answers twice or late: both line modes,
// both rates, copies back to back, early, after the request and late answers,
// against tunebench-sim --pace --duplicate N --turnaround US (--late MS).
#include "../BenchSimulator.h"
#include "SndMail.h"
#include "Timing.h"
#include "TpaProComImpl.h"
#include "TrafficMonitor.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Case {
    bool twoWire;
    int baud;
    int duplicateMs; // the copy this long after its answer; -1: late answers instead
    const char* when;
};

// Every `every`th answer is sent twice (or late, 600 ms: after the link gave up on it).
QStringList FaultArguments(const Case& c, int every, int turnaroundUs)
{
    QStringList args = {QStringLiteral("--pace"), QStringLiteral("--baud"), QString::number(c.baud),
                        QStringLiteral("--turnaround"), QString::number(turnaroundUs)};
    if (c.duplicateMs >= 0)
        args << QStringLiteral("--duplicate") << QString::number(c.duplicateMs) << QStringLiteral("--duplicate-every")
             << QString::number(every);
    else
        args << QStringLiteral("--late") << QStringLiteral("600") << QStringLiteral("--late-every")
             << QString::number(every);
    if (c.twoWire)
        args << QStringLiteral("--two-wire");
    return args;
}

void UseLineMode(TSendmail& link, bool twoWire)
{
    if (!twoWire)
        return;
    // The main window's two-wire settings.
    link.DisableEcho();
    link.SetEchoBack(true);
    link.PollInterval = 50;
    link.GapTimeout = 500;
}

struct Tally {
    int right = 0;
    int none = 0;
    int wrong = 0;
    int stale = 0;
    int undated = 0;
};

// Reads 40h and 41h (3 bytes each, the same count) in turn, as fast as the link allows.
Tally Run(const Case& c, int reads, int every, int turnaroundUs)
{
    Tally t;
    QProcess sim;
    sim.setStandardErrorFile(QProcess::nullDevice());
    const QString port = StartBenchSimulator(sim, FaultArguments(c, every, turnaroundUs));
    if (port.isEmpty()) {
        std::fprintf(stderr, "tunebench-sim did not start\n");
        t.none = reads;
        return t;
    }
    {
        TSendmail link;
        link.ShowDialogs = false;
        UseLineMode(link, c.twoWire);
        link.Port().PortMap().SetOverride(1, port);
        if (link.OpenPort(1, c.baud)) {
            for (int i = 0; i < reads; ++i) {
                const bool even = i % 2 == 0;
                const QString got = link.ReadEepromText(even ? 0x40 : 0x41, 0, 3);
                const QString want = even ? QStringLiteral("00 04 D5") : QStringLiteral("04 D5 12");
                (got.isEmpty() ? t.none : got == want ? t.right : t.wrong) += 1;
            }
        }
        t.stale = link.StaleBytesDropped();
        t.undated = link.UndatedAnswers();
    }
    sim.terminate();
    sim.waitForFinished(5000);
    return t;
}

struct WriteTally {
    int confirmed = 0;
    int failed = 0;
    int falselyConfirmed = 0; // reported stored, not in the device
};

// One byte of the same value into each of `writes` cells, one attempt each,
// while the device drops every 3rd write: only a read-back that takes a copy
// of the read-back before it confirms a dropped write.
WriteTally RunWrites(const Case& c, int writes, int every, int turnaroundUs)
{
    WriteTally t;
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("eeprom.bin"));
    QProcess sim;
    sim.setStandardErrorFile(QProcess::nullDevice());
    const QString port = StartBenchSimulator(sim, FaultArguments(c, every, turnaroundUs)
                                                      << QStringLiteral("--drop-writes") << QStringLiteral("3")
                                                      << QStringLiteral("--save") << image);
    std::vector<bool> confirmed(writes, false);
    constexpr std::uint16_t kFirst = 0x0200;
    constexpr std::uint8_t kValue = 0x5A;
    if (!port.isEmpty()) {
        TSendmail link;
        link.ShowDialogs = false;
        link.MaxWriteAttempts = 1;
        UseLineMode(link, c.twoWire);
        link.Port().PortMap().SetOverride(1, port);
        if (link.OpenPort(1, c.baud))
            for (int i = 0; i < writes; ++i) {
                const std::uint16_t at = kFirst + i;
                const std::uint8_t value = kValue;
                confirmed[i] = link.WriteEepromBytes(at & 0xFF, at >> 8, 1, {&value, 1});
            }
    }
    sim.terminate();
    sim.waitForFinished(5000);
    QFile file(image);
    const QByteArray cells = file.open(QIODevice::ReadOnly) ? file.read(65536) : QByteArray();
    for (int i = 0; i < writes; ++i) {
        const bool stored = kFirst + i < cells.size() && static_cast<std::uint8_t>(cells[kFirst + i]) == kValue;
        (confirmed[i] ? t.confirmed : t.failed) += 1;
        t.falselyConfirmed += confirmed[i] && !stored ? 1 : 0;
    }
    return t;
}

// When the first byte after each request comes, less the request's line time.
class TurnaroundProbe : public ITrafficMonitor {
public:
    explicit TurnaroundProbe(int baud) : m_byteNs(10'000'000'000LL / baud) {}
    std::vector<double> us;
    void AddTraffic(TrafficDirection d, const QByteArray& bytes) override
    {
        if (d == TrafficDirection::Sent && bytes.size() > 1) {
            m_sent = ReadCounter();
            m_length = static_cast<int>(bytes.size());
        }
        else if (d == TrafficDirection::Received && m_sent != 0) {
            us.push_back(static_cast<double>(ReadCounter() - m_sent - m_length * m_byteNs) / 1000.0);
            m_sent = 0;
        }
    }
    void AddInfoLine(InfoKind, const QString&, const QString&) override {}

private:
    std::int64_t m_byteNs;
    std::int64_t m_sent = 0;
    int m_length = 0;
};

// Two-wire reads of a well-behaved device without think time, paced or not.
void MeasureTurnaround(int baud, bool pace)
{
    QProcess sim;
    QStringList args = {QStringLiteral("--two-wire"), QStringLiteral("--baud"), QString::number(baud)};
    if (pace)
        args << QStringLiteral("--pace");
    sim.setStandardErrorFile(QProcess::nullDevice());
    const QString port = StartBenchSimulator(sim, args);
    auto* probe = new TurnaroundProbe(baud);
    TrafficMonitorRegistry::Install(probe);
    int answered = 0;
    int askedAgain = 0;
    std::vector<double> v;
    {
        TSendmail link;
        link.ShowDialogs = false;
        link.DisableEcho();
        link.SetEchoBack(true);
        link.PollInterval = 50;
        link.GapTimeout = 500;
        link.Port().PortMap().SetOverride(1, port);
        if (!port.isEmpty() && link.OpenPort(1, baud))
            for (int i = 0; i < 300; ++i)
                answered += link.ReadEepromText(0x40, 0, 3).isEmpty() ? 0 : 1;
        v = probe->us; // the link frees the monitor when it goes
        askedAgain = link.UndatedAnswers();
    }
    std::sort(v.begin(), v.end());
    if (!v.empty())
        std::printf("%7d %-8s | %4d of 300, %d asked again | first answer byte after the request's line time: min "
                    "%.0f us, median %.0f us (one byte: %.0f us)\n",
                    baud, pace ? "paced" : "unpaced", answered, askedAgain, v.front(), v[v.size() / 2], 1e7 / baud);
    sim.terminate();
    sim.waitForFinished(5000);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    const int reads = a.size() > 1 ? a[1].toInt() : 1000;
    const int every = a.size() > 2 ? a[2].toInt() : 10;
    const int turnaroundUs = a.size() > 3 ? a[3].toInt() : 5000;
    // Early: on the line while the next request crosses it (13 byte times:
    // 13.5 ms at 9600, 1.13 ms at 115200); after request: once the request
    // has crossed, before the device's answer (think time, 5 ms by default);
    // late: 600 ms after its request, when the link has given up on it.
    const Case cases[] = {
        {false, 9600, 0, "back to back"},    {false, 9600, 6, "early"},
        {false, 9600, 16, "after request"},  {false, 9600, -1, "late"},
        {false, 115200, 0, "back to back"},  {false, 115200, 1, "early"},
        {false, 115200, 3, "after request"}, {false, 115200, -1, "late"},
        {true, 9600, 0, "back to back"},     {true, 9600, 6, "early"},
        {true, 9600, 16, "after request"},   {true, 9600, -1, "late"},
        {true, 115200, 0, "back to back"},   {true, 115200, 1, "early"},
        {true, 115200, 3, "after request"},  {true, 115200, -1, "late"},
    };
    std::printf("two-wire, tunebench-sim without think time\n");
    for (const int baud : {9600, 115200})
        for (const bool pace : {true, false})
            MeasureTurnaround(baud, pace);
    if (reads <= 0)
        return 0;
    std::printf("%d reads and %d writes a case, every %dth answer sent twice (or 600 ms late), every 3rd write "
                "dropped, device think time %d us\n",
                reads, reads / 3, every, turnaroundUs);
    std::printf("%-9s %7s %-14s %6s | %6s %6s %6s | %-26s | %s\n", "mode", "baud", "fault", "ms", "right", "none",
                "wrong", "wrong per 1000 / stale / asked again", "writes confirmed / failed / confirmed, not stored");
    const QString only = a.size() > 4 ? a[4] : QString();  // "one-wire" or "two-wire": that mode only
    const QString fault = a.size() > 5 ? a[5] : QString(); // "late", "early", ...: that fault only
    for (const Case& c : cases) {
        if ((!only.isEmpty() && only != QLatin1String(c.twoWire ? "two-wire" : "one-wire")) ||
            (!fault.isEmpty() && fault != QLatin1String(c.when)))
            continue;
        const Tally t = Run(c, reads, every, turnaroundUs);
        const WriteTally w = RunWrites(c, reads / 3, every, turnaroundUs);
        std::printf("%-9s %7d %-14s %6d | %6d %6d %6d | %6.1f / %6d / %10d | %d / %d / %d\n",
                    c.twoWire ? "two-wire" : "one-wire", c.baud, c.when, c.duplicateMs < 0 ? 600 : c.duplicateMs,
                    t.right, t.none, t.wrong, 1000.0 * t.wrong / std::max(reads, 1), t.stale, t.undated, w.confirmed,
                    w.failed, w.falselyConfirmed);
        std::fflush(stdout);
    }
    return 0;
}

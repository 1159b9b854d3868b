// Measures a 256 KiB download through each loader library against
// tunebench-sim --pace at 115200 baud: time against the line's limit (the line
// time of every byte both ways plus the target's modelled busy time), framing
// overhead, CPU of this process, and how late a 5 ms UI timer fires meanwhile.
#include "../BenchSimulator.h"
#include "FlashLoadSC14428.h"
#include "FlashRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kImageBytes = 256 * 1024;
constexpr int kBaud = 115200;

QByteArray IntelHex(const QByteArray& data)
{
    QByteArray text;
    auto record = [&](quint8 type, quint16 address, const QByteArray& bytes) {
        QByteArray raw;
        raw.append(char(bytes.size()))
            .append(char(address >> 8))
            .append(char(address))
            .append(char(type))
            .append(bytes);
        quint8 sum = 0;
        for (char c : raw)
            sum = quint8(sum + quint8(c));
        raw.append(char(quint8(-sum)));
        text += ':' + raw.toHex().toUpper() + "\r\n";
    };
    for (qsizetype i = 0; i < data.size(); i += 32) {
        if (i % 0x10000 == 0)
            record(0x04, 0, QByteArray::fromHex(QByteArray::number(int(i >> 16), 16).rightJustified(4, '0')));
        record(0x00, quint16(i), data.mid(i, 32));
    }
    record(0x01, 0, {});
    return text;
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool Measure(const char* profile, int target, const QString& hexFile, const QString& logFile)
{
    QProcess sim;
    const QString port =
        StartBenchSimulator(sim, {"--profile", profile, "--pace", "--baud", QString::number(kBaud)}, logFile);
    if (port.isEmpty()) {
        std::fprintf(stderr, "tunebench-sim did not start\n");
        return false;
    }
    qputenv("TUNEBENCH_COM1", port.toLocal8Bit());

    TFlashRun run({target, 1, hexFile, QCoreApplication::applicationDirPath() + QLatin1Char('/')});
    run.Line = [](const QString&) {};
    run.Prompt = [](const QString&) { return true; };
    run.Key = [] { return ' '; };

    // A 5 ms timer as the window would have one: how late does it fire?
    std::vector<double> lateMs;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        lateMs.push_back(std::max(0.0, double(sinceTick.nsecsElapsed()) / 1e6 - 5.0));
        sinceTick.restart();
    });
    tick.start(5);
    sinceTick.start();

    const double cpu0 = CpuSeconds();
    QElapsedTimer clock;
    clock.start();
    const int code = run.Run();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double cpu = CpuSeconds() - cpu0;
    tick.stop();
    sim.terminate();
    sim.waitForFinished(5000);

    QFile log(logFile);
    log.open(QIODevice::ReadOnly);
    const QRegularExpression stats(QStringLiteral("STATS rx (\\d+) tx (\\d+) busy_us (\\d+)"));
    const auto match = stats.match(QString::fromLocal8Bit(log.readAll()));
    if (code != TFlashRun::kDone || !match.hasMatch()) {
        std::fprintf(stderr, "%s: download ended with %d\n", profile, code);
        return false;
    }
    const double lineBytes = match.captured(1).toDouble() + match.captured(2).toDouble();
    const double limit = lineBytes * 10.0 / kBaud + match.captured(3).toDouble() / 1e6;
    std::sort(lateMs.begin(), lateMs.end());
    const double p99 = lateMs.empty() ? 0 : lateMs[std::min(lateMs.size() - 1, lateMs.size() * 99 / 100)];
    std::printf("%-13s %7.2f s  limit %7.2f s  %5.1f %% of the limit  framing %.2f %%  CPU %.2f %%  "
                "5 ms timer late: p99 %.2f ms, max %.2f ms\n",
                profile, seconds, limit, 100.0 * limit / seconds, 100.0 * (lineBytes / kImageBytes - 1.0),
                100.0 * cpu / seconds, p99, lateMs.empty() ? 0 : lateMs.back());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    RegisterFlashIndicationHandler();
    QTemporaryDir dir;
    QByteArray data(kImageBytes, Qt::Uninitialized);
    QRandomGenerator generator(1);
    for (char& c : data)
        c = char(generator.bounded(256));
    const QString hexFile = dir.filePath(QStringLiteral("image.hex"));
    QFile file(hexFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(IntelHex(data)) < 0)
        return 1;
    file.close();
    std::printf("256 KiB image at %d baud against tunebench-sim --pace\n", kBaud);
    bool ok = Measure("boot-sc14428", 6, hexFile, dir.filePath(QStringLiteral("sc.log")));
    ok = Measure("boot-rfl", 2, hexFile, dir.filePath(QStringLiteral("rfl.log"))) && ok;
    return ok ? 0 : 1;
}

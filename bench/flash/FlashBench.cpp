// Measures downloads through each loader library against tunebench-sim
// --pace: a 256 KiB image at 115200 baud (both loaders) and at 921600 (RFL, a
// CFG at that rate) as a share of the line's one-way rate (baud / 10 bytes a
// second); a sparse image (8 KiB spread over
// 196 KiB); framing overhead, CPU of this process, and how late a 5 ms UI
// timer fires meanwhile.
#include "../BenchSimulator.h"
#include "FlashLoadSC14428.h"
#include "FlashRun.h"
#include "IntelHex.h"

#include <QCoreApplication>
#include <QDir>
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

QByteArray IntelHex(const QByteArray& data)
{
    const std::string text =
        tbload::IntelHexText(std::vector<uint8_t>(data.begin(), data.end()), 0, /*omitErased=*/true);
    return QByteArray::fromStdString(text);
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Run {
    const char* name;
    const char* profile;
    int target;
    int baud;
    QString hexFile;
    QString programFolder; // its CFG/ is the RFL loader's
    int dataBytes;         // bytes of the image that are not erased
    bool sparse;
};

bool Measure(const Run& r, const QString& logFile)
{
    QProcess sim;
    const QString port =
        StartBenchSimulator(sim, {"--profile", r.profile, "--pace", "--baud", QString::number(r.baud)}, logFile);
    if (port.isEmpty()) {
        std::fprintf(stderr, "tunebench-sim did not start\n");
        return false;
    }
    qputenv("TUNEBENCH_COM1", port.toLocal8Bit());

    TFlashRun run({r.target, 1, r.hexFile, r.programFolder});
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
        std::fprintf(stderr, "%s: download ended with %d\n", r.name, code);
        return false;
    }
    const double lineBytes = match.captured(1).toDouble() + match.captured(2).toDouble();
    const double busy = match.captured(3).toDouble() / 1e6; // the target's, overlapped by the line
    std::sort(lateMs.begin(), lateMs.end());
    const double p99 = lateMs.empty() ? 0 : lateMs[std::min(lateMs.size() - 1, lateMs.size() * 99 / 100)];
    std::printf("%-24s %6.2f s  ", r.name, seconds);
    if (r.sparse)
        std::printf("(goal < 3 s)          ");
    else
        std::printf("%5.1f %% of the line  ", 100.0 * r.dataBytes / (seconds * r.baud / 10.0));
    std::printf("busy %.2f s  framing %.2f %%  CPU %.2f %%  5 ms timer late: p99 %.2f ms, max %.2f ms\n", busy,
                100.0 * (lineBytes / r.dataBytes - 1.0), 100.0 * cpu / seconds, p99,
                lateMs.empty() ? 0 : lateMs.back());
    return true;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
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
    // 8 KiB in eight pieces over 196 KiB; the rest erased.
    QByteArray sparse(196 * 1024, char(0xFF));
    for (int i = 0; i < 8; ++i)
        sparse.replace(i * (195 * 1024 / 7) / 32 * 32, 1024, data.mid(i * 1024, 1024));
    const QString hexFile = dir.filePath(QStringLiteral("image.hex"));
    const QString sparseFile = dir.filePath(QStringLiteral("sparse.hex"));
    // The RFL loader at 921600 baud: a program folder of its own with that CFG.
    const QString fast = dir.filePath(QStringLiteral("fast/"));
    if (!QDir().mkpath(fast + QStringLiteral("CFG")) || !WriteFile(hexFile, IntelHex(data)) ||
        !WriteFile(sparseFile, IntelHex(sparse)) ||
        !WriteFile(fast + QStringLiteral("CFG/Base_1G8.cfg"),
                   "name = DAVO Base Station 1.8 GHz\nbaud = 921600\nblock = 4096\nflash = 2097152\n"))
        return 1;
    const QString program = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const Run runs[] = {
        {"libfloader 256 KiB 115200", "boot-sc14428", 6, 115200, hexFile, program, kImageBytes, false},
        {"libRflLib 256 KiB 115200", "boot-rfl", 2, 115200, hexFile, program, kImageBytes, false},
        {"libRflLib 256 KiB 921600", "boot-rfl", 2, 921600, hexFile, fast, kImageBytes, false},
        {"libfloader sparse 115200", "boot-sc14428", 6, 115200, sparseFile, program, 8 * 1024, true},
        {"libRflLib sparse 115200", "boot-rfl", 2, 115200, sparseFile, program, 8 * 1024, true},
    };
    std::printf("against tunebench-sim --pace; the line's one-way rate is baud / 10 bytes a second\n");
    bool ok = true;
    for (const Run& r : runs)
        ok = Measure(r, dir.filePath(QStringLiteral("sim.log"))) && ok;
    return ok ? 0 : 1;
}

// Measures the link and a flash download through a COM port that the caller
// has given a simulator (scripts/windows maps them under wine, TUNEBENCH_COM<n>
// on Linux):
//   tunebench-combench read COM [EXCHANGES]  1-byte EEPROM reads at 115200 baud
//       (tunebench-sim --profile handset --baud 115200 --pace --turnaround 100)
//   tunebench-combench flash COM             a 256 KiB image into target 6 at 115200
//       (tunebench-sim --profile boot-sc14428 --pace --boot-window 3600000)
#include "FlashLoadSC14428.h"
#include "FlashRun.h"
#include "IntelHex.h"
#include "SndMail.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kImageBytes = 256 * 1024;
constexpr int kBaud = 115200;

QByteArray IntelHex(const QByteArray& data)
{
    const std::string text =
        tbload::IntelHexText(std::vector<uint8_t>(data.begin(), data.end()), 0, /*omitErased=*/false);
    return QByteArray::fromStdString(text);
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

int Read(int com, int exchanges)
{
    TSendmail link;
    link.ShowDialogs = false;
    if (!link.OpenPort(static_cast<std::uint8_t>(com), kBaud)) {
        std::fprintf(stderr, "cannot open COM%d\n", com);
        return 1;
    }
    for (int i = 0; i < 10; ++i)
        (void)link.ReadEepromText(0x40, 0, 1);
    std::vector<double> ms;
    int failures = 0;
    for (int i = 0; i < exchanges; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (link.ReadEepromText(0x40, 0, 1).isEmpty())
            ++failures;
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    // 12 bytes out and their echo overlap; 6 answer bytes follow: 18 byte times.
    const double lineMs = 18 * 10.0 * 1000.0 / kBaud;
    std::printf("1-byte read at %d baud: median %.3f ms, p95 %.3f ms (%d exchanges, %d failed; line time %.3f ms)\n",
                kBaud, Percentile(ms, 0.5), Percentile(ms, 0.95), exchanges, failures, lineMs);
    return failures == 0 ? 0 : 1;
}

int Flash(int com)
{
    QTemporaryDir dir;
    QByteArray image(kImageBytes, Qt::Uninitialized);
    for (char& c : image)
        c = char(QRandomGenerator::global()->bounded(256));
    const QString hex = dir.filePath(QStringLiteral("image.hex"));
    QFile file(hex);
    if (!file.open(QIODevice::WriteOnly) || file.write(IntelHex(image)) < 0)
        return 1;
    file.close();
    if (!RegisterFlashIndicationHandler())
        return 1;
    TFlashRun run({6, com, hex, QCoreApplication::applicationDirPath() + QLatin1Char('/')});
    QStringList log;
    run.Line = [&log](const QString& line) { log.append(line); };
    run.Prompt = [](const QString&) { return true; };
    run.Key = [] { return ' '; };
    QElapsedTimer clock;
    clock.start();
    const int code = run.Run();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    if (code != TFlashRun::kDone) {
        std::fprintf(stderr, "download ended with %d:\n%s\n", code, qPrintable(log.mid(log.size() - 5).join('\n')));
        return 1;
    }
    std::printf("256 KiB flash at %d baud: %.2f s = %.1f %% of the line's one-way rate (line time %.2f s)\n", kBaud,
                seconds, 100.0 * kImageBytes / (seconds * kBaud / 10.0), kImageBytes / (kBaud / 10.0));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString what = argc > 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int com = argc > 2 ? std::atoi(argv[2]) : 0;
    if (what == QLatin1String("read") && com > 0)
        return Read(com, argc > 3 ? std::max(50, std::atoi(argv[3])) : 300);
    if (what == QLatin1String("flash") && com > 0)
        return Flash(com);
    std::fprintf(stderr, "usage: tunebench-combench read COM [EXCHANGES] | flash COM\n");
    return 1;
}

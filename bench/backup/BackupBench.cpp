// Reads 2 KiB of cells as `tunebench-cli backup --range 0000-07FF` does, then
// verifies them as `menu verify` does, from `tunebench-sim --pace` at 9600 and
// at 115200 baud, and compares each time with the line's limit: every byte of
// the read mails and of their answers at 10 bits per byte. The echo of a mail
// comes back while it is sent, so it adds no line time. At 115200 baud also
// through a USB adapter whose latency timer holds echoes and answers back
// 16 ms and 1 ms (`tunebench-sim --usb-latency`).
#include "BenchSimulator.h"
#include "DeviceBackup.h"
#include "MenuVerifier.h"
#include "SndMail.h"
#include "Timing.h"
#include "TpaProComImpl.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTextStream>
#include <cstdio>

namespace {

constexpr int kCells = 2048;

// The reads as the program makes them, each a 12-byte frame and an answer of
// count + 5 bytes.
double LineLimitMs(int baud)
{
    int bytes = 0;
    for (int offset = 0; offset < kCells; offset += TCellReader::kLongRead)
        bytes += 12 + std::min(TCellReader::kLongRead, kCells - offset) + 5;
    return bytes * 10.0 * 1000.0 / baud;
}

bool Measure(int baud, QTextStream& out, int usbLatencyMs = 0)
{
    QProcess sim;
    const QString port = StartBenchSimulator(sim,
                                             {"--profile", "handset", "--baud", QString::number(baud), "--pace",
                                              "--usb-latency", QString::number(usbLatencyMs)},
                                             QProcess::nullDevice());
    if (port.isEmpty()) {
        std::fprintf(stderr, "cannot start tunebench-sim next to this program\n");
        return false;
    }
    TSendmail link;
    link.ShowDialogs = false;
    link.Port().PortMap().SetOverride(1, port);
    if (!link.OpenPort(1, baud) || link.ProbeDevice(1000) <= 0) {
        std::fprintf(stderr, "no simulated handset on %s\n", qPrintable(port));
        return false;
    }
    const double limitMs = LineLimitMs(baud);

    TDeviceBackup backup(link);
    std::int64_t t0 = ReadCounter();
    const TBackupRead read = backup.Read({{0x0000, kCells}});
    const double backupMs = static_cast<double>(ReadCounter() - t0) / 1e6;

    TMenuVerifier verifier(link);
    t0 = ReadCounter();
    const TMenuVerifyResult verified = verifier.Verify(read.lines);
    const double verifyMs = static_cast<double>(ReadCounter() - t0) / 1e6;
    sim.terminate();
    sim.waitForFinished(5000);

    const bool ok = read.complete && verified.end == TMenuVerifyResult::TEnd::Completed && verified.differences.empty();
    const QString through =
        usbLatencyMs > 0 ? QStringLiteral(" through a USB adapter, %1 ms latency timer").arg(usbLatencyMs) : QString();
    for (const auto& [name, ms] : {std::pair{"backup", backupMs}, std::pair{"verify", verifyMs}})
        out << QString::asprintf("| %s of 2 KiB at %d baud%s (%lld lines) | %.2f s | %.2f s; %.1f %% of it%s |\n", name,
                                 baud, qPrintable(through), static_cast<long long>(read.lines.size()), ms / 1000.0,
                                 limitMs / 1000.0, 100.0 * limitMs / ms, usbLatencyMs == 16 ? "" : ", goal >= 45 %");
    out.flush();
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    out << "| measurement | result | line limit / goal |\n|---|---|---|\n";
    const bool ok = Measure(9600, out) && Measure(115200, out) && Measure(115200, out, 16) && Measure(115200, out, 1);
    return ok ? 0 : 1;
}

// Appends traffic to a shown monitor window (offscreen) and reports the rate
// and the peak memory at checkpoints; a bounded list must keep memory flat.
#include "SerialMonitorForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QSpinBox>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

namespace {

long PeakRssKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One exchange of the link: frame out, echo and answer in, verdict, data.
void AddExchange(TSerialMonitorForm& form, int i)
{
    static const QByteArray frame = QByteArray::fromHex("FFFF4D023C08000100F3");
    static const QByteArray answer = QByteArray::fromHex("4D02013D5A97");
    switch (i % 5) {
    case 0:
        form.AddTraffic(TrafficDirection::Sent, frame);
        break;
    case 1:
        form.AddTraffic(TrafficDirection::Received, frame);
        break;
    case 2:
        form.AddTraffic(TrafficDirection::Received, answer);
        break;
    case 3:
        form.AddInfoLine(InfoKind::Comment, QStringLiteral("Rx CRC OK"), QStringLiteral("CRC"));
        break;
    default:
        form.AddInfoLine(InfoKind::Comment, QStringLiteral("5A"), QStringLiteral("MAIL"));
        break;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool check = argc > 1 && std::strcmp(argv[1], "--check") == 0;

    TSerialMonitorForm form;
    form.findChild<QSpinBox*>(QStringLiteral("seMaxLines"))->setValue(5000);
    form.findChild<QCheckBox*>(QStringLiteral("chkFollow"))->setChecked(true);
    form.show();
    QCoreApplication::processEvents();

    // The link adds entries inside its waits, which run the event loop; do the
    // same after every exchange so that the window's batched refresh is measured too.
    constexpr int kTotal = 100000;
    const int checkpoints[] = {10000, 50000, kTotal};
    std::printf("%10s %12s %14s %12s %10s\n", "entries", "seconds", "entries/s", "peak KiB", "in list");
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    double slowest = 1e300;
    int done = 0;
    qint64 lastNs = 0;
    int lastTarget = 0;
    for (const int target : checkpoints) {
        for (; done < target; ++done) {
            AddExchange(form, done);
            if (done % 5 == 4)
                QCoreApplication::processEvents();
        }
        const qint64 ns = clock.nsecsElapsed();
        const double rate = (target - lastTarget) * 1e9 / double(ns - lastNs);
        slowest = std::min(slowest, rate);
        lastNs = ns;
        lastTarget = target;
        std::printf("%10d %12.3f %14.0f %12ld %10d\n", target, ns / 1e9, rate, PeakRssKib(), form.EntryCount());
    }
    std::printf("overall %.0f entries/s, slowest stretch %.0f entries/s (goal 100000)\n",
                kTotal * 1e9 / double(clock.nsecsElapsed()), slowest);
    return check && slowest < 100000 ? 1 : 0;
}

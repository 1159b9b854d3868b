// A paced 115200-baud stream from the simulator for 30 s with the monitor
// open: CPU share of this process and the greatest delay between a block's
// arrival and its entry reaching the list view.
#include "../BenchSimulator.h"
#include "MonitorListModel.h"
#include "SerialMonitorForm.h"
#include "SndMail.h"
#include "Timing.h"
#include "TpaProComImpl.h"
#include "TrafficMonitor.h"

#include <QApplication>
#include <QProcess>
#include <QTextStream>
#include <deque>
#include <sys/resource.h>

namespace {

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Stands between the link and the window to stamp each arrival.
class StampingMonitor : public ITrafficMonitor {
public:
    explicit StampingMonitor(TSerialMonitorForm* form) : m_form(form)
    {
        QObject::connect(form->ListModel(), &QAbstractItemModel::rowsInserted, form, [this] {
            const std::int64_t now = ReadCounter();
            while (!m_pending.empty()) {
                m_worstNs = std::max(m_worstNs, now - m_pending.front());
                m_pending.pop_front();
            }
        });
    }
    void AddTraffic(TrafficDirection d, const QByteArray& bytes) override
    {
        m_pending.push_back(ReadCounter());
        ++m_entries;
        m_form->AddTraffic(d, bytes);
    }
    void AddInfoLine(InfoKind k, const QString& text, const QString& comment) override
    {
        m_pending.push_back(ReadCounter());
        ++m_entries;
        m_form->AddInfoLine(k, text, comment);
    }
    void Dispose() override
    {
        m_form->Dispose();
        delete this;
    }
    std::int64_t m_worstNs = 0;
    long m_entries = 0;

private:
    TSerialMonitorForm* m_form;
    std::deque<std::int64_t> m_pending;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    QProcess sim;
    // The simulator's frame log is not part of what is measured.
    sim.setStandardErrorFile(QProcess::nullDevice());
    const QString port =
        StartBenchSimulator(sim, {QStringLiteral("--baud"), QStringLiteral("115200"), QStringLiteral("--pace")});
    if (port.isEmpty()) {
        fprintf(stderr, "cannot start tunebench-sim next to this program\n");
        return 1;
    }

    auto* form = new TSerialMonitorForm;
    form->show();
    auto* stamping = new StampingMonitor(form);
    if (!qEnvironmentVariableIsSet("TB_NO_MONITOR"))
        TrafficMonitorRegistry::Install(stamping);

    TSendmail link;
    link.ShowDialogs = false;
    link.Port().PortMap().SetOverride(1, port);
    link.OpenPort(1, 115200);
    long exchanges = 0;
    long bytes = 0;
    const double cpu0 = CpuSeconds();
    const std::int64_t t0 = ReadCounter();
    while (ElapsedMs(ReadCounter(), t0) < seconds * 1000LL) {
        // 32-byte reads keep the line busy: 12 + 37 bytes per exchange.
        if (!link.ReadEepromText(0x40, 0x00, 32).isEmpty())
            bytes += 49;
        ++exchanges;
    }
    const double wall = static_cast<double>(ElapsedMs(ReadCounter(), t0)) / 1000.0;
    const double cpu = 100.0 * (CpuSeconds() - cpu0) / wall;
    Delay(50);

    QTextStream out(stdout);
    out << "| measurement | result | goal |\n|---|---|---|\n";
    out << QString::asprintf(
        "| paced 115200-baud stream, %.0f s | %ld exchanges, %ld line bytes (%.0f %% of the line) | |\n", wall,
        exchanges, bytes, 100.0 * static_cast<double>(bytes) * 10 / 115200.0 / wall);
    out << QString::asprintf("| monitor entries added | %ld (list holds %d) | |\n", stamping->m_entries,
                             form->EntryCount());
    out << QString::asprintf("| CPU share of the program | %.1f %% of one core | < 10 %% |\n", cpu);
    out << QString::asprintf("| greatest delay arrival -> list entry | %.1f ms | |\n",
                             static_cast<double>(stamping->m_worstNs) / 1e6);
    link.ClosePort();
    TrafficMonitorRegistry::Free();
    sim.terminate();
    sim.waitForFinished(5000);
    return 0;
}

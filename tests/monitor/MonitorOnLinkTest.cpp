#include "MonitorListModel.h"
#include "SerialMonitorForm.h"
#include "SndMail.h"
#include "TpaProComImpl.h"
#include "TrafficMonitor.h"
#include "support/SimHarness.h"
#include "support/WaitFor.h"

#include <QCheckBox>
#include <QPointer>
#include <gtest/gtest.h>

namespace {

// The real window on the real link against the simulator, as a technician sees it.
class MonitorOnLink : public ::testing::Test {
protected:
    tbtest::SimHarness sim{{QStringLiteral("--profile"), QStringLiteral("handset")}};
    void SetUp() override
    {
        InstallSerialMonitorFactory();
        ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    }
    static TSerialMonitorForm* Form() { return dynamic_cast<TSerialMonitorForm*>(TrafficMonitorRegistry::Current()); }
    static QStringList Lines(int from)
    {
        QStringList lines;
        const TMonitorListModel* model = Form()->ListModel();
        for (int i = from; i < model->EntryCount(); ++i) {
            const TTrafficEntry& e = model->Entry(i);
            lines << e.info + QLatin1Char('|') + e.hexComment;
        }
        return lines;
    }
};

TEST_F(MonitorOnLink, WriteMailShowsWriteThenReadBackInOrder)
{
    QPointer<TSerialMonitorForm> window;
    {
        TSendmail link;
        link.ShowDialogs = false;
        link.Port().PortMap().SetOverride(1, sim.portPath());
        link.ShowMonitor();
        window = Form();
        ASSERT_TRUE(window);
        EXPECT_TRUE(window->isVisible());
        ASSERT_TRUE(link.OpenPort(1, 9600));
        EXPECT_TRUE(Lines(0).contains(QStringLiteral("CT|COM1 open at 9600 baud")));

        const int start = window->EntryCount();
        ASSERT_TRUE(link.WriteEepromText(0x10, 0x00, 2, QStringLiteral("41 42")));
        QStringList kinds;
        QStringList rx;
        for (const QString& line : Lines(start)) {
            const QString info = line.section(QLatin1Char('|'), 0, 0);
            if (kinds.isEmpty() || kinds.last() != info)
                kinds << info;
            if (info == QLatin1String("RX"))
                rx << line.section(QLatin1Char('|'), 1);
        }
        EXPECT_EQ(kinds, QStringList({"TX", "RX", "CRC", "TX", "RX", "CRC", "MAIL"}));
        const QStringList lines = Lines(start);
        EXPECT_EQ(lines.first(), QStringLiteral("TX|FF FF 4D 02 08 3B 08 00 02 10 00 41 42 D8 "));
        EXPECT_TRUE(lines.contains(QStringLiteral("CRC|Rx CRC Error")));
        EXPECT_EQ(lines.at(lines.size() - 2), QStringLiteral("CRC|Rx CRC OK"));
        EXPECT_EQ(lines.last(), QStringLiteral("MAIL|41 42"));
        // Every byte of both exchanges is listed: write echo, read-back echo, answer.
        const QString bytes = rx.join(QString()).remove(QLatin1Char(' '));
        EXPECT_TRUE(bytes.startsWith(QStringLiteral("FFFF4D02083B08000210004142D8FFFF4D02063C080002100056")))
            << bytes.toStdString();
        EXPECT_TRUE(bytes.endsWith(QStringLiteral("023D4142C0"))) << bytes.toStdString();
        EXPECT_EQ(bytes.size(), 2 * (14 + 12 + 7));
    }
    // Destroying the link frees the window.
    EXPECT_EQ(TrafficMonitorRegistry::Current(), nullptr);
    // The window goes when the event loop handles its deferred deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(MonitorOnLink, OmitNewDataAddsNothingWhileTheLinkWorks)
{
    TSendmail link;
    link.Port().PortMap().SetOverride(1, sim.portPath());
    link.ShowMonitor();
    ASSERT_TRUE(link.OpenPort(1, 9600));
    auto* omit = Form()->findChild<QCheckBox*>(QStringLiteral("chkOmitNewData"));
    ASSERT_NE(omit, nullptr);
    omit->setChecked(true);
    const int before = Form()->EntryCount();
    EXPECT_EQ(link.ReadEepromText(0x40, 0x00, 3), QStringLiteral("00 04 D5"));
    EXPECT_EQ(Form()->EntryCount(), before);
}

} // namespace

// The port list rules and the COM n -> device lookup, on real files.
#include "ComPortMap.h"
#include "MachineSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TSerialPortEntry Port(const QString& path, std::optional<quint16> vendor = {}, std::optional<quint16> product = {})
{
    TSerialPortEntry entry;
    entry.devicePath = path;
    entry.vendorId = vendor;
    entry.productId = product;
    return entry;
}

TEST(SerialPortList, ExactlyOneUsbAdapterIsTheSingleOne)
{
    const TSerialPortEntry builtIn = Port(QStringLiteral("/dev/ttyS0"));
    const TSerialPortEntry ftdi = Port(QStringLiteral("/dev/ttyUSB0"), 0x0403, 0x6001);
    const TSerialPortEntry acm = Port(QStringLiteral("/dev/ttyACM0")); // no ids reported: known by its name
    struct Case {
        QList<TSerialPortEntry> ports;
        QString single;
    } cases[] = {
        {{}, {}}, {{builtIn}, {}}, {{builtIn, ftdi}, ftdi.devicePath}, {{acm}, acm.devicePath}, {{ftdi, acm}, {}},
    };
    for (const Case& c : cases) {
        const auto single = SerialPortList::SingleUsbAdapter(c.ports);
        EXPECT_EQ(single ? single->devicePath : QString(), c.single) << c.ports.size() << " ports";
    }
    EXPECT_EQ(ftdi.UsbId(), QStringLiteral("0403:6001"));
    EXPECT_EQ(builtIn.UsbId(), QString());
}

TEST(SerialPortList, AUsbAdaptersDriverAndLatencyTimerComeFromSysfs)
{
    // /sys/class/tty/<name>/device/driver links to the driver, latency_timer is the adapter's own.
    QTemporaryDir sys;
    const auto device = [&](const char* name, const char* driver, const QByteArray& timer) {
        const QString folder = sys.filePath(QStringLiteral("tty/%1/device").arg(QLatin1String(name)));
        QDir().mkpath(folder);
        QDir().mkpath(sys.filePath(QStringLiteral("drivers/%1").arg(QLatin1String(driver))));
        QFile::link(sys.filePath(QStringLiteral("drivers/%1").arg(QLatin1String(driver))), folder + "/driver");
        if (!timer.isNull()) {
            QFile file(folder + "/latency_timer");
            file.open(QIODevice::WriteOnly);
            file.write(timer);
        }
    };
    device("ttyUSB0", "ftdi_sio", "16\n");
    device("ttyACM0", "cdc_acm", QByteArray());
    device("ttyUSB1", "ftdi_sio", "not a number\n");
    device("ttyS0", "serial8250", QByteArray());
    const auto ports =
        SerialPortList::WithDriverDetails({Port("/dev/ttyUSB0", 0x0403, 0x6001), Port("/dev/ttyACM0"),
                                           Port("/dev/ttyUSB1"), Port("/dev/ttyS0"), Port("/dev/ttyUSB9")},
                                          sys.filePath(QStringLiteral("tty")));
    const struct {
        QString driver;
        std::optional<int> timer;
        bool slow;
    } expected[] = {
        {"ftdi_sio", 16, true}, {"cdc_acm", {}, false}, {"ftdi_sio", {}, false}, {{}, {}, false}, {{}, {}, false}};
    for (int i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(ports[i].driver, expected[i].driver) << ports[i].devicePath.toStdString();
        EXPECT_EQ(ports[i].latencyTimerMs, expected[i].timer) << ports[i].devicePath.toStdString();
        EXPECT_EQ(ports[i].SlowLatencyTimer(), expected[i].slow) << ports[i].devicePath.toStdString();
    }
}

TEST(SerialPortList, TheStableLinkToADeviceIsItsPreferredName)
{
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyUSB0"));
    QFile(device).open(QIODevice::WriteOnly);
    const QString byId = dir.filePath(QStringLiteral("by-id"));
    QDir().mkpath(byId);
    const QString stable = byId + QStringLiteral("/usb-FTDI_FT232R_A1B2C3-if00-port0");
    ASSERT_TRUE(QFile::link(device, stable));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("elsewhere")), byId + QStringLiteral("/usb-other")));

    const auto ports =
        SerialPortList::WithStableNames({Port(device), Port(dir.filePath(QStringLiteral("ttyS0")))}, byId);
    EXPECT_EQ(ports[0].stableName, stable);
    EXPECT_EQ(ports[0].PreferredName(), stable);
    EXPECT_EQ(ports[1].PreferredName(), dir.filePath(QStringLiteral("ttyS0")));
    // A stored stable name or device path finds the same port.
    EXPECT_EQ(SerialPortList::FindByPath(ports, stable)->devicePath, device);
    EXPECT_EQ(SerialPortList::FindByPath(ports, device)->stableName, stable);
    EXPECT_FALSE(SerialPortList::FindByPath(ports, dir.filePath(QStringLiteral("ttyUSB9"))));
}

class ComPortMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv(TMachineSettings::kPathVariable, QFile::encodeName(m_settings.Path()));
        m_map.SetScanner([this] { return m_ports; });
    }
    void TearDown() override
    {
        qunsetenv(TMachineSettings::kPathVariable);
        qunsetenv("TUNEBENCH_COM1");
    }
    QTemporaryDir m_dir;
    TMachineSettings m_settings{m_dir.filePath(QStringLiteral("VUREZIVO.ini"))};
    QList<TSerialPortEntry> m_ports;
    TComPortMap m_map;
};

TEST_F(ComPortMapTest, LookupOrderEnvironmentStoredSingleAdapterDefault)
{
    using S = TComPortMap::Source;
    const auto expect = [&](int com, const QString& path, S source, const char* what) {
        const auto r = m_map.Resolve(com);
        EXPECT_EQ(r.path, path) << what;
        EXPECT_EQ(r.source, source) << what;
    };
    expect(1, QStringLiteral("/dev/ttyS0"), S::PlatformDefault, "nothing known");

    m_ports = {Port(QStringLiteral("/dev/ttyS0")), Port(QStringLiteral("/dev/ttyUSB0"), 0x067b, 0x2303)};
    expect(1, QStringLiteral("/dev/ttyUSB0"), S::SingleUsbAdapter, "one adapter, nothing stored");
    expect(2, QStringLiteral("/dev/ttyS1"), S::PlatformDefault, "only COM1 means the adapter");

    ASSERT_TRUE(TComPortMap::Store(m_settings, 3, QStringLiteral("/dev/ttyACM0")));
    expect(3, QStringLiteral("/dev/ttyACM0"), S::Stored, "stored");
    expect(1, QStringLiteral("/dev/ttyS0"), S::PlatformDefault, "an assignment ends the default");

    qputenv("TUNEBENCH_COM1", "/tmp/ttyDAVO");
    expect(1, QStringLiteral("/tmp/ttyDAVO"), S::Environment, "environment");
    m_map.SetOverride(1, QStringLiteral("/dev/ttyUSB5"));
    expect(1, QStringLiteral("/dev/ttyUSB5"), S::Override, "--port");

    ASSERT_TRUE(TComPortMap::Store(m_settings, 3, QString()));
    EXPECT_FALSE(m_settings.ValueExists(TComPortMap::SettingName(3)));
    EXPECT_FALSE(TComPortMap::AnyStored(m_settings));
}

} // namespace

#include "DeviceLockFile.h"
#include "PortDiagnosis.h"
#include "PtyDevice.h"
#include "SndMail.h"
#include "Timing.h"
#include "TpaProComImpl.h"
#include "TrafficMonitor.h"
#include "support/SimHarness.h"
#include "support/WaitFor.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

class RecordingMonitor : public ITrafficMonitor {
public:
    explicit RecordingMonitor(QStringList* lines, int* deliveries = nullptr) : m_lines(lines), m_deliveries(deliveries)
    {}
    void AddTraffic(TrafficDirection d, const QByteArray&) override
    {
        if (m_deliveries && d == TrafficDirection::Received)
            ++*m_deliveries;
    }
    void AddInfoLine(InfoKind, const QString& text, const QString&) override { m_lines->append(text); }

private:
    QStringList* m_lines;
    int* m_deliveries;
};

TEST(SerialChannel, MissingPortIsNotOpenAndSaysWhy)
{
    TTpaProComImpl channel;
    channel.PortMap().SetOverride(4, QStringLiteral("/dev/tunebench-no-such-port"));
    EXPECT_FALSE(channel.Open(4, 9600));
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.LastOpenFailure(), TTpaProComImpl::OpenFailure::NotFound);
    EXPECT_TRUE(channel.Close());
    EXPECT_EQ(channel.Write(QByteArray("x")), 0);
}

TEST(SerialChannel, APortHeldUnderOneNameIsBusyUnderTheOther)
{
    PtyDevice device;
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyLINK"));
    ASSERT_TRUE(QFile::link(device.SlavePath(), link));
    for (const auto& [held, asked] : {std::pair{link, device.SlavePath()}, std::pair{device.SlavePath(), link}}) {
        TTpaProComImpl holder;
        TTpaProComImpl other;
        holder.PortMap().SetOverride(1, held);
        other.PortMap().SetOverride(1, asked);
        ASSERT_TRUE(holder.Open(1, 9600));
        EXPECT_FALSE(other.Open(1, 9600)) << qPrintable(asked);
        EXPECT_EQ(other.LastOpenFailure(), TTpaProComImpl::OpenFailure::Busy);
    }
}

TEST(SerialChannel, APortLockedByAnotherProgramIsBusyNotSilent)
{
    PtyDevice device;
    const int foreign = ::open(QFile::encodeName(device.SlavePath()).constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(foreign, 0);
    ASSERT_EQ(::flock(foreign, LOCK_EX | LOCK_NB), 0);
    TTpaProComImpl channel;
    channel.PortMap().SetOverride(1, device.SlavePath());
    EXPECT_FALSE(channel.Open(1, 9600));
    EXPECT_EQ(channel.LastOpenFailure(), TTpaProComImpl::OpenFailure::Busy);
    ::close(foreign);
    EXPECT_TRUE(channel.Open(1, 9600));
}

// Lock files of terminal programs: a live PID, in ASCII or binary, keeps the
// port busy; the file of a process that has ended is taken over.
TEST(SerialChannel, ALockFileOfALiveProcessIsRespectedAndADeadOnesTakenOver)
{
    PtyDevice device;
    const QString lockFile = QStringLiteral("/var/lock/") + DeviceLockFile::Name(device.SlavePath());
    if (!QFileInfo(QStringLiteral("/var/lock")).isWritable())
        GTEST_SKIP() << "/var/lock is not writable here";
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const qint32 live = ::getppid();
    const QByteArray binaryLive(reinterpret_cast<const char*>(&live), sizeof live);
    const QByteArray livePid = QByteArray::number(live).rightJustified(10, ' ') + '\n';
    const struct {
        QByteArray content;
        bool busy;
        bool writtenLongAgo = false; // before the live process started: its PID was another's then
    } cases[] = {{livePid, true},
                 {binaryLive, true},
                 {QByteArray::number(dead).rightJustified(10, ' ') + '\n', false},
                 {livePid, false, true}};
    for (const auto& c : cases) {
        QFile file(lockFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.content);
        file.flush();
        if (c.writtenLongAgo) {
            ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000), QFileDevice::FileModificationTime));
        }
        file.close();
        TTpaProComImpl channel;
        channel.PortMap().SetOverride(1, device.SlavePath());
        EXPECT_EQ(channel.Open(1, 9600), !c.busy) << c.content.toHex().toStdString();
        if (c.busy) {
            EXPECT_EQ(channel.LastOpenFailure(), TTpaProComImpl::OpenFailure::Busy);
            EXPECT_EQ(QFile(lockFile).size(), c.content.size()) << "the live lock stays";
        }
        channel.Close();
        QFile::remove(lockFile);
    }
}

TEST(SerialChannel, ThePermissionHintNamesAGroupOnlyWhenJoiningItWouldHelp)
{
    using P = QFileDevice;
    const unsigned owner = P::ReadOwner | P::WriteOwner | P::ReadUser | P::WriteUser;
    const struct {
        const char* group;
        unsigned permissions;
        bool joinGroup;
    } cases[] = {{"dialout", owner | P::ReadGroup | P::WriteGroup, true},
                 {"root", owner, false},
                 {"dialout", owner | P::ReadGroup, false},
                 {"", owner | P::ReadGroup | P::WriteGroup, false}};
    for (const auto& c : cases) {
        const QString hint = PermissionHint(QStringLiteral("/dev/ttyUSB0"), QLatin1String(c.group), c.permissions);
        EXPECT_EQ(hint.contains(QStringLiteral("usermod -a -G %1").arg(QLatin1String(c.group))), c.joinGroup)
            << hint.toStdString();
        EXPECT_EQ(hint.contains(QStringLiteral("udev rule")), !c.joinGroup) << hint.toStdString();
    }
}

TEST(SerialChannel, PortMapOrder)
{
    TComPortMap map;
    EXPECT_EQ(map.DevicePath(3), TComPortMap::PlatformDefault(3));
    qputenv("TUNEBENCH_COM3", "/tmp/tunebench-sim-3");
    EXPECT_EQ(map.DevicePath(3), QStringLiteral("/tmp/tunebench-sim-3"));
    map.SetOverride(3, QStringLiteral("/dev/pts/99"));
    EXPECT_EQ(map.DevicePath(3), QStringLiteral("/dev/pts/99"));
    qunsetenv("TUNEBENCH_COM3");
}

TEST(SerialChannel, DeliversBytesOnlyToAnInstalledReceiverInOrder)
{
    PtyDevice device;
    TTpaProComImpl channel;
    channel.PortMap().SetOverride(1, device.SlavePath());
    ASSERT_TRUE(channel.Open(1, 9600));
    QByteArray received;
    channel.OnData = [&](TVirtualCom*, const QByteArray& data) { received += data; };
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(channel.Write(QByteArray(1, static_cast<char>(i))), 1);
    ASSERT_TRUE(tbtest::waitFor([&] { return received.size() >= 50; }));
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(received[i], static_cast<char>(i));
}

class LinkOnPty : public ::testing::TestWithParam<bool> {};

TEST_P(LinkOnPty, ReadsAndWritesThroughARealPort)
{
    const bool twoWire = GetParam();
    PtyDevice device(!twoWire);
    device.WithDevice([](FrameDevice& d) {
        d.memory[0x40] = 0x00;
        d.memory[0x41] = 0x04;
        d.memory[0x42] = 0xD5;
        return 0;
    });
    TSendmail link;
    link.ShowDialogs = false;
    link.ReadbackDelay = 0;
    if (twoWire)
        link.DisableEcho();
    link.Port().PortMap().SetOverride(2, device.SlavePath());
    ASSERT_TRUE(link.OpenPort(2, 9600));
    EXPECT_EQ(link.ProbeDevice(50), 1);
    EXPECT_EQ(link.ReadEepromText(0x40, 0x00, 3), QStringLiteral("00 04 D5"));
    const std::uint8_t data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(link.WriteEepromBlock(0x0100, data, 10), 10);
    EXPECT_EQ(device.WithDevice([](FrameDevice& d) { return d.memory[0x109]; }), 10);
    std::uint8_t back[10] = {};
    EXPECT_EQ(link.ReadEepromBytesAt(0x0100, 10, back), 10);
    EXPECT_EQ(back[9], 10);
}

// Bytes of an earlier exchange that come in front of the echo are no part of
// this one: the answer behind the echo is read.
TEST(LinkOnPty, BytesInFrontOfTheEchoAreDropped)
{
    PtyDevice device;
    device.WithDevice([](FrameDevice& d) {
        d.memory[0x40] = 0x5A;
        d.beforeEcho = QByteArray("\x4D\x02", 2);
        return 0;
    });
    TSendmail link;
    link.Port().PortMap().SetOverride(2, device.SlavePath());
    ASSERT_TRUE(link.OpenPort(2, 9600));
    EXPECT_EQ(link.ReadEepromText(0x40, 0x00, 1), QStringLiteral("5A"));
}

INSTANTIATE_TEST_SUITE_P(LineModes, LinkOnPty, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "TwoWire" : "OneWire"; });

TEST(LinkOnPty, NonStandardRateIsSetOnThePortAndChangedWhileOpen)
{
    PtyDevice device;
    QStringList lines;
    TrafficMonitorRegistry::Install(new RecordingMonitor(&lines));
    {
        TSendmail link;
        link.Port().PortMap().SetOverride(7, device.SlavePath());
        ASSERT_TRUE(link.OpenPort(7, 8600));
        EXPECT_EQ(device.ClientBaud(), 8600);
        EXPECT_FALSE(link.ReadEepromText(0, 0, 1).isEmpty());
        ASSERT_TRUE(link.OpenPort(7, 115200));
        EXPECT_TRUE(link.IsPortOpen());
        EXPECT_EQ(device.ClientBaud(), 115200);
        EXPECT_TRUE(lines.contains(QStringLiteral("COM7 open at 115200 baud")));
        // Pseudo-terminals refuse modem lines: noted once, not an open failure.
        EXPECT_EQ(lines.count(QStringLiteral("DTR/RTS not supported by this port")), 2);
    }
    // Destroying the link frees the monitor.
    EXPECT_EQ(TrafficMonitorRegistry::Current(), nullptr);
}

TEST(LinkOnPty, VanishingDeviceEndsTheExchangeAtOnce)
{
    PtyDevice device;
    TSendmail link;
    link.AnswerTimeout = 5000;
    link.GapTimeout = 5000;
    link.Port().PortMap().SetOverride(1, device.SlavePath());
    ASSERT_TRUE(link.OpenPort(1, 9600));
    device.hangUpOnNextFrame = true;
    const std::int64_t t0 = ReadCounter();
    EXPECT_EQ(link.ReadEepromText(0, 0, 1), QString());
    EXPECT_LT(ElapsedMs(ReadCounter(), t0), 3000);
    EXPECT_FALSE(link.IsPortOpen());
    EXPECT_EQ(link.ProbeDevice(1), -1);
}

// A device that sends at line speed, byte by byte: the link looks when the
// awaited bytes can be there, not at every byte, and still gets them all.
TEST(LinkOnPty, PacedAnswerArrivesInAFewDeliveries)
{
    tbtest::SimHarness sim({QStringLiteral("--baud"), QStringLiteral("115200"), QStringLiteral("--pace")});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    QStringList lines;
    int deliveries = 0;
    TrafficMonitorRegistry::Install(new RecordingMonitor(&lines, &deliveries));
    TSendmail link;
    link.Port().PortMap().SetOverride(1, sim.portPath());
    ASSERT_TRUE(link.OpenPort(1, 115200));
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(link.ReadEepromText(0x40, 0x00, 32).startsWith(QStringLiteral("00 04 D5")));
    // 49 bytes an exchange (12 echo, 37 answer); byte by byte that would be 490.
    EXPECT_LE(deliveries, 10 * 10);
    TrafficMonitorRegistry::Free();
}

} // namespace

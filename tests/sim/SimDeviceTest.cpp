#include "SimDeviceFixture.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTemporaryDir>

using tbsim::SimOptions;
using namespace tbtest;

namespace {

using SimDeviceTest = SimDeviceFixture;

const QByteArray kProbe = readMail(0x0000, 1);

TEST_F(SimDeviceTest, OneWireEchoesTheFrameThenAnswers)
{
    startDevice();
    device->setEeprom(0x0000, hex("5A"));
    const QByteArray frame = hex("FFFF4D02063C080001000045");
    EXPECT_EQ(frameOf(kProbe), frame);
    EXPECT_EQ(exchange(kProbe, 18), frame + hex("4D3C013D5A97"));
    EXPECT_TRUE(waitForLog("TX 4D 3C 01 3D 5A 97"));
    const QStringList log = device->log();
    EXPECT_TRUE(log.contains("RX FF FF 4D 02 06 3C 08 00 01 00 00 45"));
    EXPECT_TRUE(log.contains("READ 0000 1"));
    EXPECT_EQ(device->framesReceived(), 1);
}

TEST_F(SimDeviceTest, TwoWireSendsOnlyTheAnswer)
{
    SimOptions o;
    o.twoWire = true;
    startDevice(o);
    EXPECT_EQ(exchange(readMail(0x0040, 3), 8), answerOf(hex("0004D5")));
}

TEST_F(SimDeviceTest, TwoWireSkipsTheBytesTheClientEchoesBack)
{
    SimOptions o;
    o.twoWire = true;
    startDevice(o);
    // The program in two-wire mode sends back the first byte of each delivery.
    ASSERT_TRUE(client.send(hex("4D")));
    EXPECT_EQ(exchange(readMail(0x0029, 1), 6), answerOf(hex("6D")));
    EXPECT_TRUE(waitForLog("SKIP 4D"));
}

TEST_F(SimDeviceTest, HandsetIdentityAnswersWithItsChecksum)
{
    startDevice();
    const QByteArray frame = frameOf(readMail(0x0040, 3));
    EXPECT_EQ(exchange(readMail(0x0040, 3), 12 + 8), frame + hex("4D3C033D0004D516"));
}

TEST_F(SimDeviceTest, WriteIsStoredSilentlyAndReadsBack)
{
    startDevice();
    const QByteArray write = writeMail(0x0010, hex("4142"));
    EXPECT_EQ(frameOf(write), hex("FFFF4D02083B08000210004142D8"));
    EXPECT_EQ(exchange(write, 14), frameOf(write));
    EXPECT_EQ(exchange(readMail(0x0010, 2), 12 + 7).mid(12), answerOf(hex("4142")));
    EXPECT_EQ(device->eeprom(0x0010, 2), hex("4142"));
    EXPECT_EQ(device->writesStored(), 1);
    EXPECT_TRUE(device->log().contains("WRITE 0010 41 42"));
}

TEST_F(SimDeviceTest, WriteOfKindTwoIsStored)
{
    startDevice();
    const QByteArray write = writeMail(0x0044, hex("10000008"), 0x02);
    EXPECT_EQ(exchange(write, int(frameOf(write).size())), frameOf(write));
    EXPECT_TRUE(waitForLog("WRITE 0044 10 00 00 08"));
    EXPECT_EQ(device->eeprom(0x0044, 4), hex("10000008"));
}

TEST_F(SimDeviceTest, FrameWithBadChecksumIsIgnored)
{
    startDevice();
    QByteArray bad = frameOf(writeMail(0x0029, hex("0D")));
    bad.back() = char(bad.back() + 1);
    ASSERT_TRUE(client.send(bad));
    const QByteArray probe = frameOf(readMail(0x0029, 1));
    ASSERT_TRUE(client.send(probe));
    EXPECT_EQ(client.read(int(bad.size() + probe.size()) + 6), bad + probe + answerOf(hex("6D")));
    EXPECT_TRUE(waitForLogPrefix("BADSUM "));
    EXPECT_EQ(device->eeprom(0x0029, 1), hex("6D"));
}

TEST_F(SimDeviceTest, ResynchronisesAfterGarbage)
{
    startDevice();
    const QByteArray garbage = hex("01FF4DFF02FFFFFF");
    const QByteArray frame = frameOf(readMail(0x003E, 1));
    ASSERT_TRUE(client.send(garbage + frame));
    EXPECT_EQ(client.read(int(garbage.size() + frame.size()) + 6), garbage + frame + answerOf(hex("6C")));
    EXPECT_TRUE(waitForLog("SKIP 01 FF 4D FF 02 FF FF FF"));
}

TEST_F(SimDeviceTest, FrameSplitAcrossWritesIsAnswered)
{
    startDevice();
    const QByteArray frame = frameOf(readMail(0x0041, 2));
    ASSERT_TRUE(client.send(frame.left(5)));
    EXPECT_EQ(client.read(5), frame.left(5)); // the device has the first part
    ASSERT_TRUE(client.send(frame.mid(5)));
    EXPECT_EQ(client.read(int(frame.size()) - 5 + 7), frame.mid(5) + answerOf(hex("04D5")));
}

TEST_F(SimDeviceTest, StalledFrameIsDroppedAfterTheFrameTimeout)
{
    SimOptions o;
    o.frameTimeoutMs = 50;
    startDevice(o);
    ASSERT_TRUE(client.send(hex("FFFF4D02063C")));
    EXPECT_TRUE(waitForLog("TIMEOUT FF FF 4D 02 06 3C"));
    EXPECT_EQ(client.read(6), hex("FFFF4D02063C"));
    EXPECT_EQ(exchange(kProbe, 18).mid(12), answerOf(hex("FF")));
}

TEST_F(SimDeviceTest, OtherBaudRateGetsEchoButNoAnswer)
{
    startDevice({}, 8600);
    const QByteArray frame = frameOf(kProbe);
    ASSERT_TRUE(client.send(frame));
    EXPECT_TRUE(waitForLog("MISMATCH line 8600 baud, device 9600 baud"));
    EXPECT_EQ(device->lastLineBaud(), 8600);
    ASSERT_TRUE(client.setBaud(9600));
    ASSERT_TRUE(client.send(frame));
    // Only the echoes, then the one answer: the first frame was not answered.
    EXPECT_EQ(client.read(12 + 12 + 6), frame + frame + answerOf(hex("FF")));
}

TEST_F(SimDeviceTest, NonStandardRateOfTheDeviceIsMatched)
{
    SimOptions o;
    o.profile = "repeater-multi";
    o.baud = 8600;
    startDevice(o, 8600);
    EXPECT_EQ(exchange(readMail(0x0780, 1), 18).mid(12), answerOf(hex("02")));
    EXPECT_EQ(device->lastLineBaud(), 8600);
    EXPECT_EQ(device->deviceBaud(), 8600);
}

TEST_F(SimDeviceTest, RateSetByQSerialPortIsSeen)
{
    SimOptions o;
    o.baud = 8600;
    device = std::make_unique<tbsim::SimDevice>(o);
    ASSERT_TRUE(device->start());
    QSerialPort port(device->slavePath());
    ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
    ASSERT_TRUE(port.setBaudRate(8600));
    port.clear();
    port.write(frameOf(readMail(0x0040, 3)));
    QByteArray received;
    ASSERT_TRUE(waitFor([&] {
        received += port.readAll();
        return received.size() >= 20;
    }));
    EXPECT_EQ(received.mid(12), answerOf(hex("0004D5")));
    EXPECT_EQ(device->lastLineBaud(), 8600);
}

TEST_F(SimDeviceTest, DefaultMailsAreRecordedAndAcknowledged)
{
    startDevice();
    EXPECT_EQ(exchange(hex("023A00"), 8 + 5).mid(8), hex("4D3A003D3D"));
    EXPECT_EQ(exchange(hex("023A"), 7 + 5).mid(7), hex("4D3A003D3D"));
    EXPECT_TRUE(waitForLog("DEFAULT 02 3A 00"));
    EXPECT_TRUE(waitForLog("DEFAULT 02 3A"));
    EXPECT_EQ(device->defaultMails(), 2);
}

TEST_F(SimDeviceTest, UnknownMailIsLoggedAndNotAnswered)
{
    startDevice();
    const QByteArray unknown = frameOf(hex("023D0800"));
    const QByteArray probe = frameOf(kProbe);
    ASSERT_TRUE(client.send(unknown + probe));
    EXPECT_EQ(client.read(int(unknown.size() + probe.size()) + 6), unknown + probe + answerOf(hex("FF")));
    EXPECT_TRUE(device->log().contains("IGNORED 02 3D 08 00"));
}

TEST_F(SimDeviceTest, ServesTheNextClientAndIdlesWithoutOne)
{
    startDevice();
    EXPECT_EQ(exchange(kProbe, 18).size(), 18);
    client.close();
    // With no client the device must sleep, not spin on a hung-up master.
    const quint64 before = device->loopIterations();
    EXPECT_FALSE(waitFor([&] { return device->loopIterations() > before + 10; }, 200));
    ASSERT_TRUE(client.open(device->slavePath()));
    EXPECT_EQ(exchange(kProbe, 18).mid(12), answerOf(hex("FF")));
}

TEST_F(SimDeviceTest, LargeBurstIsEchoedCompletely)
{
    startDevice();
    // More than a pty direction holds, sent before anything is read back.
    const QByteArray burst(40000, char(0x11));
    ASSERT_TRUE(client.send(burst));
    const QByteArray echo = client.read(int(burst.size()), 10000);
    EXPECT_EQ(echo.size(), burst.size());
    EXPECT_EQ(echo, burst);
    EXPECT_EQ(exchange(kProbe, 18).mid(12), answerOf(hex("FF")));
}

TEST_F(SimDeviceTest, PacedLineTakesTenBitsPerByte)
{
    SimOptions o;
    o.pace = true;
    startDevice(o);
    QElapsedTimer timer;
    timer.start();
    const QByteArray bytes = exchange(kProbe, 18);
    const double ms = timer.nsecsElapsed() / 1e6;
    EXPECT_EQ(bytes.mid(12), answerOf(hex("FF")));
    const double ideal = 18 * 10 * 1000.0 / 9600; // 18.75 ms
    EXPECT_GE(ms, ideal - 1.0);
    EXPECT_LT(ms, ideal + 300);
}

TEST_F(SimDeviceTest, PacedEchoArrivesByteByByte)
{
    SimOptions o;
    o.pace = true;
    o.baud = 1200; // 8.3 ms per byte
    startDevice(o, 1200);
    ASSERT_TRUE(client.send(frameOf(kProbe)));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(client.read(1).size(), 1);
    const double first = timer.nsecsElapsed() / 1e6;
    EXPECT_EQ(client.read(17).size(), 17);
    const double all = timer.nsecsElapsed() / 1e6;
    EXPECT_GE(first, 8.3 - 2);
    EXPECT_GE(all, 18 * 8.333 - 3);
}

TEST_F(SimDeviceTest, TurnaroundDelaysTheAnswer)
{
    SimOptions o;
    o.pace = true;
    o.turnaroundUs = 20000;
    startDevice(o);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(exchange(kProbe, 18).mid(12), answerOf(hex("FF")));
    const double ms = timer.nsecsElapsed() / 1e6;
    // The device is never early: 12 bytes in, 20 ms thinking, 6 bytes out.
    const double ideal = 18 * 10 * 1000.0 / 9600 + 20.0;
    EXPECT_GE(ms, ideal - 1.0);
    EXPECT_LT(ms, ideal + 300);
}

TEST_F(SimDeviceTest, StopEndsTheThreadAndMayBeRepeated)
{
    startDevice();
    EXPECT_TRUE(device->isRunning());
    device->stop();
    EXPECT_FALSE(device->isRunning());
    device->stop();
    EXPECT_EQ(device->log().last(), "STOP");
}

TEST_F(SimDeviceTest, UnknownProfileDoesNotStart)
{
    SimOptions o;
    o.profile = "toaster";
    tbsim::SimDevice d(o);
    EXPECT_FALSE(d.start());
    EXPECT_TRUE(d.errorString().contains("toaster"));
}

TEST_F(SimDeviceTest, ImageSaveAndLoadRoundTrip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("eeprom.bin");
    startDevice();
    EXPECT_EQ(exchange(writeMail(0x0100, hex("CAFE")), 14).size(), 14);
    ASSERT_TRUE(waitFor([&] { return device->writesStored() == 1; }));
    ASSERT_TRUE(device->saveImage(path));
    QByteArray loaded;
    ASSERT_TRUE(tbsim::SimDevice::loadImage(path, &loaded));
    EXPECT_EQ(loaded, device->image());

    SimOptions o;
    o.profile = "base"; // the image wins over the profile's cells
    o.imagePath = path;
    startDevice(o);
    EXPECT_EQ(exchange(readMail(0x0100, 2), 18 + 1).mid(12), answerOf(hex("CAFE")));
    EXPECT_EQ(exchange(readMail(0x0040, 3), 20).mid(12), answerOf(hex("0004D5")));
}

TEST_F(SimDeviceTest, ImageOfTheWrongSizeIsRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("short.bin");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, 0));
    file.close();
    QByteArray image;
    QString error;
    EXPECT_FALSE(tbsim::SimDevice::loadImage(path, &image, &error));
    EXPECT_TRUE(error.contains("100"));
    SimOptions o;
    o.imagePath = path;
    tbsim::SimDevice d(o);
    EXPECT_FALSE(d.start());
}

} // namespace

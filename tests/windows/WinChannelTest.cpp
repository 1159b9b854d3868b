// The serial channel on a Windows COM port, against the simulator that
// scripts/windows maps to it.
#include "TpaProComImpl.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QThread>
#include <gmock/gmock.h>

namespace {

// "FF FF 4D 02 06 3C 08 00 01 40 00 85": read one EEPROM byte at 0040h.
const QByteArray kReadMail = QByteArray::fromHex("ffff4d02063c080001400085");

int ComFromEnvironment(const char* name)
{
    bool ok = false;
    const int com = qEnvironmentVariableIntValue(name, &ok);
    return ok ? com : 0;
}

class WinChannelTest : public ::testing::Test {
protected:
    void Receive(TTpaProComImpl& channel)
    {
        channel.OnData = [this](TVirtualCom*, const QByteArray& data) {
            m_onUiThread = m_onUiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
            m_received += data;
        };
    }
    QByteArray m_received;
    bool m_onUiThread = true;
};

TEST_F(WinChannelTest, PortThatDoesNotExistIsNotOpened)
{
    const int com = ComFromEnvironment("TUNEBENCH_WINTEST_COM_MISSING");
    if (com == 0)
        GTEST_SKIP() << "no COM port without a device named";
    TTpaProComImpl channel;
    EXPECT_FALSE(channel.Open(static_cast<std::uint8_t>(com), 9600));
    EXPECT_FALSE(channel.IsOpen());
    // Windows finds no such device; wine opens the name of a missing file, which is no serial port.
    EXPECT_THAT(channel.LastOpenFailure(),
                ::testing::AnyOf(TTpaProComImpl::OpenFailure::NotFound, TTpaProComImpl::OpenFailure::NotASerialPort));
    EXPECT_EQ(channel.Write(kReadMail), 0);
    EXPECT_TRUE(channel.Close());
}

TEST_F(WinChannelTest, MailAndAnswerArriveOnTheUiThreadAndSilenceCostsNothing)
{
    const int com = ComFromEnvironment("TUNEBENCH_WINTEST_COM_HANDSET");
    if (com == 0)
        GTEST_SKIP() << "no simulated handset named";
    TTpaProComImpl channel;
    Receive(channel);
    ASSERT_TRUE(channel.Open(static_cast<std::uint8_t>(com), 9600)) << channel.LastOpenErrorText().toStdString();
    EXPECT_EQ(channel.ComNumber(), com);
    // A pseudo-terminal behind the COM port has no modem lines: refused, yet open.
    channel.SetDtr(true);
    EXPECT_FALSE(channel.ModemLinesSupported());
    EXPECT_TRUE(channel.IsOpen());

    // Nothing sent, nothing comes: the pending read neither delivers nor blocks the loop.
    bool ticked = false;
    QTimer::singleShot(100, [&] { ticked = true; });
    EXPECT_TRUE(tbtest::waitFor([&] { return ticked; }, 2000));
    EXPECT_TRUE(m_received.isEmpty());

    // Echo of the 12 bytes, then the answer 4D 3C 01 3D <byte> <sum>.
    EXPECT_EQ(channel.Write(kReadMail), kReadMail.size());
    ASSERT_TRUE(tbtest::waitFor([&] { return m_received.size() >= 18; }, 3000)) << m_received.toHex(' ').toStdString();
    EXPECT_EQ(m_received.left(12), kReadMail);
    EXPECT_EQ(m_received.mid(12, 4), QByteArray::fromHex("4d3c013d"));
    EXPECT_TRUE(m_onUiThread);

    // The same port at another rate stays open.
    EXPECT_TRUE(channel.Open(static_cast<std::uint8_t>(com), 115200));
    EXPECT_TRUE(channel.IsOpen());
    EXPECT_EQ(channel.Baud(), 115200);
    EXPECT_TRUE(channel.Close());
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.Write(kReadMail), 0);
}

TEST_F(WinChannelTest, LineThatDropsClosesThePortAndTellsTheOwner)
{
    const int com = ComFromEnvironment("TUNEBENCH_WINTEST_COM_HANGUP");
    if (com == 0)
        GTEST_SKIP() << "no simulated handset that hangs up named";
    TTpaProComImpl channel;
    Receive(channel);
    bool lost = false;
    channel.OnPortLost = [&](TVirtualCom*) { lost = true; };
    ASSERT_TRUE(channel.Open(static_cast<std::uint8_t>(com), 9600)) << channel.LastOpenErrorText().toStdString();
    channel.Write(kReadMail);
    EXPECT_TRUE(tbtest::waitFor([&] { return lost; }, 5000));
    EXPECT_FALSE(channel.IsOpen());
}

} // namespace

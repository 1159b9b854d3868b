#include "ScriptedChannel.h"
#include "SndMail.h"
#include "Timing.h"
#include "TrafficMonitor.h"

#include <QCoreApplication>
#include <QStringList>
#include <ctime>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b += static_cast<char>(v);
    return b;
}

class RecordingMonitor : public ITrafficMonitor {
public:
    explicit RecordingMonitor(QStringList* lines) : m_lines(lines) {}
    void AddTraffic(TrafficDirection d, const QByteArray& bytes) override
    {
        m_lines->append((d == TrafficDirection::Sent ? QStringLiteral("TX ") : QStringLiteral("RX ")) +
                        QString::fromLatin1(bytes.toHex(' ').toUpper()));
    }
    void AddInfoLine(InfoKind kind, const QString& text, const QString& comment) override
    {
        m_lines->append((kind == InfoKind::PortState ? QStringLiteral("CT") : comment) + QLatin1Char(' ') + text);
    }

private:
    QStringList* m_lines;
};

class ScriptedPresenter : public ILinkPresenter {
public:
    QStringList questions;
    QStringList warnings;
    int okAnswers = 0; // how many questions are answered OK
    bool ConfirmWarning(const QString& text) override
    {
        questions << text;
        if (okAnswers > 0) {
            --okAnswers;
            return true;
        }
        return false;
    }
    void ShowWarning(const QString& text) override { warnings << text; }
};

class MailEngine : public ::testing::Test {
protected:
    ScriptedChannel channel;
    TMailControl link{&channel};
    void SetUp() override
    {
        link.WriteRetryDelay = 1;
        link.ReadbackDelay = 0;
        link.AnswerTimeout = 200;
        link.GapTimeout = 50;
    }
    void TearDown() override { TrafficMonitorRegistry::Free(); }
};

TEST(CorrectMail, NormalisesTexts)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"5", "05"},
        {"2 3a 0", "02 3A 00"},
        {"2 3a", "02 3A"},
        {"02  3c 8", "02 3C 08"},
        {"  02 3c 08 00 01 00 00  ", "02 3C 08 00 01 00 00"},
        {"023c0800", "023C0800"},
        {"1 2 3", "01 02 03"},
        {"02 3 08", "02 03 08"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TMailControl::CorrectMail(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
}

TEST(CorrectMail, RefusesEmptyAndNonHexText)
{
    for (const char* empty : {"", "   "}) {
        try {
            (void)TMailControl::CorrectMail(QString::fromLatin1(empty));
            FAIL() << "no error for '" << empty << "'";
        }
        catch (const EMailControlError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Length of s = 0\r\rUnit: SndMail\r"
                                                  "Function: TMailControl.CorrectMail(s: string): string"));
        }
    }
    try {
        (void)TMailControl::CorrectMail(QStringLiteral("02 3G"));
        FAIL() << "no error";
    }
    catch (const EMailControlError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Invalid Hex Value (02 3G)\r\r")));
    }
}

TEST_F(MailEngine, WorkedExampleFrameAnswerAndMonitor)
{
    QStringList lines;
    TrafficMonitorRegistry::Install(new RecordingMonitor(&lines));
    channel.device.memory[0] = 0x5A;
    EXPECT_EQ(link.SendMail(QStringLiteral("02 3C 08 00 01 00 00")), QStringLiteral("5A"));
    ASSERT_EQ(channel.FramesWritten(), 1);
    EXPECT_EQ(channel.written[0], Bytes({0xFF, 0xFF, 0x4D, 0x02, 0x06, 0x3C, 0x08, 0x00, 0x01, 0x00, 0x00, 0x45}));
    EXPECT_EQ(link.Mail().RxExpected, 16);
    EXPECT_EQ(link.Mail().RxCount, 18);
    EXPECT_TRUE(link.Mail().RxChecksumOk);
    EXPECT_EQ(lines.mid(lines.size() - 2), QStringList({"CRC Rx CRC OK", "MAIL 5A"}));
    EXPECT_EQ(lines.first(), QStringLiteral("TX FF FF 4D 02 06 3C 08 00 01 00 00 45"));
}

TEST_F(MailEngine, ChecksumErrorStillYieldsTheDataButFailsReadBack)
{
    channel.device.memory[0x10] = 0x41;
    channel.device.badChecksum = true;
    EXPECT_EQ(link.SendMail(QStringLiteral("02 3C 08 00 01 10 00")), QStringLiteral("41"));
    EXPECT_FALSE(link.Mail().RxChecksumOk);
    EXPECT_EQ(link.ReadEepromText(0x10, 0x00, 1), QString());
    link.MaxWriteAttempts = 2;
    EXPECT_FALSE(link.WriteEepromText(0x10, 0x00, 1, QStringLiteral("41")));
}

TEST_F(MailEngine, TrailingByteOrTruncationInvalidatesTheAnswer)
{
    channel.device.extraBytes = 1;
    EXPECT_EQ(link.SendMail(QStringLiteral("02 3C 08 00 01 00 00")), QString());
    std::uint8_t buf[4] = {};
    EXPECT_EQ(link.RcvArray(buf), 0);
    channel.device.extraBytes = 0;
    channel.device.truncateAnswerData = 1;
    // A well-formed shorter answer is shown raw, but it is no cell value.
    EXPECT_EQ(link.SendMail(QStringLiteral("02 3C 08 00 02 00 00")), QString("00"));
    EXPECT_EQ(link.ReadEepromText(0, 0, 2), QString());
    EXPECT_EQ(link.ReadEepromBytes(0, 0, 2, buf), 0);
}

TEST_F(MailEngine, WriteWaitsOnlyForEchoThenReadsBack)
{
    QStringList lines;
    TrafficMonitorRegistry::Install(new RecordingMonitor(&lines));
    EXPECT_TRUE(link.WriteEepromText(0x10, 0x00, 2, QStringLiteral("41 42")));
    EXPECT_EQ(channel.device.memory[0x10], 0x41);
    ASSERT_EQ(channel.FramesWritten(), 2);
    EXPECT_EQ(channel.written[0],
              Bytes({0xFF, 0xFF, 0x4D, 0x02, 0x08, 0x3B, 0x08, 0x00, 0x02, 0x10, 0x00, 0x41, 0x42, 0xD8}));
    EXPECT_EQ(channel.written[1], Bytes({0xFF, 0xFF, 0x4D, 0x02, 0x06, 0x3C, 0x08, 0x00, 0x02, 0x10, 0x00, 0x56}));
    // The write's own exchange has no answer; the read-back's has.
    const QStringList expected = {"TX FF FF 4D 02 08 3B 08 00 02 10 00 41 42 D8",
                                  "RX FF FF 4D 02 08 3B 08 00 02 10 00 41 42 D8",
                                  "CRC Rx CRC Error",
                                  "TX FF FF 4D 02 06 3C 08 00 02 10 00 56",
                                  "RX FF FF 4D 02 06 3C 08 00 02 10 00 56 4D 02 02 3D 41 42 C0",
                                  "CRC Rx CRC OK",
                                  "MAIL 41 42"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(link.Mail().AnswerText, QString()); // the write's record is restored
}

TEST_F(MailEngine, ReadBackAlwaysUses08)
{
    EXPECT_TRUE(link.WriteEepromText(0x20, 0x00, 1, QStringLiteral("07")));
    link.SendMail(QStringLiteral("02 3B 02 00 01 20 00 09"));
    EXPECT_TRUE(link.Success());
    EXPECT_EQ(static_cast<std::uint8_t>(channel.written.back()[6]), 0x08);
}

TEST_F(MailEngine, AWriteIntoAnyMemorySpaceIsReadBackAndJournalled)
{
    std::vector<TWriteRecord> journalled;
    TMailControl::SetWriteObserver([&](const TWriteRecord& write) { journalled.push_back(write); });
    link.SendMail(QStringLiteral("02 3B 05 00 01 30 00 5A"));
    TMailControl::SetWriteObserver(nullptr);
    EXPECT_TRUE(link.Success());
    ASSERT_EQ(channel.FramesWritten(), 2);
    EXPECT_EQ(static_cast<std::uint8_t>(channel.written.back()[5]), 0x3C);
    ASSERT_EQ(journalled.size(), 1u);
    EXPECT_EQ(journalled[0].address, 0x0030);
    EXPECT_EQ(journalled[0].bytes, QByteArray("\x5A"));
    EXPECT_EQ(journalled[0].result, TWriteResult::Confirmed);
}

TEST_F(MailEngine, ShorterReadBackAnswerDoesNotConfirmZeros)
{
    channel.device.truncateAnswerData = 1;
    link.MaxWriteAttempts = 1;
    const std::uint8_t zeros[2] = {0, 0};
    EXPECT_FALSE(link.WriteEepromBytes(0x30, 0, 2, zeros));
}

TEST_F(MailEngine, TwoWireModeWritesWithoutWaiting)
{
    channel.echo = false;
    link.DisableEcho();
    link.ReadbackDelay = 5;
    EXPECT_TRUE(link.WriteEepromText(0x10, 0x00, 1, QStringLiteral("33")));
    EXPECT_EQ(link.Mail().RxExpected, 0);
    EXPECT_EQ(link.SendMail(QStringLiteral("02 3C 08 00 01 10 00")), QStringLiteral("33"));
}

TEST_F(MailEngine, FailingWriteIsRepeatedThenAskedAndReported)
{
    channel.device.failWrites = 1000;
    ScriptedPresenter presenter;
    link.SetPresenter(&presenter);
    presenter.okAnswers = 1;
    EXPECT_FALSE(link.WriteEepromText(0x10, 0x00, 1, QStringLiteral("41")));
    // 10 attempts, the question after the 10th, OK grants one more, then Cancel.
    EXPECT_EQ(channel.device.writes, 11);
    EXPECT_EQ(presenter.questions, QStringList({"Writing failed 10 times. \r\rTry once more ?",
                                                "Writing failed 11 times. \r\rTry once more ?"}));
    EXPECT_EQ(presenter.warnings, QStringList({"Readback Error! - Writing failed!!"}));
}

TEST_F(MailEngine, WriteRetryPausesBetweenAttempts)
{
    channel.device.failWrites = 1000;
    link.MaxWriteAttempts = 3;
    link.WriteRetryDelay = 30;
    link.ShowDialogs = false;
    const std::int64_t t0 = ReadCounter();
    EXPECT_FALSE(link.WriteEepromText(0x10, 0x00, 1, QStringLiteral("41")));
    EXPECT_EQ(channel.device.writes, 3);
    EXPECT_GE(ElapsedMs(ReadCounter(), t0), 60); // two pauses, none after the last attempt
}

TEST_F(MailEngine, WithoutPresenterQuestionsCountAsCancel)
{
    channel.device.failWrites = 1000;
    link.MaxWriteAttempts = 2;
    EXPECT_FALSE(link.WriteEepromText(0x10, 0x00, 1, QStringLiteral("41")));
    EXPECT_EQ(channel.device.writes, 2);
}

TEST_F(MailEngine, WriteSucceedsWhenALaterAttemptSticks)
{
    channel.device.failWrites = 3;
    EXPECT_TRUE(link.WriteEepromText(0x10, 0x00, 1, QStringLiteral("41")));
    EXPECT_EQ(channel.device.writes, 4);
}

TEST_F(MailEngine, StopRequestedSendsNothing)
{
    link.StopRequested = true;
    EXPECT_EQ(link.SendMail(QStringLiteral("02 3C 08 00 01 00 00")), QString());
    EXPECT_FALSE(link.WriteEepromText(0, 0, 1, QStringLiteral("00")));
    EXPECT_EQ(channel.FramesWritten(), 0);
}

TEST_F(MailEngine, RcvArrayLimits)
{
    for (int i = 0; i < 201; ++i)
        channel.device.memory[i] = static_cast<std::uint8_t>(i);
    channel.baud = 115200; // 201 bytes cross the line within the answer timeout
    std::uint8_t small[10] = {};
    EXPECT_EQ(link.SendMailToArray(QStringLiteral("02 3C 08 00 0C 00 00"), small), 10);
    EXPECT_EQ(small[9], 9);
    link.SendMail(QStringLiteral("02 3C 08 00 C9 00 00")); // 201 data bytes
    std::uint8_t large[250] = {};
    try {
        (void)link.RcvArray(large);
        FAIL() << "no error";
    }
    catch (const EMailControlError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("AnswerLength > 200\r\rUnit: SndMail\r")));
    }
}

TEST_F(MailEngine, ReadOperationsCutAndCount)
{
    channel.device.memory[0x40] = 0x00;
    channel.device.memory[0x41] = 0x04;
    channel.device.memory[0x42] = 0xD5;
    // The answer carries three values; only two were asked for: it answers another request.
    channel.device.truncateAnswerData = -1;
    EXPECT_EQ(link.ReadEepromText(0x40, 0x00, 2), QString());
    // Four asked, three answered: bytes copied, result 0.
    channel.device.truncateAnswerData = 1;
    std::uint8_t buf[8] = {};
    EXPECT_EQ(link.ReadEepromBytes(0x40, 0x00, 4, buf), 0);
    EXPECT_EQ(buf[2], 0xD5);
    channel.device.truncateAnswerData = 0;
    EXPECT_EQ(link.ReadEepromBytesAt(0x0040, 3, buf), 3);
    EXPECT_EQ(link.ReadEepromBytes(0x40, 0x00, 0, buf), 0);
}

TEST_F(MailEngine, ReadTriesRetryUntilAnAnswer)
{
    channel.device.answerFromRead = 3;
    link.ReadTries = 3;
    link.ReadRetryDelay = 1;
    channel.device.memory[0] = 0x11;
    EXPECT_EQ(link.ReadEepromText(0, 0, 1), QStringLiteral("11"));
    EXPECT_EQ(channel.device.reads, 3);
}

TEST_F(MailEngine, WriteBlockInChunksStopsAtFirstFailure)
{
    std::vector<std::uint8_t> data(20);
    for (int i = 0; i < 20; ++i)
        data[i] = static_cast<std::uint8_t>(0xA0 + i);
    EXPECT_EQ(link.WriteEepromBlock(0x0100, data, 20), 20);
    QList<int> starts;
    for (const QByteArray& f : channel.written)
        if (static_cast<std::uint8_t>(f[5]) == 0x3B)
            starts << (static_cast<std::uint8_t>(f[9]) | static_cast<std::uint8_t>(f[10]) << 8) * 100 +
                          static_cast<std::uint8_t>(f[8]);
    EXPECT_EQ(starts, QList<int>({0x100 * 100 + 8, 0x108 * 100 + 8, 0x110 * 100 + 4}));
    EXPECT_EQ(channel.device.memory[0x113], 0xB3);

    channel.written.clear();
    link.MaxWriteAttempts = 1;
    link.ShowDialogs = false;
    int chunksSeen = 0;
    link.OnBlockProgress = [&](int) {
        if (++chunksSeen == 1)
            channel.device.failWrites = 1000;
    };
    EXPECT_EQ(link.WriteEepromBlock(0x0200, data, 20), 8);
    EXPECT_EQ(chunksSeen, 1); // progress counts confirmed chunks only
}

TEST_F(MailEngine, ReadBackComparesOnlyTheBytesSent)
{
    // A hand-typed mail announcing three bytes but carrying two: the third
    // cell is not compared with whatever follows the data in the frame.
    channel.device.memory[0x102] = 0x77;
    link.SendMail(QStringLiteral("02 3B 08 00 03 00 01 11 22"));
    EXPECT_TRUE(link.Success());
    link.DisableEcho();
    channel.echo = false;
    channel.baud = 115200; // the long read-back answer crosses the line within the gap timeout
    link.SendMail(QStringLiteral("02 3B 08 00 F4 00 01 11 22"));
    EXPECT_TRUE(link.Success());
}

TEST_F(MailEngine, StopOrLostPortEndsTheRunningPause)
{
    channel.device.silent = true;
    link.AnswerTimeout = 20;
    link.GapTimeout = 20;
    for (const bool loseThePort : {false, true}) {
        link.StopRequested = false;
        QTimer::singleShot(100, [&] {
            if (loseThePort)
                channel.open = false;
            else
                link.StopRequested = true;
        });
        const std::int64_t t0 = ReadCounter();
        EXPECT_EQ(link.ProbeDevice(1000), 0);
        EXPECT_LT(ElapsedMs(ReadCounter(), t0), 400) << loseThePort;
        channel.open = true;
    }
}

TEST_F(MailEngine, ProbeDeviceResults)
{
    channel.open = false;
    EXPECT_EQ(link.ProbeDevice(1), -1);
    EXPECT_EQ(channel.FramesWritten(), 0);
    channel.open = true;
    channel.device.silent = true;
    const std::int64_t t0 = ReadCounter();
    EXPECT_EQ(link.ProbeDevice(20), 0);
    EXPECT_EQ(channel.device.reads, 6);
    EXPECT_GE(ElapsedMs(ReadCounter(), t0), 5 * 20);
    channel.device.silent = false;
    channel.device.reads = 0;
    channel.device.answerFromRead = 4;
    EXPECT_EQ(link.ProbeDevice(1), 4);
}

TEST_F(MailEngine, StopDuringAProbeSkipsTheRemainingPauses)
{
    channel.device.silent = true;
    QTimer::singleShot(30, [&] { link.StopRequested = true; });
    const std::int64_t t0 = ReadCounter();
    EXPECT_EQ(link.ProbeDevice(500), 0);
    EXPECT_LT(ElapsedMs(ReadCounter(), t0), 1000);
    EXPECT_LE(channel.device.reads, 2);
}

TEST_F(MailEngine, LinesAndPortState)
{
    QStringList lines;
    TrafficMonitorRegistry::Install(new RecordingMonitor(&lines));
    channel.open = false;
    EXPECT_FALSE(link.SetDtrRts(false, true));
    EXPECT_EQ(channel.dtrCalls, 0);
    EXPECT_TRUE(link.OpenPort(3, 115200));
    EXPECT_EQ(lines, QStringList({"CT DTR: False", "CT RTS: True", "CT COM3 open at 115200 baud"}));
    lines.clear();
    EXPECT_TRUE(link.ClosePort());
    EXPECT_EQ(lines, QStringList({"CT COM3 Closed"}));
}

TEST_F(MailEngine, NoMonitorNoTexts)
{
    ASSERT_EQ(TrafficMonitorRegistry::Current(), nullptr);
    EXPECT_EQ(link.SendMail(QStringLiteral("02 3C 08 00 01 00 00")), QStringLiteral("00"));
}

TEST_F(MailEngine, NestedMailIsRefusedWhileAnExchangeRuns)
{
    channel.device.memory[0] = 0x77;
    QString nested = QStringLiteral("untouched");
    int nestedFrames = -1;
    // A click handled inside the wait tries to start a second mail.
    QTimer::singleShot(0, [&] {
        nestedFrames = channel.FramesWritten();
        nested = link.SendMail(QStringLiteral("02 3C 08 00 01 00 00"));
        EXPECT_FALSE(link.WriteEepromText(0, 0, 1, QStringLiteral("00")));
        EXPECT_EQ(link.ProbeDevice(1), 0);
    });
    EXPECT_EQ(link.SendMail(QStringLiteral("02 3C 08 00 01 00 00")), QStringLiteral("77"));
    EXPECT_EQ(nested, QString());
    EXPECT_EQ(channel.FramesWritten(), 1);
    EXPECT_EQ(nestedFrames, 1);
}

TEST_F(MailEngine, ReceiveOverflowRestartsTheBuffer)
{
    link.AnswerTimeout = 100;
    QTimer::singleShot(0, [&] { channel.OnData(&channel, QByteArray(250, '\x4D')); });
    EXPECT_EQ(link.SendMail(QStringLiteral("02 3C 08 00 01 00 00")), QString());
}

TEST_F(MailEngine, SilentDeviceEndsAtTheGapTimeout)
{
    channel.echo = false;
    channel.device.silent = true;
    link.GapTimeout = 40;
    link.AnswerTimeout = 1000;
    const std::int64_t t0 = ReadCounter();
    EXPECT_EQ(link.SendMail(QStringLiteral("02 3C 08 00 01 00 00")), QString());
    const std::int64_t ms = ElapsedMs(ReadCounter(), t0);
    EXPECT_GE(ms, 40);
    EXPECT_LT(ms, 900);
}

} // namespace

namespace {

// Quitting the application (File, Exit) inside a wait stops every event loop;
// the wait must still end at its timers and must not spin meanwhile. Run in a
// child process, as the quit cannot be undone in this one.
TEST(MailEngineQuit, QuitInsideAWaitEndsItWithoutSpinning)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            alarm(10);
            ScriptedChannel channel;
            channel.device.silent = true;
            TMailControl link(&channel);
            link.AnswerTimeout = 300;
            link.GapTimeout = 300;
            QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
            const std::clock_t cpu0 = std::clock();
            (void)link.SendMail(QStringLiteral("02 3C 08 00 01 00 00"));
            Delay(100);
            const long cpuMs = static_cast<long>((std::clock() - cpu0) * 1000 / CLOCKS_PER_SEC);
            std::exit(cpuMs < 150 ? 7 : 8);
        },
        ::testing::ExitedWithCode(7), "");
}

} // namespace

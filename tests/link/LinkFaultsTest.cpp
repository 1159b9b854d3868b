// Sequences of exchanges on one link against the real simulator with injected
// faults: a fault spoils its own exchange and never the ones after it.
#include "SndMail.h"
#include "Timing.h"
#include "TpaProComImpl.h"
#include "TrafficMonitor.h"
#include "support/SimHarness.h"

#include <array>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

class ByteCounter : public ITrafficMonitor {
public:
    int received = 0;
    void AddTraffic(TrafficDirection d, const QByteArray& bytes) override
    {
        if (d == TrafficDirection::Received)
            received += static_cast<int>(bytes.size());
    }
    void AddInfoLine(InfoKind, const QString&, const QString&) override {}
};

struct FaultRun {
    QStringList simArgs;
    int baud = 9600;
    bool twoWire = false;
};

// Reads address 40h (3 bytes, as text) and 41h (oddCount bytes, as bytes)
// alternately, n times; "-" for a read without a value, "!" for a wrong one,
// "+" for the right one.
QString ReadSequence(TSendmail& link, int n, std::uint8_t oddCount = 3)
{
    QString result;
    for (int i = 0; i < n; ++i) {
        const bool even = i % 2 == 0;
        QString got;
        if (even) {
            got = link.ReadEepromText(0x40, 0, 3);
        }
        else {
            std::array<std::uint8_t, 250> cells{};
            const int count = link.ReadEepromBytesAt(0x0041, oddCount, cells);
            got = count == 0 ? QString()
                             : QString::fromLatin1(
                                   QByteArray(reinterpret_cast<const char*>(cells.data()), count).toHex(' ').toUpper());
        }
        const QString want = even ? QStringLiteral("00 04 D5") : QStringLiteral("04 D5 12").left(3 * oddCount - 1);
        result += got.isEmpty() ? QLatin1Char('-') : got == want ? QLatin1Char('+') : QLatin1Char('!');
    }
    return result;
}

class LinkUnderFaults : public ::testing::TestWithParam<int> {
protected:
    std::unique_ptr<tbtest::SimHarness> sim;
    std::unique_ptr<TSendmail> link;
    ByteCounter* monitor = nullptr;

    void Open(const FaultRun& run)
    {
        QStringList args = run.simArgs;
        args << QStringLiteral("--baud") << QString::number(run.baud);
        if (run.twoWire)
            args << QStringLiteral("--two-wire");
        sim = std::make_unique<tbtest::SimHarness>(args);
        ASSERT_TRUE(sim->start()) << sim->errorString().toStdString();
        monitor = new ByteCounter;
        TrafficMonitorRegistry::Install(monitor);
        link = std::make_unique<TSendmail>();
        link->ShowDialogs = false;
        if (run.twoWire) {
            // The main window's two-wire settings.
            link->DisableEcho();
            link->SetEchoBack(true);
            link->PollInterval = 50;
            link->GapTimeout = 500;
        }
        link->Port().PortMap().SetOverride(1, sim->portPath());
        ASSERT_TRUE(link->OpenPort(1, run.baud));
    }
    void TearDown() override
    {
        link.reset();
        TrafficMonitorRegistry::Free();
    }
};

TEST_P(LinkUnderFaults, CutAnswerIsListedAndLeavesNothingBehind)
{
    Open({{QStringLiteral("--pace"), QStringLiteral("--truncate"), QStringLiteral("3")}, GetParam()});
    EXPECT_EQ(ReadSequence(*link, 8), QStringLiteral("++-++-++"));
    // Every received byte reaches the monitor: 12 echo bytes a read, 8 answer
    // bytes, 7 for a cut one.
    EXPECT_EQ(monitor->received, 8 * 12 + 6 * 8 + 2 * 7);
}

TEST_P(LinkUnderFaults, SenderSlowerThanTheLineIsRead)
{
    Open({{QStringLiteral("--byte-gap"), QStringLiteral("70")}, GetParam()});
    EXPECT_EQ(ReadSequence(*link, 2), QStringLiteral("++"));
}

TEST_P(LinkUnderFaults, NoiseOrAnExtraByteSpoilsOnlyItsOwnExchange)
{
    Open({{QStringLiteral("--pace"), QStringLiteral("--noise"), QStringLiteral("3"), QStringLiteral("--extra-byte"),
           QStringLiteral("4")},
          GetParam()});
    // Answer 4 is whole with its extra byte behind it: taken when that byte
    // comes later than the answer's end, refused when it comes with it.
    const QString got = ReadSequence(*link, 7);
    EXPECT_EQ(got.left(3), QStringLiteral("++-"));
    EXPECT_NE(got[3], QLatin1Char('!'));
    EXPECT_EQ(got.mid(4), QStringLiteral("+-+"));
}

TEST_P(LinkUnderFaults, DamagedAnswersAreNoValuesAndTheReadTriesAgain)
{
    Open({{QStringLiteral("--pace"), QStringLiteral("--short"), QStringLiteral("3"), QStringLiteral("--bad-checksum"),
           QStringLiteral("4")},
          GetParam()});
    EXPECT_EQ(ReadSequence(*link, 4), QStringLiteral("++--"));
    // Answers 6, 8 and 9 are damaged: each read gets a good one within three tries.
    link->ReadTries = 3;
    link->ReadRetryDelay = 1;
    EXPECT_EQ(ReadSequence(*link, 4), QStringLiteral("++++"));
}

TEST_P(LinkUnderFaults, LateAnswerInTwoWireModeIsNotTakenForTheNext)
{
    Open({{QStringLiteral("--pace"), QStringLiteral("--late"), QStringLiteral("700"), QStringLiteral("--late-every"),
           QStringLiteral("3")},
          GetParam(),
          true});
    const QString got = ReadSequence(*link, 6);
    EXPECT_FALSE(got.contains(QLatin1Char('!'))) << got.toStdString();
    // Answers 3 and 6 come late; a read the link asks again (an answer it
    // could not date) moves which reads those are.
    EXPECT_GE(got.count(QLatin1Char('+')), 3) << got.toStdString();
}

TEST_P(LinkUnderFaults, DuplicateAnswerInTwoWireModeIsDroppedAsStale)
{
    // Back to back; on the line while the next request crosses it; after the
    // request has crossed, well before the device's 5 ms of think time end.
    // At 115200 one 1 ms after its answer begins within a byte time of the
    // request's end, closer than a pseudo-terminal's timing: not that one.
    for (const int afterMs : GetParam() == 9600 ? std::vector{0, 6, 14} : std::vector{0, 3}) {
        Open({{QStringLiteral("--pace"), QStringLiteral("--turnaround"), QStringLiteral("5000"),
               QStringLiteral("--duplicate"), QString::number(afterMs), QStringLiteral("--duplicate-every"),
               QStringLiteral("2")},
              GetParam(),
              true});
        // Answers 2 and 4 come twice: without the rules reads 3 and 5 take their copies.
        const QString got = ReadSequence(*link, 6);
        EXPECT_FALSE(got.contains(QLatin1Char('!'))) << afterMs << " ms: " << got.toStdString();
        EXPECT_GE(got.count(QLatin1Char('+')), 3) << afterMs << " ms: " << got.toStdString();
        TearDown();
    }
}

TEST_P(LinkUnderFaults, OnlyAReadWithoutItsAnswerMakesTheNextWaitForALateOne)
{
    // The 4th answer never comes; it might still, until the answer timeout
    // (and a gap for its first bytes to show) after its request.
    Open({{QStringLiteral("--pace"), QStringLiteral("--no-answer"), QStringLiteral("4")}, GetParam()});
    link->AnswerTimeout = 600;
    link->GapTimeout = 800;
    ASSERT_FALSE(link->ReadEepromText(0x40, 0, 3).isEmpty());
    std::int64_t t0 = ReadCounter();
    EXPECT_FALSE(link->ReadEepromText(0x40, 0, 3).isEmpty());
    EXPECT_LT(ElapsedMs(ReadCounter(), t0), link->GapTimeout * 3 / 4) << "a clean exchange holds the next back";
    ASSERT_FALSE(link->ReadEepromText(0x40, 0, 3).isEmpty());
    t0 = ReadCounter();
    EXPECT_TRUE(link->ReadEepromText(0x40, 0, 3).isEmpty());
    EXPECT_FALSE(link->ReadEepromText(0x40, 0, 3).isEmpty());
    EXPECT_GE(ElapsedMs(ReadCounter(), t0), link->AnswerTimeout + link->GapTimeout - 10);
}

TEST_P(LinkUnderFaults, CopyLongBeforeTheUsualTurnaroundIsNoAnswerWhenNothingFollowsIt)
{
    // The 4th answer comes again once the next request has crossed the line
    // (the quiet line after an answer lasts about the device's 100 ms of
    // think time), long before the device would answer it, and the device
    // leaves that request unanswered (43h is silent): only its time tells the
    // copy from an answer. Think time this long keeps what the link learns
    // steady on a busy machine.
    Open({{QStringLiteral("--pace"), QStringLiteral("--turnaround"), QStringLiteral("100000"),
           QStringLiteral("--duplicate"), QStringLiteral("125"), QStringLiteral("--duplicate-every"),
           QStringLiteral("4"), QStringLiteral("--silent"), QStringLiteral("0043")},
          GetParam()});
    link->AnswerTimeout = 500;
    link->GapTimeout = 300;
    EXPECT_EQ(ReadSequence(*link, 8), QStringLiteral("+-+-+-+-"));
}

TEST_F(LinkUnderFaults, CopyWhileTheRequestCrossesTheLineIsDroppedAsStale)
{
    // At 1200 baud the request takes 100 ms to cross; every other answer comes
    // again 50 ms after its end, while the next request is crossing: it began
    // before that request could have been answered.
    Open({{QStringLiteral("--pace"), QStringLiteral("--duplicate"), QStringLiteral("50"),
           QStringLiteral("--duplicate-every"), QStringLiteral("2")},
          1200,
          true});
    const QString got = ReadSequence(*link, 6);
    EXPECT_FALSE(got.contains(QLatin1Char('!'))) << got.toStdString();
    EXPECT_GE(link->StaleBytesDropped(), 8) << got.toStdString();
}

// Kept from running right after every other request is written, as on a
// machine under load: the link then finds the answer's bytes already queued.
class LateProgram : public ByteCounter {
public:
    explicit LateProgram(int baud) : m_stall(std::chrono::microseconds(2 * 22 * 10'000'000LL / baud)) {}
    QStringList notes;
    void AddTraffic(TrafficDirection d, const QByteArray& bytes) override
    {
        ByteCounter::AddTraffic(d, bytes);
        if (d == TrafficDirection::Sent && bytes.size() > 1 && m_sends++ % 2 == 0)
            std::this_thread::sleep_for(m_stall); // the fault: the program does not run
    }
    void AddInfoLine(InfoKind, const QString& text, const QString&) override { notes << text; }

private:
    std::chrono::microseconds m_stall;
    int m_sends = 0;
};

TEST_P(LinkUnderFaults, AnswerFoundByALateLookInTwoWireModeIsAskedAgain)
{
    // Every answer comes again once the next request has crossed the line,
    // before the device's own answer (5 ms of think time): a late look finds
    // the copy whole, as if it were the answer to the next request, and the
    // device's own answer behind it makes the read ask again (or the copy
    // falls into the quiet line after the answer before it).
    Open({{QStringLiteral("--pace"), QStringLiteral("--turnaround"), QStringLiteral("5000"),
           QStringLiteral("--duplicate"), GetParam() == 9600 ? QStringLiteral("16") : QStringLiteral("4")},
          GetParam(),
          true});
    auto* late = new LateProgram(GetParam());
    TrafficMonitorRegistry::Install(late);
    const QString got = ReadSequence(*link, 4);
    EXPECT_FALSE(got.contains(QLatin1Char('!'))) << got.toStdString();
    EXPECT_GE(got.count(QLatin1Char('+')), 3) << got.toStdString() << late->notes.join(QLatin1Char(' ')).toStdString();
}

TEST_P(LinkUnderFaults, DuplicateAnswerInOneWireModeIsRefusedForAnotherCount)
{
    // After the next request's echo and before the device's own answer (20 ms
    // of think time, so that a busy machine holding the simulator up stays
    // within the quiet line after the answer): refused for its count, and
    // with the count asked for its time or for the device's own answer behind it.
    for (const std::uint8_t oddCount : {2, 3}) {
        Open({{QStringLiteral("--pace"), QStringLiteral("--turnaround"), QStringLiteral("20000"),
               QStringLiteral("--duplicate"), GetParam() == 9600 ? QStringLiteral("30") : QStringLiteral("26")},
              GetParam()});
        const QString got = ReadSequence(*link, 12, oddCount);
        EXPECT_FALSE(got.contains(QLatin1Char('!'))) << int(oddCount) << ": " << got.toStdString();
        EXPECT_GE(got.count(QLatin1Char('+')), 6) << int(oddCount) << ": " << got.toStdString();
        TearDown();
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, LinkUnderFaults, ::testing::Values(9600, 115200),
                         [](const auto& info) { return "Baud" + std::to_string(info.param); });

} // namespace

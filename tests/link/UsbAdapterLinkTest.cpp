// The link's timing rules with the bytes towards it held back by a USB
// adapter (tunebench-sim --usb-latency): they come in batches, a packet or a
// latency timer's worth at a time, at the timer's usual 16 ms and at the 1 ms
// that low latency gives, in both line modes.
#include "SndMail.h"
#include "TpaProComImpl.h"
#include "support/SimHarness.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

using AdapterRun = std::tuple<int /* latency ms */, bool /* two-wire */>;

class LinkThroughUsbAdapter : public ::testing::TestWithParam<AdapterRun> {
protected:
    static constexpr int kBaud = 115200;
    std::unique_ptr<tbtest::SimHarness> sim;
    std::unique_ptr<TSendmail> link;

    [[nodiscard]] int LatencyMs() const { return std::get<0>(GetParam()); }
    [[nodiscard]] bool TwoWire() const { return std::get<1>(GetParam()); }

    void Open(QStringList simArgs)
    {
        simArgs << QStringLiteral("--baud") << QString::number(kBaud) << QStringLiteral("--usb-latency")
                << QString::number(LatencyMs());
        if (TwoWire())
            simArgs << QStringLiteral("--two-wire");
        link.reset();
        sim = std::make_unique<tbtest::SimHarness>(simArgs);
        ASSERT_TRUE(sim->start()) << sim->errorString().toStdString();
        link = std::make_unique<TSendmail>();
        link->ShowDialogs = false;
        if (TwoWire()) {
            // tunebench-cli's two-wire settings.
            link->DisableEcho();
            link->SetEchoBack(true);
            link->PollInterval = 50;
            link->GapTimeout = 500;
        }
        link->Port().PortMap().SetOverride(1, sim->portPath());
        ASSERT_TRUE(link->OpenPort(1, kBaud));
    }

    // Reads 40h (3 bytes) and 41h (count bytes) in turns: "+" right, "-" no value, "!" wrong.
    QString Reads(int n, std::uint8_t count = 3)
    {
        QString result;
        for (int i = 0; i < n; ++i) {
            const bool even = i % 2 == 0;
            const QString got = link->ReadEepromText(even ? 0x40 : 0x41, 0, even ? 3 : count);
            const QString want = even ? QStringLiteral("00 04 D5") : QStringLiteral("04 D5 12").left(3 * count - 1);
            result += got.isEmpty() ? QLatin1Char('-') : got == want ? QLatin1Char('+') : QLatin1Char('!');
        }
        return result;
    }
};

TEST_P(LinkThroughUsbAdapter, AnswersInBatchesAreTakenAtOnceAndWritesConfirmed)
{
    Open({QStringLiteral("--pace"), QStringLiteral("--turnaround"), QStringLiteral("300")});
    EXPECT_EQ(Reads(8), QStringLiteral("++++++++"));
    // Answers longer than a USB packet come in more than one batch.
    std::uint8_t cells[100];
    EXPECT_EQ(link->ReadEepromBytesAt(0x0000, 100, cells), 100);
    const std::uint8_t data[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    EXPECT_EQ(link->WriteEepromBlock(0x2000, data, 16), 16);
    // Held back is not stale.
    EXPECT_EQ(link->StaleBytesDropped(), 0);
}

TEST_P(LinkThroughUsbAdapter, SenderSlowerThanTheTimerIsReadWithinTheGapTimeout)
{
    // Each answer byte alone in its batch, a timer's time after it left.
    Open({QStringLiteral("--byte-gap"), QString::number(LatencyMs() + 4)});
    EXPECT_EQ(Reads(2), QStringLiteral("++"));
}

TEST_P(LinkThroughUsbAdapter, CopyOfAnAnswerIsNeverTakenForTheNextRequest)
{
    // Back to back, in the answer's batch; and in a batch of its own, well
    // before the device's own answer to the next request (30 ms of think time).
    for (const int afterMs : {0, 6}) {
        Open({QStringLiteral("--pace"), QStringLiteral("--turnaround"), QStringLiteral("30000"),
              QStringLiteral("--duplicate"), QString::number(afterMs), QStringLiteral("--duplicate-every"),
              QStringLiteral("2")});
        // One-wire mode has no dating: only the count tells a copy from the answer.
        const QString got = Reads(6, TwoWire() ? 3 : 2);
        EXPECT_FALSE(got.contains(QLatin1Char('!'))) << afterMs << " ms: " << got.toStdString();
        EXPECT_GE(got.count(QLatin1Char('+')), 3) << afterMs << " ms: " << got.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Adapters, LinkThroughUsbAdapter,
                         ::testing::Combine(::testing::Values(1, 16), ::testing::Bool()), [](const auto& info) {
                             return "Latency" + std::to_string(std::get<0>(info.param)) + "ms" +
                                    (std::get<1>(info.param) ? "TwoWire" : "OneWire");
                         });

} // namespace

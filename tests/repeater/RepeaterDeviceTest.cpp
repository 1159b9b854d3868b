#include "RepeaterDevice.h"
#include "AssertionError.h"
#include "NumberConverting.h"
#include "SndMail.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <vector>

namespace {

class TRecordingView final : public IRepeaterView {
public:
    void SetLayout(int layout) override { layouts.push_back(layout); }
    void ShowField(RepeaterField field, const QString&) override { shown.push_back(field); }
    void SetDebugBeep(bool) override {}
    void ShowBusyBitHint(bool) override {}
    void FieldSent(RepeaterField field) override { sent.push_back(field); }
    std::vector<int> layouts;
    std::vector<RepeaterField> shown;
    std::vector<RepeaterField> sent;
};

// A link whose port was never opened: every read yields nothing, every write fails.
class RepeaterDeviceWithoutDevice : public ::testing::Test {
protected:
    RepeaterDeviceWithoutDevice()
    {
        link.ShowDialogs = false;
        link.MaxWriteAttempts = 1;
        link.WriteRetryDelay = 0;
        link.ReadbackDelay = 0;
        device.SetRetryPause(0);
    }
    TSendmail link;
    TRepeaterDevice device{link};
};

TEST_F(RepeaterDeviceWithoutDevice, AlternativeCellsGiveUpWithAnAssertion)
{
    const struct {
        std::function<void()> call;
        const char* message;
    } cases[] = {
        {[&] { (void)device.ReadAltBase(); }, "ReadAltBase: Cell not readable!"},
        {[&] { (void)device.ReadAltRepeater(); }, "ReadAltRepeater: Cell not readable!"},
        {[&] { device.WriteAltBase(3); }, "WriteAltBase: Cell not written!"},
        {[&] { device.WriteAltRepeater(3); }, "WriteAltRepeater: Cell not written!"},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.message;
        }
        catch (const EAssertionFailed& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    EXPECT_FALSE(device.ZeroBlindSlot());
    EXPECT_FALSE(device.AltSyncSupported());
}

TEST_F(RepeaterDeviceWithoutDevice, RetryPausesEndWhenThePortIsGone)
{
    // With no port there is nothing to wait for: the tries stop at once
    // instead of sitting out pauses the user cannot cut short.
    device.SetRetryPause(60000);
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW((void)device.ReadAltBase(), EAssertionFailed);
    EXPECT_THROW(device.WriteAltRepeater(1), EAssertionFailed);
    EXPECT_FALSE(device.ZeroBlindSlot());
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(RepeaterDeviceWithoutDevice, UnconfirmedWritesAreReportedAndNoFieldCountsAsSent)
{
    using F = RepeaterField;
    TRecordingView view;
    const TRepeaterInput input{"10000000040", "5", "2", "3", "1", "2", true, false};
    const TRepeaterWriteResult multi = device.WriteMultiCell(input, view);
    EXPECT_TRUE(view.sent.empty());
    EXPECT_EQ(multi.fields, (std::vector<F>{F::Code, F::Base, F::AltBase, F::AltRepeater, F::Repeater, F::Multibase,
                                            F::Jump, F::Busy}));
    EXPECT_TRUE(multi.debugBeep);
    EXPECT_TRUE(multi.fixedCells);

    const TRepeaterWriteResult single = device.WriteSingleCell({"17", "5", "2", "3", "x", "2", true, false}, view);
    EXPECT_TRUE(view.sent.empty());
    EXPECT_EQ(single.fields, (std::vector<F>{F::Code, F::Base, F::Repeater, F::AltBase, F::AltRepeater, F::Busy}));
    EXPECT_FALSE(single.AllConfirmed());
}

TEST_F(RepeaterDeviceWithoutDevice, ReadStopsAtTheFirstCellWithoutAnswer)
{
    TRecordingView view;
    EXPECT_THROW(device.ReadMultiCell(view), ENumberConvertingError);
    EXPECT_EQ(view.layouts, std::vector<int>{kMultiCellLayout});
    EXPECT_TRUE(view.shown.empty());
    EXPECT_THROW(device.ReadSingleCell(view), ENumberConvertingError);
    EXPECT_TRUE(view.shown.empty());
}

} // namespace

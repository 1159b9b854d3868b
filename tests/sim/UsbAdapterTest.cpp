// The simulated USB adapter's rule, on a clock of the test's own.
#include "UsbAdapter.h"

#include <gtest/gtest.h>

namespace {

using tbsim::UsbAdapter;
using namespace std::chrono_literals;

TEST(UsbAdapter, HoldsBytesUntilAPacketIsFullOrTheTimerRunsOutFromTheFirst)
{
    // One adapter, 16 ms timer, 4-byte packets; each step takes bytes at a
    // time (ms), then releases what is due then.
    const struct {
        int at;
        const char* in;
        const char* out;
    } steps[] = {
        {0, "a", ""},          {15, "", ""},  {16, "", "a"},     // the timer runs from the first byte
        {20, "bc", ""},        {30, "d", ""}, {31, "e", "bcde"}, // a full packet goes at once
        {40, "fghi", "fghi"},                                    // ... also within one step
        {50, "jklmn", "jklm"}, {65, "", ""},  {66, "", "n"},     // the rest keeps its own first byte's time
    };
    const UsbAdapter::Clock::time_point zero{};
    UsbAdapter adapter(16ms, 4);
    EXPECT_FALSE(adapter.nextRelease());
    for (const auto& step : steps) {
        const auto now = zero + std::chrono::milliseconds(step.at);
        for (const char* byte = step.in; *byte; ++byte)
            adapter.take(*byte, now);
        EXPECT_EQ(adapter.release(now), QByteArray(step.out)) << step.at << " ms";
    }
    EXPECT_FALSE(adapter.nextRelease());
    adapter.take('x', zero + 70ms);
    EXPECT_EQ(adapter.nextRelease(), zero + 86ms);
}

} // namespace

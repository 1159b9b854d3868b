#include "Timing.h"

#include <QCoreApplication>
#include <QTime>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(TimeStamp, TruncatesMicroseconds)
{
    const std::int64_t f = 1000000000;
    // 14:03:07 plus 4.5 microseconds, on day 7 of the month.
    const std::int64_t c = (7LL * 86400 + 14 * 3600 + 3 * 60 + 7) * f + 4500;
    const TimeStampRecord r = SplitCounterValue(c, f);
    EXPECT_EQ(r.days, 7);
    EXPECT_EQ(FormatTimeStamp(r), QStringLiteral("14:03:07:000004"));
    EXPECT_EQ(FormatTimeStamp(SplitCounterValue(1000, 1000)), QStringLiteral("00:00:01:000000"));
}

TEST(TimeStamp, FollowsTheWallClock)
{
    InitTimeOfDay();
    const QTime now = QTime::currentTime();
    const QString stamp = TimeStamp(true);
    ASSERT_EQ(stamp.size(), 15);
    const QTime parsed = QTime::fromString(stamp.left(8), QStringLiteral("HH:mm:ss"));
    ASSERT_TRUE(parsed.isValid()) << stamp.toStdString();
    const int diff = std::abs(parsed.secsTo(now));
    EXPECT_TRUE(diff <= 2 || diff >= 86398) << stamp.toStdString();
}

TEST(Elapsed, EqualCountsGiveZero)
{
    EXPECT_EQ(ElapsedMs(5, 5), 0);
    EXPECT_EQ(ElapsedMs(2500000000LL, 0), 2500);
}

TEST(Delay, RunsPendingEventsAtLeastOnceAndWaitsAtLeastTheTime)
{
    for (int ms : {0, -5}) {
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        Delay(ms);
        EXPECT_TRUE(ran) << ms;
    }
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    const std::int64_t start = ReadCounter();
    Delay(40);
    EXPECT_GE(ElapsedMs(ReadCounter(), start), 40);
    EXPECT_TRUE(fired); // timers fire inside the wait
    const std::int64_t t0 = TickCountMs();
    WaitTicks(15);
    EXPECT_GE(TickCountMs() - t0, 15);
}

} // namespace

#include "Timing.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <optional>
#include <thread>

namespace {
std::optional<std::int64_t> g_offset;

// Runs events until now() reaches target (in the clock's units), sleeping in the
// dispatcher between events; pending events always run at least once.
template <typename Now>
void WaitUntil(std::int64_t target, Now now, std::int64_t unitsPerMs)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!QCoreApplication::instance()) {
        if (now() < target)
            std::this_thread::sleep_for(std::chrono::milliseconds((target - now() + unitsPerMs - 1) / unitsPerMs));
        return;
    }
    // One timer wakes the thread at the deadline; in between it sleeps until events come.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
#ifdef Q_OS_WIN
    // Under wine a precise timer's event did not always wake the waiting
    // thread; a system timer does, so a missed wake-up costs at most this long.
    QTimer backstop;
    backstop.setTimerType(Qt::CoarseTimer);
    backstop.start(20);
#endif
    while (now() < target) {
        if (!wake.isActive())
            wake.start(static_cast<int>(std::max<std::int64_t>((target - now() + unitsPerMs - 1) / unitsPerMs, 1)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
} // namespace

std::int64_t ReadCounter()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t CounterFrequency() { return 1000000000; }

std::int64_t ElapsedMs(std::int64_t later, std::int64_t earlier)
{
    return (later - earlier) * 1000 / CounterFrequency();
}

std::int64_t TickCountMs() { return ReadCounter() / 1000000; }

void Delay(std::int32_t ms)
{
    const std::int64_t start = ReadCounter();
    const std::int64_t target = start + static_cast<std::int64_t>(ms) * CounterFrequency() / 1000;
    WaitUntil(target, ReadCounter, CounterFrequency() / 1000);
}

void WaitTicks(std::int32_t ms)
{
    const std::int64_t start = TickCountMs();
    WaitUntil(start + ms, TickCountMs, 1);
}

std::int64_t TimeOfDayOffset()
{
    const QDateTime now = QDateTime::currentDateTime();
    const std::int64_t counter = ReadCounter();
    const std::int64_t f = CounterFrequency();
    const QTime t = now.time();
    const std::int64_t seconds = now.date().day() * 86400LL + t.hour() * 3600LL + t.minute() * 60LL + t.second();
    return seconds * f + t.msec() * f / 1000 - counter;
}

void InitTimeOfDay() { g_offset = TimeOfDayOffset(); }

TimeStampRecord SplitCounterValue(std::int64_t c, std::int64_t f)
{
    TimeStampRecord r;
    const std::int64_t day = f * 86400;
    const std::int64_t days = c / day;
    c -= days * day;
    const std::int64_t hours = (c / (f * 3600)) % 24;
    c -= hours * f * 3600;
    const std::int64_t minutes = (c / (f * 60)) % 60;
    c -= minutes * f * 60;
    const std::int64_t seconds = (c / f) % 60;
    c -= seconds * f;
    // c < f here, so c * 1e6 stays far inside 64 bits for f = 1e9.
    const std::int64_t micro = (c * 1000000 / f) % 1000000;
    r.days = static_cast<std::uint16_t>(days);
    r.hours = static_cast<std::uint16_t>(hours);
    r.minutes = static_cast<std::uint16_t>(minutes);
    r.seconds = static_cast<std::uint16_t>(seconds);
    r.microseconds = static_cast<std::uint32_t>(micro);
    return r;
}

TimeStampRecord SplitCounter(bool timeOfDay)
{
    if (timeOfDay && !g_offset)
        InitTimeOfDay();
    const std::int64_t c = ReadCounter() + (timeOfDay ? *g_offset : 0);
    return SplitCounterValue(c, CounterFrequency());
}

QString FormatTimeStamp(const TimeStampRecord& r)
{
    return QString::asprintf("%.2d:%.2d:%.2d:%.6d", r.hours, r.minutes, r.seconds, static_cast<int>(r.microseconds));
}

QString TimeStamp(bool timeOfDay) { return FormatTimeStamp(SplitCounter(timeOfDay)); }

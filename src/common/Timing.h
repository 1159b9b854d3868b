#pragma once

#include <QString>
#include <cstdint>

// High-resolution counter (steady clock, nanoseconds) and the time-of-day
// stamps of the traffic monitor.
[[nodiscard]] std::int64_t ReadCounter();
[[nodiscard]] std::int64_t CounterFrequency();
[[nodiscard]] std::int64_t ElapsedMs(std::int64_t later, std::int64_t earlier);
[[nodiscard]] std::int64_t TickCountMs();

// Waits at least ms milliseconds while the event loop keeps running; pending
// events run at least once, also for ms <= 0. Sleeps between events.
void Delay(std::int32_t ms);
void WaitTicks(std::int32_t ms);

// Computes the offset that aligns the counter with the local wall clock.
[[nodiscard]] std::int64_t TimeOfDayOffset();
// Computes and keeps the offset; done once at program start (and lazily otherwise).
void InitTimeOfDay();

struct TimeStampRecord {
    std::uint16_t days = 0;
    std::uint16_t hours = 0;
    std::uint16_t minutes = 0;
    std::uint16_t seconds = 0;
    std::uint32_t microseconds = 0;
};
[[nodiscard]] TimeStampRecord SplitCounterValue(std::int64_t counter, std::int64_t frequency);
[[nodiscard]] TimeStampRecord SplitCounter(bool timeOfDay);
[[nodiscard]] QString FormatTimeStamp(const TimeStampRecord& r);
// "%.2d:%.2d:%.2d:%.6d" - hours, minutes, seconds, microseconds.
[[nodiscard]] QString TimeStamp(bool timeOfDay = true);

#pragma once

#include "BootFrame.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace tbsim {

// Faults of a boot target.
struct BootFaults {
    bool silent = false;     // never answers
    int stopAfterBlocks = 0; // answers nothing more once it accepted this many blocks
    int corruptBlock = 0;    // the Nth block arrives damaged once: refused, then accepted
    bool badCrc = false;     // the CRC it reports differs from its flash
    int refuseBlock = 0;     // the Nth block is refused as not erased
    int noiseMs = 0;         // every noiseMs a burst that looks like a frame start, alternately in and out
};

struct BootTargetOptions {
    enum class Power { Off, On, OnHook };
    QString profile = QStringLiteral("boot-sc14428"); // or boot-rfl
    int baud = 115200;
    bool pace = false;
    Power power = Power::On;
    int bootWindowMs = 10000;
    uint32_t flashSize = 0; // 0 = the profile's
    int eraseMs = 0;        // a sector's erase; 0: kEraseTimePerSector when paced, else none
    BootFaults faults;
};

// A boot ROM's side of the boot protocol, without I/O: frames in, answers
// out, a flash image of its own, and the busy time it models for erasing and
// programming.
class BootTarget {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::microseconds kEraseTimePerSector{96000}; // one 64 KiB sector, paced
    static constexpr std::chrono::microseconds kProgramTimePerKiB{1000};

    struct Reply {
        std::optional<tbload::boot::Frame> frame;
        std::chrono::microseconds busy{0};
        QString log;
    };

    explicit BootTarget(const BootTargetOptions& options);

    [[nodiscard]] static bool IsBootProfile(const QString& profile);

    void PowerOff();
    void PowerOn(bool hookKey, Clock::time_point now);
    // True while it takes frames: in its boot window or in a session.
    [[nodiscard]] bool Listening(Clock::time_point now) const;
    [[nodiscard]] QString State(Clock::time_point now) const;

    Reply Handle(const tbload::boot::Frame& frame, Clock::time_point now);
    // A frame that arrived damaged.
    Reply Damaged(Clock::time_point now);

    [[nodiscard]] const std::vector<uint8_t>& Flash() const { return m_flash; }
    bool LoadFlash(const std::vector<uint8_t>& image);
    [[nodiscard]] int BlocksAccepted() const { return m_blocks; }
    [[nodiscard]] std::chrono::microseconds BusyTime() const { return m_busyTotal; }

private:
    // A frame in its turn.
    Reply Take(const tbload::boot::Frame& frame, Clock::time_point now);
    Reply Hello(const tbload::boot::Frame& frame);
    Reply Erase(const tbload::boot::Frame& frame);
    Reply Program(const tbload::boot::Frame& frame);
    Reply Verify(const tbload::boot::Frame& frame);
    Reply Answer(const tbload::boot::Frame& request, uint8_t command, std::vector<uint8_t> payload = {},
                 std::chrono::microseconds busy = {});
    Reply Refuse(const tbload::boot::Frame& request, uint8_t reason, const QString& log);
    [[nodiscard]] std::chrono::microseconds EraseTime(uint32_t sectors) const;

    BootTargetOptions m_options;
    const uint8_t* m_tag;
    uint16_t m_maker;
    uint16_t m_device;
    std::vector<uint8_t> m_flash;
    bool m_powered = false;
    Clock::time_point m_windowEnd;
    bool m_session = false; // a loader found it; it stays until reset or power off
    bool m_running = false; // reset: runs its software, deaf to the loader
    bool m_gone = false;    // the stop-after fault struck
    int m_blocks = 0;
    int m_dataFrames = 0;
    bool m_corrupted = false;
    uint16_t m_expected = 0;    // the sequence of the next frame it takes
    bool m_gapReported = false; // it told the loader of the frame it misses
    std::chrono::microseconds m_busyTotal{0};
};

} // namespace tbsim

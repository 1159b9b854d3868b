#pragma once

#include <functional>
#include <optional>

// A USB serial adapter holds received bytes until its latency timer runs out
// (16 ms on Linux's FTDI driver); with the driver's low-latency flag it passes
// them on within 1 ms. This asks for the flag on an open port and takes it
// back before the port closes; a driver that refuses leaves the port as it is.
class TSerialLowLatency {
public:
    // The driver's serial flags of one open port.
    struct TFlags {
        std::function<std::optional<int>()> read; // nothing: the driver has none (a pseudo-terminal)
        std::function<bool(int flags)> write;
    };
    // The flags of an open descriptor, through the serial ioctls.
    [[nodiscard]] static TFlags OfDescriptor(int fd);
    static const int kLowLatencyFlag;

    // True when the driver has low latency afterwards, set here or before.
    bool Request(const TFlags& flags);
    // Clears the flag again if Request set it.
    void Restore(const TFlags& flags);
    // The port is gone: nothing left to give back.
    void Forget() { m_setHere = false; }

private:
    bool m_setHere = false;
};

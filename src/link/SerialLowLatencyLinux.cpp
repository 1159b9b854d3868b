// The serial ioctls of Linux; other platforms build SerialLowLatencyNone.cpp instead.
#include "SerialLowLatency.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

const int TSerialLowLatency::kLowLatencyFlag = ASYNC_LOW_LATENCY;

TSerialLowLatency::TFlags TSerialLowLatency::OfDescriptor(int fd)
{
    TFlags flags;
    flags.read = [fd]() -> std::optional<int> {
        serial_struct info{};
        if (fd < 0 || ::ioctl(fd, TIOCGSERIAL, &info) != 0)
            return std::nullopt;
        return info.flags;
    };
    flags.write = [fd](int value) {
        serial_struct info{};
        if (fd < 0 || ::ioctl(fd, TIOCGSERIAL, &info) != 0)
            return false;
        info.flags = value;
        return ::ioctl(fd, TIOCSSERIAL, &info) == 0;
    };
    return flags;
}

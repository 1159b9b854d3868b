#pragma once

#include "DeviceKind.h"

#include <cstdint>

class TMailControl;

struct RepeaterType {
    bool answered = false; // the cell gave a valid answer, whatever it holds
    bool valid = false;
    std::uint8_t type = 0;
};

// What answers on the line: a handset by its identity at 0040h, a repeater
// by an accepted type byte at 0780h, a base by values that are neither; a read
// without a valid answer leaves the kind unknown. Free of widgets; the windows and the
// command line share it.
class TDeviceDetector {
public:
    explicit TDeviceDetector(TMailControl& link) : m_link(link) {}

    // The port must be open. Reads only; no probe.
    [[nodiscard]] DeviceKind DetectDevice();
    [[nodiscard]] RepeaterType ReadRepeaterType();
    [[nodiscard]] static bool IsAcceptedRepeaterType(std::uint8_t t)
    {
        return t == 2 || t == 4 || (t >= 6 && t <= 128);
    }

private:
    TMailControl& m_link;
};

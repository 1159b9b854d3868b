#pragma once

#include "RflLib.h"

#include <string>

namespace tbload {

// The callbacks a run talks through; every one may be missing.
struct RflConsole {
    RflTextOutFunc textOut = nullptr;
    RflWaitKeyFunc waitKey = nullptr;
    RflGetKeyFunc getKey = nullptr;
    RflKeyAvailableFunc keyAvailable = nullptr;

    void Print(const std::string& piece) const
    {
        if (textOut && !piece.empty())
            textOut(piece.c_str());
    }
    // Waits for a key; 0 when there is no way to get one.
    [[nodiscard]] char Key() const
    {
        if (!waitKey || !getKey)
            return 0;
        waitKey();
        return getKey();
    }
};

} // namespace tbload

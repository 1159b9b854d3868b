#include "SerialLowLatency.h"

bool TSerialLowLatency::Request(const TFlags& flags)
{
    m_setHere = false;
    const std::optional<int> found = flags.read ? flags.read() : std::nullopt;
    if (!found)
        return false;
    if (*found & kLowLatencyFlag)
        return true;
    m_setHere = flags.write(*found | kLowLatencyFlag);
    return m_setHere;
}

void TSerialLowLatency::Restore(const TFlags& flags)
{
    if (!m_setHere)
        return;
    m_setHere = false;
    // Read again: only this one flag is ours to give back.
    if (const std::optional<int> now = flags.read ? flags.read() : std::nullopt)
        flags.write(*now & ~kLowLatencyFlag);
}

#pragma once

#include <cstdint>

// Where a handset keeps what the handset pages and commands change.
namespace HandsetCell {
inline constexpr std::uint16_t ModelMarker = 0x001D;   // AAh on the models with handsfree gains
inline constexpr std::uint16_t Gain = 0x0029;          // loudspeaker volume | microphone gain
inline constexpr std::uint16_t HandsfreeGain = 0x003E; // handsfree loudspeaker | handsfree microphone
inline constexpr std::uint16_t Identity = 0x0040;      // 5 bytes: manufacturer code and serial number
inline constexpr std::uint8_t IdentityCount = 5;
inline constexpr std::uint16_t StartupText = 0x0196;
} // namespace HandsetCell

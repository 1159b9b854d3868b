#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// A gain byte holds two 4-bit fields: loudspeaker in bits 7-4, microphone in
// bits 3-0. The same layout serves the internal gains (0029h) and the
// handsfree gains (003Eh).
struct TGainFields {
    int loudspeaker = 0;
    int microphone = 0;
};

class TGainRules {
public:
    static constexpr std::uint8_t kNewTransducer = 0x6D; // loudspeaker 6, microphone 13
    static constexpr std::uint8_t kOldTransducer = 0x0D; // loudspeaker 0, microphone 13
    static constexpr std::uint8_t kHandsfreeDefault = 0x6C;
    static constexpr std::uint8_t kHandsfreeModelMarker = 0xAA;
    static constexpr int kFieldMax = 15;
    static constexpr int kHandsfreeLoudspeakerMax = 7;

    [[nodiscard]] static TGainFields Split(std::uint8_t byte) { return {byte >> 4, byte & 0x0F}; }
    [[nodiscard]] static std::uint8_t Join(int loudspeaker, int microphone)
    {
        return static_cast<std::uint8_t>(((loudspeaker & 0x0F) << 4) | (microphone & 0x0F));
    }
    // The handsfree gains exist on the models whose marker cell reads AAh; a
    // marker that could not be read does not qualify.
    [[nodiscard]] static bool IsHandsfreeModel(std::optional<std::uint8_t> marker)
    {
        return marker == kHandsfreeModelMarker;
    }
    // "loudspeaker=10 microphone=5 byte=A5"
    [[nodiscard]] static QString Report(std::uint8_t byte);
};

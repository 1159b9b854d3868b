#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tbload {

// An Intel HEX file read completely: its data as one image from the lowest to
// the highest address, gaps filled with FFh (erased flash).
struct HexImage {
    uint32_t offset = 0;
    std::vector<uint8_t> data;
};

struct HexResult {
    enum class Status { Ok, Unreadable, Malformed };
    Status status = Status::Ok;
    std::string message; // for Malformed: "line N: ...", for Unreadable: the system's reason
    HexImage image;
};

// Records 00 (data), 01 (end), 02 (segment: offsets wrap within its 64 KiB),
// 04 (linear: no wrap), 03/05 (start addresses, ignored). Every line must be
// well formed with a correct checksum and the end record must come last. The
// image holds exactly the bytes the file places: a byte placed twice must have
// the same value both times, else the file is refused naming both lines. It may
// span at most maxSpan bytes. Lines are read as tbtext::SplitTextLines gives
// them (byte-order mark, any line end, blanks, a final 1Ah).
HexResult ReadIntelHex(const std::string& path, uint32_t maxSpan = 16u << 20);
HexResult ParseIntelHex(const std::string& text, uint32_t maxSpan = 16u << 20);

} // namespace tbload

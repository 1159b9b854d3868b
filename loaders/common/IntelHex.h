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

// Records 00 (data), 01 (end), 02 (segment), 04 (linear), 03/05 (start
// addresses, ignored). Every line must be well formed with a correct checksum,
// the end record must come last, data may not overlap, and the image may span
// at most maxSpan bytes.
HexResult ReadIntelHex(const std::string& path, uint32_t maxSpan = 16u << 20);
HexResult ParseIntelHex(const std::string& text, uint32_t maxSpan = 16u << 20);

} // namespace tbload

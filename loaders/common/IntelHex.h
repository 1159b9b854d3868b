#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tbload {

// An Intel HEX file read completely: its data as one image from the lowest to
// the highest address, gaps filled with FFh (erased flash).
struct HexImage {
    uint32_t offset = 0;
    std::vector<uint8_t> data;
};

struct HexResult {
    enum class Status { Ok, Unreadable, Malformed, Stopped };
    Status status = Status::Ok;
    // For Malformed: "line N: ...", for Unreadable: the reason ("not a regular
    // file", "larger than 64 MiB, too large for a HEX file", the system's).
    std::string message;
    HexImage image;
};

// Records 00 (data), 01 (end), 02 (segment: offsets wrap within its 64 KiB),
// 04 (linear: no wrap), 03/05 (start addresses, ignored). Every line must be
// well formed with a correct checksum and the end record must come last. The
// image holds exactly the bytes the file places: a byte placed twice must have
// the same value both times, else the file is refused naming both lines. It may
// span at most maxSpan bytes. Lines are read as tbtext::SplitTextLines gives
// them (byte-order mark, any line end, blanks, a final 1Ah). The file is read
// only within the limit of a HEX file (BoundedFile.h); reading and parsing
// end early (Stopped) when SIGINT or SIGTERM asked for a stop (StopRequest.h).
HexResult ReadIntelHex(const std::string& path, uint32_t maxSpan = 16u << 20);
HexResult ParseIntelHex(std::string_view text, uint32_t maxSpan = 16u << 20);

// The file ReadIntelHex reads back as data at offset: 32-byte data records, a
// linear address record wherever the upper 16 bits change, CR LF line ends.
// With omitErased, records of FFh only are left out (a gap reads as erased).
std::string IntelHexText(const std::vector<uint8_t>& data, uint32_t offset = 0, bool omitErased = false);

} // namespace tbload

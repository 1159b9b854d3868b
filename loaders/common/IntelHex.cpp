#include "IntelHex.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace tbload {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

HexResult Malformed(int line, const std::string& what)
{
    HexResult r;
    r.status = HexResult::Status::Malformed;
    r.message = line > 0 ? "line " + std::to_string(line) + ": " + what : what;
    return r;
}

} // namespace

HexResult ParseIntelHex(const std::string& text, uint32_t maxSpan)
{
    std::map<uint64_t, std::vector<uint8_t>> chunks; // address -> bytes
    uint64_t base = 0;
    bool ended = false;
    int lineNumber = 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        ++lineNumber;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (line.empty())
            continue;
        if (ended)
            return Malformed(lineNumber, "data after the end record");
        if (line[0] != ':')
            return Malformed(lineNumber, "does not begin with ':'");
        if (line.size() < 11 || (line.size() - 1) % 2 != 0)
            return Malformed(lineNumber, "wrong length");
        std::vector<uint8_t> bytes;
        for (size_t i = 1; i < line.size(); i += 2) {
            const int hi = HexDigit(line[i]), lo = HexDigit(line[i + 1]);
            if (hi < 0 || lo < 0)
                return Malformed(lineNumber, "not a hexadecimal digit");
            bytes.push_back(uint8_t(hi << 4 | lo));
        }
        const size_t count = bytes[0];
        if (bytes.size() != count + 5)
            return Malformed(lineNumber, "byte count does not match the record");
        uint8_t sum = 0;
        for (uint8_t b : bytes)
            sum = uint8_t(sum + b);
        if (sum != 0)
            return Malformed(lineNumber, "checksum error");
        const uint32_t address = uint32_t(bytes[1]) << 8 | bytes[2];
        const uint8_t* payload = bytes.data() + 4;
        switch (bytes[3]) {
        case 0x00:
            if (count > 0)
                chunks[base + address].assign(payload, payload + count);
            break;
        case 0x01:
            ended = true;
            break;
        case 0x02:
            if (count != 2)
                return Malformed(lineNumber, "segment record without 2 bytes");
            base = (uint64_t(payload[0]) << 8 | payload[1]) << 4;
            break;
        case 0x04:
            if (count != 2)
                return Malformed(lineNumber, "linear address record without 2 bytes");
            base = (uint64_t(payload[0]) << 8 | payload[1]) << 16;
            break;
        case 0x03:
        case 0x05:
            break;
        default:
            return Malformed(lineNumber, "unknown record type");
        }
    }
    if (!ended)
        return Malformed(lineNumber, "no end record");
    if (chunks.empty())
        return Malformed(lineNumber, "no data");

    const uint64_t first = chunks.begin()->first;
    uint64_t last = first;
    for (const auto& [address, bytes] : chunks) {
        if (address < last)
            return Malformed(0, "data overlaps at address " + std::to_string(address));
        last = address + bytes.size();
    }
    if (last - first > maxSpan || last > 0x100000000ull)
        return Malformed(0, "image too large");
    HexResult result;
    result.image.offset = uint32_t(first);
    result.image.data.assign(size_t(last - first), 0xFF);
    for (const auto& [address, bytes] : chunks)
        std::copy(bytes.begin(), bytes.end(), result.image.data.begin() + ptrdiff_t(address - first));
    return result;
}

HexResult ReadIntelHex(const std::string& path, uint32_t maxSpan)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        HexResult r;
        r.status = HexResult::Status::Unreadable;
        r.message = std::strerror(errno);
        return r;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseIntelHex(text.str(), maxSpan);
}

} // namespace tbload

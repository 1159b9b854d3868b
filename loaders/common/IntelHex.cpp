#include "IntelHex.h"

#include "BoundedFile.h"
#include "HexText.h"
#include "StopRequest.h"
#include "TextLines.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>

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

std::string Hex2(uint8_t v)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[v >> 4], digits[v & 15]};
}

HexResult Malformed(int line, const std::string& what)
{
    HexResult r;
    r.status = HexResult::Status::Malformed;
    r.message = line > 0 ? "line " + std::to_string(line) + ": " + what : what;
    return r;
}

// The bytes placed so far, as disjoint runs by start address; each run points
// into the record that placed it, so a conflict can name that record's line.
class Placement {
public:
    struct Run {
        uint64_t end;
        int line;
        const uint8_t* bytes;
    };

    // Places count bytes at address; on a byte that an earlier record placed
    // with another value, the message names both lines.
    std::optional<std::string> Place(uint64_t address, const uint8_t* bytes, size_t count, int line)
    {
        const uint64_t end = address + count;
        auto it = m_runs.upper_bound(address);
        if (it != m_runs.begin() && std::prev(it)->second.end > address)
            --it;
        uint64_t at = address;
        while (at < end) {
            if (it == m_runs.end() || it->first >= end) {
                m_runs.emplace(at, Run{end, line, bytes + (at - address)});
                break;
            }
            const uint64_t runStart = it->first;
            const Run run = it->second;
            if (runStart > at) {
                m_runs.emplace(at, Run{runStart, line, bytes + (at - address)});
                at = runStart;
            }
            const uint64_t stop = std::min(end, run.end);
            for (uint64_t a = at; a < stop; ++a) {
                const uint8_t earlier = run.bytes[a - runStart], here = bytes[a - address];
                if (earlier != here)
                    return "places " + Hex2(here) + " at " + Hex8(uint32_t(a)) + ", where line " +
                           std::to_string(run.line) + " placed " + Hex2(earlier);
            }
            at = stop;
            ++it;
        }
        return std::nullopt;
    }

    [[nodiscard]] bool Empty() const { return m_runs.empty(); }
    [[nodiscard]] uint64_t First() const { return m_runs.begin()->first; }
    [[nodiscard]] uint64_t End() const { return m_runs.rbegin()->second.end; }
    void CopyTo(std::vector<uint8_t>& image, uint64_t first) const
    {
        for (const auto& [start, run] : m_runs)
            std::copy(run.bytes, run.bytes + (run.end - start), image.begin() + ptrdiff_t(start - first));
    }

private:
    std::map<uint64_t, Run> m_runs;
};

} // namespace

HexResult ParseIntelHex(std::string_view text, uint32_t maxSpan)
{
    // Every record's bytes stay here while the runs point into them.
    std::vector<std::vector<uint8_t>> records;
    Placement placed;
    uint64_t base = 0;
    bool segmented = false; // type 02: offsets wrap within the 64 KiB segment
    bool ended = false;
    const tbtext::TextLines lines = tbtext::SplitTextLines(text);
    int lineNumber = 0;
    for (const std::string_view line : lines.lines) {
        ++lineNumber;
        if (lineNumber % 4096 == 0 && tbstop::Requested()) {
            HexResult stopped;
            stopped.status = HexResult::Status::Stopped;
            stopped.message = "stopped";
            return stopped;
        }
        if (line.empty())
            continue;
        if (ended)
            return Malformed(lineNumber, "data after the end record");
        if (line[0] != ':')
            return Malformed(lineNumber, "does not begin with ':'");
        if (line.size() < 11 || (line.size() - 1) % 2 != 0)
            return Malformed(lineNumber, "wrong length");
        std::vector<uint8_t> bytes;
        bytes.reserve(line.size() / 2);
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
        case 0x00: {
            if (count == 0)
                break;
            // Within a segment the offset wraps at FFFFh back to the segment's
            // start; a linear address runs on into the next 64 KiB.
            if (!segmented && base + address + count > 0x100000000ull)
                return Malformed(lineNumber, "data beyond the 4 GiB address space");
            const size_t first = segmented ? std::min<size_t>(count, 0x10000 - address) : count;
            if (const auto conflict = placed.Place(base + address, payload, first, lineNumber))
                return Malformed(lineNumber, *conflict);
            if (first < count)
                if (const auto conflict = placed.Place(base, payload + first, count - first, lineNumber))
                    return Malformed(lineNumber, *conflict);
            records.push_back(std::move(bytes));
            break;
        }
        case 0x01:
            ended = true;
            break;
        case 0x02:
            if (count != 2)
                return Malformed(lineNumber, "segment record without 2 bytes");
            base = (uint64_t(payload[0]) << 8 | payload[1]) << 4;
            segmented = true;
            break;
        case 0x04:
            if (count != 2)
                return Malformed(lineNumber, "linear address record without 2 bytes");
            base = (uint64_t(payload[0]) << 8 | payload[1]) << 16;
            segmented = false;
            break;
        case 0x03:
        case 0x05:
            if (count != 4)
                return Malformed(lineNumber, "start address record without 4 bytes");
            break;
        default:
            return Malformed(lineNumber, "unknown record type");
        }
    }
    if (!ended)
        return Malformed(lineNumber, "no end record");
    if (placed.Empty())
        return Malformed(lineNumber, "no data");

    const uint64_t first = placed.First(), last = placed.End();
    if (last - first > maxSpan)
        return Malformed(0, "image too large");
    HexResult result;
    result.image.offset = uint32_t(first);
    result.image.data.assign(size_t(last - first), 0xFF);
    placed.CopyTo(result.image.data, first);
    return result;
}

HexResult ReadIntelHex(const std::string& path, uint32_t maxSpan)
{
    TBoundedFile file(QFile::decodeName(QByteArray::fromStdString(path)), TFileKind::HexImage);
    QByteArray text;
    if (!file.ReadAll(text)) {
        HexResult r;
        r.status = file.Stopped() ? HexResult::Status::Stopped : HexResult::Status::Unreadable;
        r.message = file.Reason().toStdString();
        return r;
    }
    return ParseIntelHex(std::string_view(text.constData(), size_t(text.size())), maxSpan);
}

std::string IntelHexText(const std::vector<uint8_t>& data, uint32_t offset, bool omitErased)
{
    std::string text;
    const auto record = [&text](uint8_t type, uint16_t address, const uint8_t* bytes, size_t count) {
        std::vector<uint8_t> raw{static_cast<uint8_t>(count), static_cast<uint8_t>(address >> 8),
                                 static_cast<uint8_t>(address), type};
        raw.insert(raw.end(), bytes, bytes + count);
        uint8_t sum = 0;
        for (uint8_t b : raw)
            sum = static_cast<uint8_t>(sum + b);
        raw.push_back(static_cast<uint8_t>(-sum));
        text += ':';
        for (uint8_t b : raw)
            text += Hex2(b);
        text += "\r\n";
    };
    long upper = -1;
    for (size_t i = 0; i < data.size(); i += 32) {
        const size_t count = std::min<size_t>(32, data.size() - i);
        const uint8_t* bytes = data.data() + i;
        if (omitErased && std::all_of(bytes, bytes + count, [](uint8_t b) { return b == 0xFF; }))
            continue;
        const uint32_t address = offset + static_cast<uint32_t>(i);
        if (static_cast<long>(address >> 16) != upper) {
            upper = static_cast<long>(address >> 16);
            const uint8_t linear[] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
            record(0x04, 0, linear, 2);
        }
        record(0x00, static_cast<uint16_t>(address), bytes, count);
    }
    record(0x01, 0, nullptr, 0);
    return text;
}

} // namespace tbload

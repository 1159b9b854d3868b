// The Intel HEX reader: exactly the bytes the file places, or a refusal that
// names the line.
#include "IntelHex.h"
#include "StopRequest.h"

#include <gmock/gmock.h>

namespace {

using testing::HasSubstr;

std::string Record(uint8_t type, uint16_t address, const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> raw = {uint8_t(bytes.size()), uint8_t(address >> 8), uint8_t(address), type};
    raw.insert(raw.end(), bytes.begin(), bytes.end());
    uint8_t sum = 0;
    for (uint8_t b : raw)
        sum = uint8_t(sum + b);
    raw.push_back(uint8_t(-sum));
    std::string text = ":";
    char digits[3];
    for (uint8_t b : raw) {
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += digits;
    }
    return text + "\n";
}

std::vector<uint8_t> Count(size_t n, uint8_t from = 0)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(from + i);
    return v;
}

const std::string kEnd = ":00000001FF\n";

std::string Data(uint16_t address, const std::vector<uint8_t>& bytes) { return Record(0x00, address, bytes); }
std::string Segment(uint16_t segment) { return Record(0x02, 0, {uint8_t(segment >> 8), uint8_t(segment)}); }
std::string Linear(uint16_t upper) { return Record(0x04, 0, {uint8_t(upper >> 8), uint8_t(upper)}); }

struct Probe {
    uint32_t address;
    std::vector<uint8_t> bytes;
};

struct Case {
    const char* name;
    std::string text;
    uint32_t offset = 0;
    size_t size = 0;
    std::vector<Probe> probes;
    const char* refusal = nullptr; // the message holds this
    uint32_t maxSpan = 16u << 20;
};

std::string Megabyte()
{
    std::string text;
    for (uint32_t a = 0; a < (1u << 20); a += 32) {
        if (a % 0x10000 == 0)
            text += Linear(uint16_t(a >> 16));
        text += Data(uint16_t(a), Count(32, uint8_t(a >> 5)));
    }
    return text + kEnd;
}

TEST(IntelHex, PlacesExactlyTheFilesBytesOrRefusesIt)
{
    const std::vector<uint8_t> a16 = Count(16, 0xA0), b4 = Count(4, 0xB0), c32 = Count(32, 0xC0);
    const std::vector<uint8_t> c16(c32.begin(), c32.begin() + 16), c16b(c32.begin() + 16, c32.end());
    const Case cases[] = {
        {"data", Data(0x0010, b4) + kEnd, 0x10, 4, {{0x10, b4}}},
        {"segment wraps within its 64 KiB",
         Segment(0x1000) + Data(0xFFF0, c32) + kEnd,
         0x10000,
         0x10000,
         {{0x1FFF0, c16}, {0x10000, c16b}, {0x10010, {0xFF}}}},
        {"linear runs on", Linear(0x0001) + Data(0xFFF0, c32) + kEnd, 0x1FFF0, 32, {{0x1FFF0, c32}}},
        {"segment then linear",
         Segment(0x1000) + Data(0, b4) + Linear(0x0002) + Data(0, b4) + kEnd,
         0x10000,
         0x10004,
         {{0x10000, b4}, {0x20000, b4}}},
        {"start addresses ignored",
         Record(0x03, 0, {0, 0, 1, 2}) + Record(0x05, 0, {0, 0, 1, 2}) + Data(0, b4) + kEnd,
         0,
         4,
         {{0, b4}}},
        {"same value twice", Data(0, a16) + Data(4, Count(4, 0xA4)) + Data(0, a16) + kEnd, 0, 16, {{0, a16}}},
        {"overlap that agrees and runs on",
         Data(0, a16) + Data(8, Count(16, 0xA8)) + kEnd,
         0,
         24,
         {{0, Count(24, 0xA0)}}},
        {"later record below an earlier one",
         Data(0x20, b4) + Data(0x00, b4) + kEnd,
         0,
         0x24,
         {{0, b4}, {4, std::vector<uint8_t>(28, 0xFF)}, {0x20, b4}}},
        {"1 MiB", Megabyte(), 0, 1u << 20, {{0, Count(32, 0)}, {0xFFFE0, Count(32, uint8_t(0xFFFE0 >> 5))}}},
        {"blank, CR and a final 1Ah",
         "\xEF\xBB\xBF  " + Data(0, b4).substr(0, 19) + " \r" + kEnd + "\x1A",
         0,
         4,
         {{0, b4}}},
        {"same address, other value",
         Data(0, a16) + Data(0, b4) + kEnd,
         0,
         0,
         {},
         "line 2: places B0 at 00000000, where line 1 placed A0"},
        {"partial overlap, other value",
         Data(0, a16) + Data(14, {0xAE, 0x00}) + kEnd,
         0,
         0,
         {},
         "line 2: places 00 at 0000000F, where line 1 placed AF"},
        {"wrapped bytes meet other values",
         Data(0, b4) + Segment(0) + Data(0xFFFE, b4) + kEnd,
         0,
         0,
         {},
         "line 3: places B2 at 00000000, where line 1 placed B0"},
        {"no end record", Data(0, b4), 0, 0, {}, "no end record"},
        {"data after the end", kEnd + Data(0, b4), 0, 0, {}, "line 2: data after the end record"},
        {"checksum", ":0400000001020304F1\n" + kEnd, 0, 0, {}, "line 1: checksum error"},
        {"digit", ":04000000010203G4F2\n" + kEnd, 0, 0, {}, "line 1: not a hexadecimal digit"},
        {"count", ":0500000001020304F2\n" + kEnd, 0, 0, {}, "line 1: byte count"},
        {"colon", "0400000001020304F2\n" + kEnd, 0, 0, {}, "line 1: does not begin with ':'"},
        {"type", Record(0x06, 0, b4) + kEnd, 0, 0, {}, "line 1: unknown record type"},
        {"segment length", Record(0x02, 0, {1, 2, 3}) + kEnd, 0, 0, {}, "segment record without 2 bytes"},
        {"linear length", Record(0x04, 0, {1}) + kEnd, 0, 0, {}, "linear address record without 2 bytes"},
        {"start length", Record(0x05, 0, {1}) + kEnd, 0, 0, {}, "start address record without 4 bytes"},
        {"beyond 4 GiB", Linear(0xFFFF) + Data(0xFFFE, b4) + kEnd, 0, 0, {}, "beyond the 4 GiB"},
        {"no data", kEnd, 0, 0, {}, "no data"},
        {"span", Data(0, b4) + Linear(1) + Data(0, b4) + kEnd, 0, 0, {}, "image too large", 0x10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const tbload::HexResult r = tbload::ParseIntelHex(c.text, c.maxSpan);
        if (c.refusal) {
            EXPECT_EQ(r.status, tbload::HexResult::Status::Malformed);
            EXPECT_THAT(r.message, HasSubstr(c.refusal));
            continue;
        }
        ASSERT_EQ(r.status, tbload::HexResult::Status::Ok) << r.message;
        EXPECT_EQ(r.image.offset, c.offset);
        ASSERT_EQ(r.image.data.size(), c.size);
        for (const Probe& p : c.probes)
            EXPECT_EQ(std::vector<uint8_t>(r.image.data.begin() + (p.address - c.offset),
                                           r.image.data.begin() + (p.address - c.offset + p.bytes.size())),
                      p.bytes)
                << std::hex << p.address;
    }
}

// SIGINT or SIGTERM during a long file: the parse ends within its next few thousand lines.
TEST(IntelHex, AStopRequestEndsTheParse)
{
    std::string text;
    for (uint16_t address = 0; address < 0x8000; address += 4)
        text += Data(address, Count(4));
    tbstop::Request();
    const tbload::HexResult r = tbload::ParseIntelHex(text + kEnd);
    tbstop::Clear();
    EXPECT_EQ(r.status, tbload::HexResult::Status::Stopped);
}

// The writer the tests and benchmarks make their files with: across a 64 KiB
// boundary, with an erased stretch left out or written.
TEST(IntelHex, WrittenTextReadsBackAsTheSameImage)
{
    std::vector<uint8_t> data = Count(0x140, 7);
    std::fill(data.begin() + 0x40, data.begin() + 0x80, uint8_t(0xFF));
    for (const bool omitErased : {false, true}) {
        const tbload::HexResult r = tbload::ParseIntelHex(tbload::IntelHexText(data, 0x1FFE0, omitErased));
        ASSERT_EQ(r.status, tbload::HexResult::Status::Ok) << r.message;
        EXPECT_EQ(r.image.offset, 0x1FFE0u);
        EXPECT_EQ(r.image.data, data) << omitErased;
    }
}

} // namespace

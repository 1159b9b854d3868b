// The boot protocol's frame decoder: every intact frame is found, whatever
// stray or damaged bytes stand before it.
#include "BootFrame.h"

#include <gtest/gtest.h>

namespace {

namespace boot = tbload::boot;
using Bytes = std::vector<uint8_t>;

Bytes Frame(uint16_t sequence, size_t size = 16)
{
    Bytes payload(size);
    for (size_t i = 0; i < size; ++i)
        payload[i] = uint8_t(0x70 + i); // holds a 7Eh too
    return boot::Encode({boot::kData, sequence, payload});
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(BootDecoder, FindsEveryIntactFrameBehindNoiseAndDamage)
{
    // A stray start mark with a plausible header, as line noise makes it.
    const Bytes stray = {0x7E, boot::kData, 0x00, 0x00, 0x60, 0x00, 0x12, 0x34};
    Bytes damaged = Frame(9);
    damaged[12] ^= 0x01;
    const struct {
        const char* name;
        Bytes stream;
        std::vector<uint16_t> found;
        size_t badFrames;
    } cases[] = {
        {"clean", Frame(1) + Frame(2), {1, 2}, 0},
        {"bytes before the start", Bytes{0x00, 0x11, 0x7E} + Frame(1), {1}, 0},
        {"stray start claiming the frames behind it",
         stray + Frame(1) + Frame(2) + Frame(3) + Frame(4) + Frame(5),
         {1, 2, 3, 4, 5},
         1},
        {"damaged frame", damaged + Frame(10), {10}, 1},
        {"unknown command", Bytes{0x7E, 0x7E, 0x55} + Frame(1), {1}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boot::Decoder decoder;
        // Byte by byte, as a slow line delivers them.
        std::vector<uint16_t> found;
        for (uint8_t b : c.stream) {
            decoder.Feed(&b, 1);
            while (auto frame = decoder.Next())
                found.push_back(frame->sequence);
        }
        EXPECT_EQ(found, c.found);
        EXPECT_EQ(decoder.BadFrames(), c.badFrames);
    }
}

TEST(BootDecoder, ResyncGivesUpAFrameWhoseRestNeverComes)
{
    const Bytes stream = Bytes{0x7E, boot::kAck, 0x00, 0x00, 0x00, 0x04} + Frame(7);
    boot::Decoder decoder;
    decoder.Feed(stream.data(), stream.size());
    EXPECT_FALSE(decoder.Next());
    decoder.Resync();
    const auto frame = decoder.Next();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->sequence, 7);
}

} // namespace

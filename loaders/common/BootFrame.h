#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tbload {

// Frames of the boot protocol, both directions (see loaders/README.md):
//   7E | command | sequence (2, LE) | length (2, LE) | payload | CRC-32 (4, LE)
// The CRC covers command to payload.
namespace boot {

constexpr uint8_t kStart = 0x7E;
constexpr size_t kHeaderSize = 6;
constexpr size_t kTrailerSize = 4;
constexpr size_t kMaxBlock = 4096;
constexpr size_t kMaxPayload = kMaxBlock + 4;

// Loader -> target
constexpr uint8_t kHello = 0x01;  // payload: protocol tag (4 bytes)
constexpr uint8_t kErase = 0x02;  // offset (4), length (4)
constexpr uint8_t kData = 0x03;   // offset (4), bytes
constexpr uint8_t kVerify = 0x04; // offset (4), length (4)
constexpr uint8_t kReset = 0x05;  // none
// Target -> loader
constexpr uint8_t kHelloAck = 0x81; // maker (2), device (2), flash size (4), largest block (2)
constexpr uint8_t kAck = 0x82;      // none; the sequence of the frame it accepts
constexpr uint8_t kNak = 0x83;      // reason (1)
constexpr uint8_t kCrc = 0x84;      // CRC-32 of the range (4)

// NAK reasons
constexpr uint8_t kNakChecksum = 0x01;
constexpr uint8_t kNakRange = 0x02; // outside the flash
constexpr uint8_t kNakNotErased = 0x03;
constexpr uint8_t kNakCommand = 0x04; // unknown command or malformed payload
constexpr uint8_t kNakOrder = 0x05;   // a frame came ahead of the one awaited (whose sequence the NAK carries)

// The commands of both directions; a start mark followed by anything else is
// no frame.
constexpr bool IsCommand(uint8_t c) { return (c >= kHello && c <= kReset) || (c >= kHelloAck && c <= kCrc); }

// Protocol tags carried by HELLO: a target answers only its own.
constexpr uint8_t kTagSc14428[4] = {'S', 'C', '2', '8'};
constexpr uint8_t kTagRfl[4] = {'R', 'F', 'L', '1'};

// The longest a target may be busy before it answers, on top of the line time.
// Erasing one 64 KiB sector, where the target's configuration does not say:
// flash parts take up to a second and more.
constexpr int kEraseMsPerSector = 2000;
constexpr int kProgramBusyMs = 20; // one block
constexpr int kVerifyBusyMs = 200; // CRC over the image

struct Frame {
    uint8_t command = 0;
    uint16_t sequence = 0;
    std::vector<uint8_t> payload;
};

std::vector<uint8_t> Encode(const Frame& frame);

void PutU16(std::vector<uint8_t>& out, uint16_t v);
void PutU32(std::vector<uint8_t>& out, uint32_t v);
uint16_t GetU16(const uint8_t* p);
uint32_t GetU32(const uint8_t* p);

// Finds frames in a byte stream. Bytes before a start mark are skipped; so
// is a start mark whose header cannot begin a frame (unknown command, length
// beyond any frame) or whose frame fails its CRC: the search goes on at the
// next 7Eh after it, not behind the span it claimed, so a stray 7Eh on the
// line cannot hide the real frames that follow it.
class Decoder {
public:
    void Feed(const uint8_t* data, size_t size);
    std::optional<Frame> Next();
    // Gives up the frame begun at the front (its rest did not come in time)
    // and searches on after its start mark.
    void Resync();
    [[nodiscard]] size_t Skipped() const { return m_skipped; }
    // Frames that failed their CRC, each damaged stretch of the line counted
    // once: the false starts inside a damaged frame's span do not count again.
    [[nodiscard]] size_t BadFrames() const { return m_badFrames; }
    [[nodiscard]] size_t Buffered() const { return m_buffer.size() - m_pos; }
    // Where in the stream the search stands: unchanged while a frame is pending.
    [[nodiscard]] uint64_t Position() const { return m_dropped + m_pos; }
    void Clear();

private:
    std::vector<uint8_t> m_buffer;
    size_t m_pos = 0;
    uint64_t m_dropped = 0;      // stream position of m_buffer[0]
    uint64_t m_damagedUntil = 0; // stream position where the last damaged span ends
    size_t m_skipped = 0;
    size_t m_badFrames = 0;
};

} // namespace boot
} // namespace tbload

#include "BootFrame.h"

#include "Crc32.h"

#include <algorithm>

namespace tbload::boot {

void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, uint16_t(v));
    PutU16(out, uint16_t(v >> 16));
}

uint16_t GetU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t GetU32(const uint8_t* p) { return uint32_t(GetU16(p)) | uint32_t(GetU16(p + 2)) << 16; }

std::vector<uint8_t> Encode(const Frame& frame)
{
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + frame.payload.size() + kTrailerSize);
    out.push_back(kStart);
    out.push_back(frame.command);
    PutU16(out, frame.sequence);
    PutU16(out, uint16_t(frame.payload.size()));
    out.insert(out.end(), frame.payload.begin(), frame.payload.end());
    PutU32(out, Crc32(out.data() + 1, out.size() - 1));
    return out;
}

void Decoder::Feed(const uint8_t* data, size_t size)
{
    if (m_pos > 0 && m_pos >= m_buffer.size() / 2) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + ptrdiff_t(m_pos));
        m_dropped += m_pos;
        m_pos = 0;
    }
    m_buffer.insert(m_buffer.end(), data, data + size);
}

void Decoder::Clear()
{
    m_dropped += m_buffer.size();
    m_buffer.clear();
    m_pos = 0;
}

void Decoder::Resync()
{
    if (m_pos < m_buffer.size()) {
        ++m_pos;
        ++m_skipped;
    }
}

std::optional<Frame> Decoder::Next()
{
    for (;;) {
        while (m_pos < m_buffer.size() && m_buffer[m_pos] != kStart) {
            ++m_pos;
            ++m_skipped;
        }
        const size_t available = m_buffer.size() - m_pos;
        const uint8_t* head = m_buffer.data() + m_pos;
        if (available >= 2 && !IsCommand(head[1])) {
            Resync();
            continue;
        }
        if (available < kHeaderSize)
            return std::nullopt;
        const size_t length = GetU16(head + 4);
        if (length > kMaxPayload) {
            Resync();
            continue;
        }
        const size_t total = kHeaderSize + length + kTrailerSize;
        if (available < total)
            return std::nullopt;
        const uint32_t crc = GetU32(head + kHeaderSize + length);
        if (Crc32(head + 1, kHeaderSize - 1 + length) != crc) {
            const uint64_t at = m_dropped + m_pos;
            if (at >= m_damagedUntil)
                ++m_badFrames;
            m_damagedUntil = std::max(m_damagedUntil, at + total);
            Resync();
            continue;
        }
        Frame frame;
        frame.command = head[1];
        frame.sequence = GetU16(head + 2);
        frame.payload.assign(head + kHeaderSize, head + kHeaderSize + length);
        m_pos += total;
        return frame;
    }
}

} // namespace tbload::boot

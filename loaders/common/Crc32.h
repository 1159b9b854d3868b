#pragma once

#include <cstddef>
#include <cstdint>

namespace tbload {

// CRC-32 (IEEE 802.3, reflected, as zlib): start with 0, feed pieces in order.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

} // namespace tbload

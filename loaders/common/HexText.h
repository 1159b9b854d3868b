#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tbload {

// An address or CRC as the loaders' logs show it: eight upper-case hex digits.
inline std::string Hex8(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

} // namespace tbload

// Intel HEX files as the flash loader reads them before it takes the port.
#include "IntelHex.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // A small span keeps every image cheap; the rule it checks is the same.
    constexpr std::uint32_t maxSpan = 64u << 10;
    const tbload::HexResult result = tbload::ParseIntelHex(text, maxSpan);
    if (result.status == tbload::HexResult::Status::Ok &&
        (result.image.data.empty() || result.image.data.size() > maxSpan ||
         std::uint64_t(result.image.offset) + result.image.data.size() > 0x100000000ull))
        __builtin_trap();
    if (result.status == tbload::HexResult::Status::Malformed && result.message.empty())
        __builtin_trap();
    return 0;
}

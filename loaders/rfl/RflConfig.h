#pragma once

#include "BootFrame.h"

#include <cstdint>
#include <string>

namespace tbload {

// A target configuration file ("CFG/<name>.cfg"): lines "key = value", '#'
// starts a comment. Keys: name (text), baud (rate), block (bytes per block,
// 64..4096), flash (flash size in bytes, at most 16 MiB), and optionally erase
// (ms one 64 KiB sector may take to erase, 1..600000).
struct RflConfig {
    std::string name;
    int baud = 0;
    uint32_t block = 0;
    uint32_t flashSize = 0;
    int eraseMs = boot::kEraseMsPerSector;
};

// False with a message naming the line or key at fault.
bool ReadRflConfig(const std::string& path, RflConfig* config, std::string* error);

} // namespace tbload

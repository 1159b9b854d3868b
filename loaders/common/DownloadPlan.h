#pragma once

#include "BootClient.h"
#include "IntelHex.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tbload {

// The commands that bring an image into a target's flash, sent as one stream:
// one ERASE over every 64 KiB sector the image touches, then its blocks. The
// blocks after the ERASE travel while the target erases. A block that holds
// only FFh is left out, and so are the FFh at either end of a block, since
// the erase leaves them so; the VERIFY after the
// stream covers the whole image, so a gap that is not FFh still shows.
struct DownloadPlan {
    static constexpr uint32_t kSectorSize = 64 * 1024;
    // Frames are numbered in 16 bits: a longer stream would reuse numbers.
    static constexpr size_t kMaxCommands = 65535;

    std::vector<BootClient::Command> commands; // commands[0] is the ERASE
    std::vector<uint32_t> addresses;           // of each command: sector start, then block addresses
    std::vector<uint32_t> ends;                // how far into the image each command brings it (bytes)
    uint32_t sectors = 0;
};

// block: the largest block both sides allow; eraseMs: the time one sector may take.
DownloadPlan PlanDownload(const HexImage& image, uint32_t block, int eraseMs);
// Why a plan of more than kMaxCommands cannot go.
std::string TooManyFramesMessage(const DownloadPlan& plan, uint32_t block);

} // namespace tbload

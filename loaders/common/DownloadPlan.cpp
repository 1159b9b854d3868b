#include "DownloadPlan.h"

#include <algorithm>

namespace tbload {

DownloadPlan PlanDownload(const HexImage& image, uint32_t block, int eraseMs)
{
    DownloadPlan plan;
    const uint64_t end = uint64_t(image.offset) + image.data.size();
    const uint64_t eraseFirst = image.offset / DownloadPlan::kSectorSize * DownloadPlan::kSectorSize;
    plan.sectors = uint32_t((end - eraseFirst + DownloadPlan::kSectorSize - 1) / DownloadPlan::kSectorSize);
    plan.commands.push_back(
        BootClient::Erase(uint32_t(eraseFirst), plan.sectors * DownloadPlan::kSectorSize, eraseMs * int(plan.sectors)));
    plan.addresses.push_back(uint32_t(eraseFirst));
    plan.ends.push_back(0);
    const uint8_t* data = image.data.data();
    for (size_t done = 0; done < image.data.size(); done += block) {
        // Erased bytes at either end of a block are left out as well.
        size_t from = done, to = std::min<size_t>(done + block, image.data.size());
        while (from < to && data[from] == 0xFF)
            ++from;
        while (to > from && data[to - 1] == 0xFF)
            --to;
        if (from == to)
            continue;
        plan.commands.push_back(BootClient::Data(image.offset + uint32_t(from), data + from, to - from));
        plan.addresses.push_back(image.offset + uint32_t(from));
        plan.ends.push_back(uint32_t(std::min<size_t>(done + block, image.data.size())));
    }
    return plan;
}

std::string TooManyFramesMessage(const DownloadPlan& plan, uint32_t block)
{
    return "The software needs " + std::to_string(plan.commands.size()) + " frames with blocks of " +
           std::to_string(block) + " bytes; one download numbers at most " +
           std::to_string(DownloadPlan::kMaxCommands) + ": larger blocks are needed";
}

} // namespace tbload

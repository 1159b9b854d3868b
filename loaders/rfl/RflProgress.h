#pragma once

#include "DownloadSequence.h"
#include "RflConsole.h"

#include <atomic>
#include <chrono>

namespace tbload {

// Every step of an RFL download as console text: the search line rewritten
// in place, the erase dots, the programming percentage, the checksum line.
class RflProgress : public DownloadReport {
public:
    RflProgress(const RflConsole& console, const std::atomic<bool>& cancel, size_t imageSize, int searchMs)
        : m_console(console), m_cancel(cancel), m_imageSize(imageSize), m_searchMs(searchMs)
    {}

    void Searching() override;
    void SearchTry() override;
    void NotFound(BootClient::Status why) override;
    void Found(const TargetInfo& target) override;
    void TooLarge(uint64_t imageEnd, uint32_t flashSize) override;
    void TooManyFrames(const DownloadPlan& plan, uint32_t block) override;
    void Erasing(const DownloadPlan&) override { m_console.Print("Erasing "); }
    void Taken(const DownloadPlan& plan, size_t index) override;
    void Programmed() override;
    void Failed(Step step, const BootClient::Result& result, uint32_t address) override;
    void CrcError(uint32_t fileCrc, uint32_t targetCrc) override;
    void CrcOk(uint32_t fileCrc, uint32_t targetCrc, int resends) override;
    void Reset(bool confirmed) override;

private:
    [[nodiscard]] static std::string Failure(const BootClient::Result& result, const std::string& what,
                                             uint32_t address);

    const RflConsole& m_console;
    const std::atomic<bool>& m_cancel;
    size_t m_imageSize;
    int m_searchMs;
    std::chrono::steady_clock::time_point m_searchStart;
    int m_secondsShown = -1;
    int m_percentShown = -1;
};

} // namespace tbload

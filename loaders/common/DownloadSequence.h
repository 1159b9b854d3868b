#pragma once

#include "BootClient.h"
#include "DownloadPlan.h"
#include "IntelHex.h"

#include <cstdint>

namespace tbload {

// What a loader tells its user at each step of a download, each loader in
// its own way (console text, indications).
class DownloadReport {
public:
    enum class Step { Erase, Block, Verify };

    virtual ~DownloadReport() = default;
    virtual void Searching() = 0;
    virtual void SearchTry() {}
    // Stopped, Lost or NoAnswer.
    virtual void NotFound(BootClient::Status why) = 0;
    virtual void Found(const TargetInfo& target) = 0;
    virtual void TooLarge(uint64_t imageEnd, uint32_t flashSize) = 0;
    virtual void TooManyFrames(const DownloadPlan& plan, uint32_t block) = 0;
    virtual void Erasing(const DownloadPlan& plan) = 0;
    // The target took command `index` of the plan (0: the erase).
    virtual void Taken(const DownloadPlan& plan, size_t index) = 0;
    virtual void Programmed() = 0;
    // Verify: status Ok means an answer that holds no CRC.
    virtual void Failed(Step step, const BootClient::Result& result, uint32_t address) = 0;
    virtual void CrcError(uint32_t fileCrc, uint32_t targetCrc) = 0;
    virtual void CrcOk(uint32_t fileCrc, uint32_t targetCrc, int resends) = 0;
    virtual void Reset(bool confirmed) = 0;

    [[nodiscard]] static const char* Name(Step step);
};

struct DownloadSettings {
    const uint8_t (*tag)[4] = &boot::kTagSc14428; // the protocol tag of HELLO
    int searchMs = 5000;
    uint32_t largestBlock = 4096; // the loader's own; the target may lower it
    int eraseMs = boot::kEraseMsPerSector;
};

// One download on an open port, the same for both loaders: find the target,
// check the size, plan, stream the erase and the blocks, VERIFY, RESET.
class DownloadSequence {
public:
    enum class Outcome { Done, NoTarget, NoAnswer, Refused, Failed };

    DownloadSequence(SerialDevice& port, int baud, DownloadSettings settings, DownloadReport& report)
        : m_client(port, baud), m_settings(settings), m_report(report)
    {}
    Outcome Run(const HexImage& image);

private:
    // The plan for the target found, or nothing after reporting why not.
    std::optional<DownloadPlan> Prepare(const HexImage& image, Outcome* outcome);
    Outcome Program(const DownloadPlan& plan);
    Outcome Check(const HexImage& image);
    Outcome Failed(DownloadReport::Step step, const BootClient::Result& result, uint32_t address);

    BootClient m_client;
    DownloadSettings m_settings;
    DownloadReport& m_report;
};

} // namespace tbload

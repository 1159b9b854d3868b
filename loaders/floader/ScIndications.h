#pragma once

#include "DownloadSequence.h"
#include "floader.h"

#include <cstdint>
#include <string>

namespace tbload {

// Every step of an SC14428 download as the indication records of libfloader.
class ScIndications : public DownloadReport {
public:
    ScIndications(uint16_t loaderId, FLoaderIndicationHandler handler) : m_loaderId(loaderId), m_handler(handler) {}

    void Report(uint16_t type, uint32_t value = 0, uint32_t value2 = 0) const;
    void ReportWords(uint16_t type, uint16_t word1, uint16_t word2 = 0) const;
    void ReportText(const std::string& text) const;

    void Searching() override { Report(COM_PORT_SEARCHING_IND); }
    void NotFound(BootClient::Status why) override;
    void Found(const TargetInfo& target) override;
    void TooLarge(uint64_t imageEnd, uint32_t flashSize) override;
    void TooManyFrames(const DownloadPlan& plan, uint32_t block) override;
    void Erasing(const DownloadPlan&) override { Report(CHIP_ERASE_START_IND); }
    void Taken(const DownloadPlan& plan, size_t index) override;
    void Programmed() override { Report(PROGRAMMING_SUCCESS_IND); }
    void Failed(Step step, const BootClient::Result& result, uint32_t address) override;
    void CrcError(uint32_t fileCrc, uint32_t targetCrc) override;
    void CrcOk(uint32_t fileCrc, uint32_t targetCrc, int resends) override;
    void Reset(bool confirmed) override;

private:
    [[nodiscard]] FLoaderIndication Record(uint16_t type) const;
    void LinkFailure(BootClient::Status status, const std::string& what, uint32_t address) const;

    uint16_t m_loaderId;
    FLoaderIndicationHandler m_handler;
};

} // namespace tbload

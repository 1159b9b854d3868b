#include "ScIndications.h"

#include "HexText.h"

#include <cstring>

namespace tbload {

FLoaderIndication ScIndications::Record(uint16_t type) const
{
    FLoaderIndication r{};
    r.Type = type;
    r.LoaderId = m_loaderId;
    return r;
}

void ScIndications::Report(uint16_t type, uint32_t value, uint32_t value2) const
{
    FLoaderIndication r = Record(type);
    r.Data.Values.Value = value;
    r.Data.Values.Value2 = value2;
    m_handler(&r);
}

void ScIndications::ReportWords(uint16_t type, uint16_t word1, uint16_t word2) const
{
    FLoaderIndication r = Record(type);
    r.Data.Words.Word1 = word1;
    r.Data.Words.Word2 = word2;
    m_handler(&r);
}

void ScIndications::ReportText(const std::string& text) const
{
    FLoaderIndication r = Record(TEXT_INFO_IND);
    std::strncpy(r.Data.Text, text.c_str(), sizeof r.Data.Text - 1);
    m_handler(&r);
}

void ScIndications::LinkFailure(BootClient::Status status, const std::string& what, uint32_t address) const
{
    using S = BootClient::Status;
    switch (status) {
    case S::Stopped:
        ReportText("Stopped by the user");
        Report(DOWNLOAD_FAILED_IND);
        return;
    case S::Lost:
        ReportText("Serial port lost during " + what);
        Report(COMMUNICATION_ERROR_IND);
        return;
    case S::NoAnswer:
        ReportText("No answer to " + what + " at " + Hex8(address));
        Report(COMMUNICATION_ERROR_IND);
        return;
    case S::Refused:
    case S::Ok:
        break;
    }
}

void ScIndications::NotFound(BootClient::Status why)
{
    if (why == BootClient::Status::NoAnswer)
        Report(COM_PORT_SEARCHING_TIMEOUT_IND);
    else
        LinkFailure(why, "the search", 0);
}

void ScIndications::Found(const TargetInfo& target)
{
    Report(COM_PORT_FOUND_IND);
    ReportWords(FLASHTYPE_IND, target.maker, target.device);
}

void ScIndications::TooLarge(uint64_t imageEnd, uint32_t flashSize)
{
    ReportText("Image ends at " + Hex8(uint32_t(imageEnd)) + ", beyond the flash of " + Hex8(flashSize) + " bytes");
    Report(DOWNLOAD_FAILED_IND);
}

void ScIndications::TooManyFrames(const DownloadPlan& plan, uint32_t block)
{
    ReportText(TooManyFramesMessage(plan, block));
    Report(DOWNLOAD_FAILED_IND);
}

void ScIndications::Taken(const DownloadPlan& plan, size_t index)
{
    if (index == 0)
        Report(CHIP_ERASE_FINISHED_IND);
    else
        Report(PROGRAM_PROGRESS_IND, plan.addresses[index]);
}

void ScIndications::Failed(Step step, const BootClient::Result& result, uint32_t address)
{
    if (result.status == BootClient::Status::Refused) {
        ReportText(std::string(Name(step)) + " at " + Hex8(address) + " refused by the target");
        ReportWords(MAIL_ERROR_IND, result.nakReason);
    }
    else // an answer without a CRC counts as none
        LinkFailure(result.status == BootClient::Status::Ok ? BootClient::Status::NoAnswer : result.status, Name(step),
                    address);
}

void ScIndications::CrcError(uint32_t fileCrc, uint32_t targetCrc)
{
    Report(CRC_ERROR_IND, fileCrc, targetCrc);
    Report(DOWNLOAD_FAILED_IND);
}

void ScIndications::CrcOk(uint32_t fileCrc, uint32_t targetCrc, int resends)
{
    Report(CRC_OK_IND, fileCrc, targetCrc);
    if (resends > 0)
        ReportText(std::to_string(resends) + " frame(s) sent again");
    Report(DOWNLOAD_SUCCESS_IND);
}

void ScIndications::Reset(bool confirmed)
{
    if (confirmed)
        Report(RESET_TARGET_IND);
    else
        ReportText("The target did not confirm the reset; switch it off and on");
}

} // namespace tbload

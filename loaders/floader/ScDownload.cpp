#include "ScDownload.h"

#include "BootClient.h"
#include "Crc32.h"
#include "DownloadPlan.h"

#include "HexText.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace tbload {

ScDownload::ScDownload(uint16_t loaderId, FLoaderIndicationHandler handler, int baud, HexResult hex)
    : m_loaderId(loaderId), m_handler(handler), m_baud(baud), m_hex(std::move(hex))
{}

SerialDevice::OpenError ScDownload::OpenPort(const std::string& path) { return m_port.Open(path, m_baud); }

void ScDownload::Report(uint16_t type, uint32_t value, uint32_t value2)
{
    FLoaderIndication r{};
    r.Type = type;
    r.LoaderId = m_loaderId;
    r.Data.Values.Value = value;
    r.Data.Values.Value2 = value2;
    m_handler(&r);
}

void ScDownload::ReportWords(uint16_t type, uint16_t word1, uint16_t word2)
{
    FLoaderIndication r{};
    r.Type = type;
    r.LoaderId = m_loaderId;
    r.Data.Words.Word1 = word1;
    r.Data.Words.Word2 = word2;
    m_handler(&r);
}

void ScDownload::ReportText(const std::string& text)
{
    FLoaderIndication r{};
    r.Type = TEXT_INFO_IND;
    r.LoaderId = m_loaderId;
    std::strncpy(r.Data.Text, text.c_str(), sizeof r.Data.Text - 1);
    m_handler(&r);
}

void ScDownload::Run()
{
    const auto start = std::chrono::steady_clock::now();
    Report(START_PROGRAM_IND);
    Download();
    m_port.Close();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    Report(STOP_PROGRAM_IND, uint32_t(ms.count()));
}

void ScDownload::ReportLinkFailure(int status, const std::string& what, uint32_t address)
{
    using S = BootClient::Status;
    switch (S(status)) {
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

bool ScDownload::Download()
{
    if (m_hex.status != HexResult::Status::Ok) {
        ReportText(m_hex.message);
        Report(HEX_FILE_ERROR_IND);
        return false;
    }
    const HexImage& image = m_hex.image;
    Report(PROGRAM_OFFSET_IND, image.offset);
    Report(PROGRAM_SIZE_IND, uint32_t(image.data.size()));
    // The port opened with both lines low: the target boots undisturbed.
    ReportWords(COMPORT_CTRL_IND, FLOADER_DTR_CLR);
    ReportWords(COMPORT_CTRL_IND, FLOADER_RTS_CLR);
    Report(READY_TO_DOWNLOAD_IND);

    BootClient client(m_port, m_baud);
    Report(COM_PORT_SEARCHING_IND);
    const auto target = client.Search(boot::kTagSc14428, kSearchMs);
    if (!target) {
        if (m_port.Interrupted())
            ReportLinkFailure(int(BootClient::Status::Stopped), "the search", 0);
        else if (m_port.Lost())
            ReportLinkFailure(int(BootClient::Status::Lost), "the search", 0);
        else
            Report(COM_PORT_SEARCHING_TIMEOUT_IND);
        return false;
    }
    Report(COM_PORT_FOUND_IND);
    ReportWords(FLASHTYPE_IND, target->maker, target->device);
    const uint64_t end = uint64_t(image.offset) + image.data.size();
    if (end > target->flashSize) {
        ReportText("Image ends at " + Hex8(uint32_t(end)) + ", beyond the flash of " + Hex8(target->flashSize) +
                   " bytes");
        Report(DOWNLOAD_FAILED_IND);
        return false;
    }

    auto failed = [&](const BootClient::Result& r, const std::string& what, uint32_t address) {
        if (r.status == BootClient::Status::Refused) {
            ReportText(what + " at " + Hex8(address) + " refused by the target");
            ReportWords(MAIL_ERROR_IND, r.nakReason);
        }
        else
            ReportLinkFailure(int(r.status), what, address);
        return false;
    };

    // The largest block both sides allow; erase and blocks go as one stream.
    const uint32_t block =
        std::min<uint32_t>(boot::kMaxBlock, target->largestBlock ? target->largestBlock : boot::kMaxBlock);
    const DownloadPlan plan = PlanDownload(image, block, boot::kEraseMsPerSector);
    if (plan.commands.size() > DownloadPlan::kMaxCommands) {
        ReportText(TooManyFrames(plan, block));
        Report(DOWNLOAD_FAILED_IND);
        return false;
    }
    Report(CHIP_ERASE_START_IND);
    const auto r = client.Stream(plan.commands, [&](size_t i) {
        if (i == 0)
            Report(CHIP_ERASE_FINISHED_IND);
        else
            Report(PROGRAM_PROGRESS_IND, plan.addresses[i]);
    });
    if (r.status != BootClient::Status::Ok)
        return failed(r, r.index == 0 ? "erase" : "block", plan.addresses[r.index]);
    Report(PROGRAMMING_SUCCESS_IND);

    std::vector<uint8_t> range;
    boot::PutU32(range, image.offset);
    boot::PutU32(range, uint32_t(image.data.size()));
    const auto verify = client.Exchange(boot::kVerify, range, boot::kVerifyBusyMs);
    if (verify.status != BootClient::Status::Ok || verify.answer.command != boot::kCrc ||
        verify.answer.payload.size() < 4)
        return verify.status == BootClient::Status::Ok
                   ? failed({BootClient::Status::NoAnswer, {}, 0}, "verify", image.offset)
                   : failed(verify, "verify", image.offset);
    const uint32_t fileCrc = Crc32(image.data.data(), image.data.size());
    const uint32_t targetCrc = boot::GetU32(verify.answer.payload.data());
    if (fileCrc != targetCrc) {
        Report(CRC_ERROR_IND, fileCrc, targetCrc);
        Report(DOWNLOAD_FAILED_IND);
        return false;
    }
    Report(CRC_OK_IND, fileCrc, targetCrc);
    if (client.Resends() > 0)
        ReportText(std::to_string(client.Resends()) + " frame(s) sent again");
    Report(DOWNLOAD_SUCCESS_IND);
    const auto reset = client.Exchange(boot::kReset, {});
    if (reset.status == BootClient::Status::Ok)
        Report(RESET_TARGET_IND);
    else
        ReportText("The target did not confirm the reset; switch it off and on");
    return true;
}

} // namespace tbload

#include "ScDownload.h"

#include "DownloadSequence.h"

#include <chrono>

namespace tbload {

ScDownload::ScDownload(uint16_t loaderId, FLoaderIndicationHandler handler, int baud, HexResult hex)
    : m_loaderId(loaderId), m_report(loaderId, handler), m_baud(baud), m_hex(std::move(hex))
{}

SerialDevice::OpenError ScDownload::OpenPort(const std::string& path) { return m_port.Open(path, m_baud); }

void ScDownload::Run()
{
    const auto start = std::chrono::steady_clock::now();
    m_report.Report(START_PROGRAM_IND);
    Download();
    m_port.Close();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    m_report.Report(STOP_PROGRAM_IND, uint32_t(ms.count()));
}

bool ScDownload::Download()
{
    if (m_hex.status != HexResult::Status::Ok) {
        m_report.ReportText(m_hex.message);
        m_report.Report(HEX_FILE_ERROR_IND);
        return false;
    }
    const HexImage& image = m_hex.image;
    m_report.Report(PROGRAM_OFFSET_IND, image.offset);
    m_report.Report(PROGRAM_SIZE_IND, uint32_t(image.data.size()));
    // The port opened with both lines low: the target boots undisturbed.
    m_report.ReportWords(COMPORT_CTRL_IND, FLOADER_DTR_CLR);
    m_report.ReportWords(COMPORT_CTRL_IND, FLOADER_RTS_CLR);
    m_report.Report(READY_TO_DOWNLOAD_IND);
    DownloadSettings settings;
    settings.tag = &boot::kTagSc14428;
    settings.searchMs = kSearchMs;
    settings.largestBlock = boot::kMaxBlock;
    return DownloadSequence(m_port, m_baud, settings, m_report).Run(image) == DownloadSequence::Outcome::Done;
}

} // namespace tbload

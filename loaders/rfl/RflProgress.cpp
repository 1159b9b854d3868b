#include "RflProgress.h"

#include "HexText.h"

#include <cstdio>

namespace tbload {

using Status = BootClient::Status;

void RflProgress::Searching()
{
    m_console.Print("Searching for the target\n");
    m_searchStart = std::chrono::steady_clock::now();
}

void RflProgress::SearchTry()
{
    // Console style: the search line is rewritten in place.
    const auto elapsed = std::chrono::steady_clock::now() - m_searchStart;
    const int left =
        int((m_searchMs - std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() + 999) / 1000);
    if (left == m_secondsShown)
        return;
    m_secondsShown = left;
    m_console.Print("\r");
    m_console.Print("\r");
    m_console.Print("Searching for the target ... " + std::to_string(left) + " s");
}

void RflProgress::NotFound(Status why)
{
    if (m_cancel || why == Status::Stopped)
        m_console.Print("Cancelled\n");
    else if (why == Status::Lost)
        m_console.Print("Serial port lost\n");
    else
        m_console.Print("No answer from the target: is it switched on?\n");
}

void RflProgress::Found(const TargetInfo& target)
{
    m_console.Print("Target found: flash " + std::to_string(target.flashSize / 1024) + " KiB\n");
}

void RflProgress::TooLarge(uint64_t, uint32_t) { m_console.Print("The software does not fit this target's flash\n"); }

void RflProgress::TooManyFrames(const DownloadPlan& plan, uint32_t block)
{
    m_console.Print(TooManyFramesMessage(plan, block) + "\n");
}

void RflProgress::Taken(const DownloadPlan& plan, size_t index)
{
    if (index == 0) {
        m_console.Print(std::string(plan.sectors, '.'));
        m_console.Print("\nErased");
        m_console.Print("\n"); // the line the programming progress takes
        m_console.Print("Programming .");
        return;
    }
    const int percent = int(uint64_t(plan.ends[index]) * 100 / m_imageSize);
    if (percent == m_percentShown)
        return;
    m_percentShown = percent;
    char text[16];
    std::snprintf(text, sizeof text, "%4d %%", percent);
    m_console.Print(text);
}

void RflProgress::Programmed()
{
    if (m_percentShown < 100)
        m_console.Print(" 100 %");
}

std::string RflProgress::Failure(const BootClient::Result& result, const std::string& what, uint32_t address)
{
    switch (result.status) {
    case Status::Stopped:
        return "cancelled";
    case Status::Lost:
        return "serial port lost during " + what;
    case Status::Refused:
        return what + " at " + Hex8(address) + " refused (reason " + std::to_string(result.nakReason) + ")";
    case Status::NoAnswer:
    case Status::Ok:
        break;
    }
    return "target stopped answering at " + what + " " + Hex8(address);
}

void RflProgress::Failed(Step step, const BootClient::Result& result, uint32_t address)
{
    if (step == Step::Erase)
        m_console.Print("\nErase failed: " + Failure(result, Name(step), address));
    else // "Checksum" ends the programming display of a console window.
        m_console.Print("\r\nChecksum not checked: " + Failure(result, Name(step), address) + "\n");
}

void RflProgress::CrcError(uint32_t fileCrc, uint32_t targetCrc)
{
    m_console.Print("\r\nChecksum ERROR: file " + Hex8(fileCrc) + ", target " + Hex8(targetCrc) + "\n");
}

void RflProgress::CrcOk(uint32_t, uint32_t, int resends)
{
    m_console.Print("\r\nChecksum OK\n");
    if (resends > 0)
        m_console.Print(std::to_string(resends) + " block(s) sent again\n");
}

void RflProgress::Reset(bool confirmed)
{
    if (!confirmed)
        m_console.Print("The target did not confirm the reset: switch it off and on\n");
}

} // namespace tbload

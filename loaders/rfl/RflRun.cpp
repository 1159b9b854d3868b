#include "RflRun.h"

#include "BootClient.h"
#include "ComPort.h"
#include "Crc32.h"
#include "DownloadPlan.h"
#include "IntelHex.h"
#include "RflConfig.h"

#include "HexText.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace tbload {

namespace {

// Box drawing of code page 437.
const std::string kTop = "\xDA" + std::string(46, '\xC4') + "\xBF\n";
const std::string kBottom = "\xC0" + std::string(46, '\xC4') + "\xD9\n";

struct PortGuard {
    std::atomic<SerialDevice*>& active;
    ~PortGuard() { active = nullptr; }
};

} // namespace

void RflRunner::Banner() const
{
    char version[64];
    std::snprintf(version, sizeof version, "\xB3 RFL flash loader %d.%d%*s\xB3\n", RflGetVersion() >> 8,
                  RflGetVersion() & 0xFF, 24, "");
    m_console.Print(kTop);
    m_console.Print(version);
    m_console.Print(kBottom);
}

int RflRunner::Run(const std::vector<std::string>& arguments)
{
    Banner();
    std::string configPath, softwarePath;
    int com = 0;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a.rfind("-@", 0) == 0)
            configPath = a.substr(2);
        else if (a.rfind("-c=", 0) == 0)
            com = std::atoi(a.c_str() + 3);
        else if (!a.empty() && a[0] != '-')
            softwarePath = a;
    }
    if (configPath.empty() || softwarePath.empty() || com < 1 || com > 255) {
        m_console.Print("Usage: rfl -@<configuration> <software file> -c=<COM port>\n");
        return RFL_RESULT_BAD_INPUT;
    }
    RflConfig config;
    std::string error;
    if (!ReadRflConfig(configPath, &config, &error)) {
        m_console.Print("Configuration: " + error + "\n");
        return RFL_RESULT_BAD_INPUT;
    }
    const HexResult hex = ReadIntelHex(softwarePath, config.flashSize);
    if (hex.status != HexResult::Status::Ok) {
        m_console.Print("Software file " + softwarePath + ": " + hex.message + "\n");
        return RFL_RESULT_BAD_INPUT;
    }
    if (uint64_t(hex.image.offset) + hex.image.data.size() > config.flashSize) {
        m_console.Print("Software file does not fit the flash of " + std::to_string(config.flashSize) + " bytes\n");
        return RFL_RESULT_BAD_INPUT;
    }
    m_console.Print("Target:   " + config.name + "\n");
    m_console.Print("Software: " + softwarePath + "\n");
    return Download(config, hex.image, com);
}

int RflRunner::Download(const RflConfig& config, const HexImage& image, int com)
{
    using Status = BootClient::Status;
    SerialDevice port;
    const auto opened = port.Open(DevicePathOfCom(com), config.baud);
    if (opened != SerialDevice::OpenError::None) {
        m_console.Print("COM" + std::to_string(com) + ": " + SerialDevice::Describe(opened) + "\n");
        return RFL_RESULT_PORT;
    }
    m_activePort = &port;
    PortGuard guard{m_activePort};
    if (Cancelled())
        port.Interrupt();

    m_console.Print("Switch the target on and press a key to start (Esc cancels)\n");
    if (m_console.Key() == kEscape || Cancelled()) {
        m_console.Print("Cancelled\n");
        return RFL_RESULT_FAILED;
    }

    // Console style: the search line is rewritten in place.
    m_console.Print("Searching for the target\n");
    BootClient client(port, config.baud);
    const auto start = std::chrono::steady_clock::now();
    int lastShown = -1;
    const auto target = client.Search(boot::kTagRfl, kSearchMs, [&](int) {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        const int left =
            int((kSearchMs - std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() + 999) / 1000);
        if (left != lastShown) {
            lastShown = left;
            m_console.Print("\r");
            m_console.Print("\r");
            m_console.Print("Searching for the target ... " + std::to_string(left) + " s");
        }
    });
    if (!target) {
        if (Cancelled() || port.Interrupted())
            m_console.Print("Cancelled\n");
        else if (port.Lost())
            m_console.Print("Serial port lost\n");
        else
            m_console.Print("No answer from the target: is it switched on?\n");
        return Cancelled() || port.Lost() ? RFL_RESULT_FAILED : RFL_RESULT_NO_TARGET;
    }
    m_console.Print("Target found: flash " + std::to_string(target->flashSize / 1024) + " KiB\n");
    const uint64_t end = uint64_t(image.offset) + image.data.size();
    if (end > target->flashSize) {
        m_console.Print("The software does not fit this target's flash\n");
        return RFL_RESULT_FAILED;
    }

    auto failure = [&](const BootClient::Result& r, const std::string& what, uint32_t address) {
        switch (r.status) {
        case Status::Stopped:
            return std::string("cancelled");
        case Status::Lost:
            return "serial port lost during " + what;
        case Status::Refused:
            return what + " at " + Hex8(address) + " refused (reason " + std::to_string(r.nakReason) + ")";
        case Status::NoAnswer:
        case Status::Ok:
            break;
        }
        return "target stopped answering at " + what + " " + Hex8(address);
    };
    auto failureCode = [](const BootClient::Result& r) {
        return r.status == Status::NoAnswer  ? RFL_RESULT_NO_ANSWER
               : r.status == Status::Refused ? RFL_RESULT_REFUSED
                                             : RFL_RESULT_FAILED;
    };

    // The largest block both sides allow; erase and blocks go as one stream.
    const uint32_t block = std::min<uint32_t>(config.block, target->largestBlock ? target->largestBlock : config.block);
    const DownloadPlan plan = PlanDownload(image, block, config.eraseMs);
    if (plan.commands.size() > DownloadPlan::kMaxCommands) {
        m_console.Print(TooManyFrames(plan, block) + "\n");
        return RFL_RESULT_FAILED;
    }
    m_console.Print("Erasing ");
    int shown = -1;
    const auto r = client.Stream(plan.commands, [&](size_t i) {
        if (i == 0) {
            m_console.Print(std::string(plan.sectors, '.'));
            m_console.Print("\nErased");
            m_console.Print("\n"); // the line the programming progress takes
            m_console.Print("Programming .");
            return;
        }
        const int percent = int(uint64_t(plan.ends[i]) * 100 / image.data.size());
        if (percent != shown) {
            shown = percent;
            char text[16];
            std::snprintf(text, sizeof text, "%4d %%", percent);
            m_console.Print(text);
        }
    });
    if (r.status != Status::Ok) {
        if (r.index == 0)
            m_console.Print("\nErase failed: " + failure(r, "erase", plan.addresses[0]));
        else // "Checksum" ends the programming display of a console window.
            m_console.Print("\r\nChecksum not checked: " + failure(r, "block", plan.addresses[r.index]) + "\n");
        return failureCode(r);
    }
    if (shown < 100)
        m_console.Print(" 100 %");

    std::vector<uint8_t> range;
    boot::PutU32(range, image.offset);
    boot::PutU32(range, uint32_t(image.data.size()));
    const auto verify = client.Exchange(boot::kVerify, range, boot::kVerifyBusyMs);
    if (verify.status != Status::Ok || verify.answer.command != boot::kCrc || verify.answer.payload.size() < 4) {
        m_console.Print("\r\nChecksum not checked: " + failure(verify, "verify", image.offset) + "\n");
        return verify.status == Status::Ok ? RFL_RESULT_FAILED : failureCode(verify);
    }
    const uint32_t fileCrc = Crc32(image.data.data(), image.data.size());
    const uint32_t targetCrc = boot::GetU32(verify.answer.payload.data());
    if (fileCrc != targetCrc) {
        m_console.Print("\r\nChecksum ERROR: file " + Hex8(fileCrc) + ", target " + Hex8(targetCrc) + "\n");
        return RFL_RESULT_FAILED;
    }
    m_console.Print("\r\nChecksum OK\n");
    if (client.Resends() > 0)
        m_console.Print(std::to_string(client.Resends()) + " block(s) sent again\n");
    if (client.Exchange(boot::kReset, {}).status != Status::Ok)
        m_console.Print("The target did not confirm the reset: switch it off and on\n");
    return RFL_RESULT_OK;
}

} // namespace tbload

#include "RflRun.h"

#include "ComPort.h"
#include "DownloadSequence.h"
#include "IntelHex.h"
#include "RflConfig.h"
#include "RflProgress.h"

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
    RflProgress progress(m_console, m_cancel, image.data.size(), kSearchMs);
    DownloadSettings settings;
    settings.tag = &boot::kTagRfl;
    settings.searchMs = kSearchMs;
    settings.largestBlock = config.block;
    settings.eraseMs = config.eraseMs;
    using Outcome = DownloadSequence::Outcome;
    switch (DownloadSequence(port, config.baud, settings, progress).Run(image)) {
    case Outcome::Done:
        return RFL_RESULT_OK;
    case Outcome::NoTarget:
        return Cancelled() ? RFL_RESULT_FAILED : RFL_RESULT_NO_TARGET;
    case Outcome::NoAnswer:
        return RFL_RESULT_NO_ANSWER;
    case Outcome::Refused:
        return RFL_RESULT_REFUSED;
    case Outcome::Failed:
        break;
    }
    return RFL_RESULT_FAILED;
}

} // namespace tbload

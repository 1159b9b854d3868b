#pragma once

#include "IntelHex.h"
#include "ScIndications.h"
#include "SerialDevice.h"
#include "floader.h"

#include <cstdint>
#include <string>

namespace tbload {

// One SC14428 download on its own thread: search, flash type, erase, blocks,
// CRC check, reset; every step reported as an indication.
class ScDownload {
public:
    // How long the loader looks for a target that listens in its boot window.
    static constexpr int kSearchMs = 5000;

    ScDownload(uint16_t loaderId, FLoaderIndicationHandler handler, int baud, HexResult hex);

    // Takes the port (exclusively) before the thread starts.
    SerialDevice::OpenError OpenPort(const std::string& path);
    void Run();
    void Stop() { m_port.Interrupt(); }
    [[nodiscard]] uint16_t LoaderId() const { return m_loaderId; }

private:
    // The download proper; false after it reported its error.
    bool Download();

    uint16_t m_loaderId;
    ScIndications m_report;
    int m_baud;
    HexResult m_hex;
    SerialDevice m_port;
};

} // namespace tbload

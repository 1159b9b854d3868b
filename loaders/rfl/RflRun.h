#pragma once

#include "RflConsole.h"
#include "SerialDevice.h"

#include <atomic>
#include <string>
#include <vector>

namespace tbload {

// One run of the console loader: arguments, configuration, software file,
// key to start, search, erase, blocks, checksum. Prints as a console program.
class RflRunner {
public:
    static constexpr int kSearchMs = 5000;
    static constexpr char kEscape = 0x1B;

    RflRunner(const RflConsole& console, std::atomic<bool>& cancel, std::atomic<SerialDevice*>& activePort)
        : m_console(console), m_cancel(cancel), m_activePort(activePort)
    {}
    int Run(const std::vector<std::string>& arguments);

private:
    int Download(const struct RflConfig& config, const struct HexImage& image, int com);
    [[nodiscard]] bool Cancelled() const { return m_cancel; }
    void Banner() const;

    const RflConsole& m_console;
    std::atomic<bool>& m_cancel;
    std::atomic<SerialDevice*>& m_activePort;
};

} // namespace tbload

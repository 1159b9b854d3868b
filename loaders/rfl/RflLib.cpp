// The exports of libRflLib.
#include "RflLib.h"

#include "RflRun.h"

#include <atomic>
#include <string>
#include <vector>

namespace {

tbload::RflConsole g_console;
std::atomic<bool> g_cancel{false};
std::atomic<bool> g_running{false};
std::atomic<tbload::SerialDevice*> g_activePort{nullptr};

} // namespace

extern "C" {

RFL_API void RflInit(RflTextOutFunc textOut, RflWaitKeyFunc waitKey, RflGetKeyFunc getKey,
                     RflKeyAvailableFunc keyAvailable)
{
    g_console = {textOut, waitKey, getKey, keyAvailable};
}

RFL_API int RflGetVersion(void) { return 0x0100; }

RFL_API int RflRun(int argc, const char* const* argv, RflFinishedFunc finished)
{
    int result = RFL_RESULT_PORT;
    bool idle = false;
    if (!g_running.compare_exchange_strong(idle, true))
        g_console.Print("Another download is running\n");
    else {
        std::vector<std::string> arguments;
        for (int i = 0; argv && i < argc; ++i)
            arguments.emplace_back(argv[i] ? argv[i] : "");
        result = tbload::RflRunner(g_console, g_cancel, g_activePort).Run(arguments);
        g_cancel = false;
        g_running = false;
    }
    if (finished)
        finished(result);
    return result;
}

RFL_API void RflTerminate(void)
{
    if (!g_running)
        return;
    g_cancel = true;
    if (tbload::SerialDevice* port = g_activePort.load())
        port->Interrupt();
}

} // extern "C"

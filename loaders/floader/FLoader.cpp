// The exports of libfloader.
#include "floader.h"

#include "ComPort.h"
#include "IntelHex.h"
#include "ScDownload.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace {

struct Running {
    std::unique_ptr<tbload::ScDownload> download;
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
};

// Downloads in flight; finished ones are joined at the next start and when
// the library is unloaded (which first stops the rest).
class Downloads {
public:
    ~Downloads()
    {
        std::lock_guard lock(m_mutex);
        for (Running& r : m_list)
            r.download->Stop();
        for (Running& r : m_list)
            if (r.thread.joinable())
                r.thread.join();
    }

    std::mutex& Mutex() { return m_mutex; }
    std::list<Running>& List() { return m_list; }

    // Caller holds the mutex.
    void JoinFinished()
    {
        for (auto it = m_list.begin(); it != m_list.end();) {
            if (*it->done) {
                it->thread.join();
                it = m_list.erase(it);
            }
            else
                ++it;
        }
    }

private:
    std::mutex m_mutex;
    std::list<Running> m_list;
};

Downloads g_downloads;
std::atomic<FLoaderIndicationHandler> g_handler{nullptr};

} // namespace

extern "C" {

FLOADER_API void SetupCallbackFunction(FLoaderIndicationHandler handler) { g_handler = handler; }

FLOADER_API FLoaderIndicationHandler ReadCallbackFunction(void) { return g_handler; }

FLOADER_API uint32_t FLoaderDLLVersion(void) { return 0x0100; }

FLOADER_API uint16_t FlashLoader(uint32_t comPort, uint32_t targetType, uint32_t baudRate, uint32_t busMode,
                                 const char* hexFile, uint16_t loaderId)
{
    const FLoaderIndicationHandler handler = g_handler;
    if (!handler)
        return NO_CALLBACK_FUNC_DEFINED_FLASH_LOADER;
    if (targetType != 1)
        return UNKNOWN_TARGET_TYPE_FLASH_LOADER;
    if (busMode != 1)
        return UNKNOWN_BUSMODE_TYPE_FLASH_LOADER;
    if (comPort < 1 || comPort > 9)
        return NO_ACCESS_COMPORT_FLASH_LOADER;
    if (!hexFile)
        return FILEACCESS_ERROR_FLASH_LOADER;

    // The whole file is read before the port is touched; a malformed file is
    // reported by the download as HEX_FILE_ERROR_IND.
    tbload::HexResult hex = tbload::ReadIntelHex(hexFile);
    if (hex.status == tbload::HexResult::Status::Unreadable)
        return FILEACCESS_ERROR_FLASH_LOADER;

    auto download = std::make_unique<tbload::ScDownload>(loaderId, handler, int(baudRate), std::move(hex));
    if (download->OpenPort(tbload::DevicePathOfCom(int(comPort))) != tbload::SerialDevice::OpenError::None)
        return NO_ACCESS_COMPORT_FLASH_LOADER;

    std::lock_guard lock(g_downloads.Mutex());
    g_downloads.JoinFinished();
    Running& running = g_downloads.List().emplace_back();
    running.download = std::move(download);
    try {
        running.thread = std::thread([d = running.download.get(), done = running.done] {
            d->Run();
            *done = true;
        });
    }
    catch (const std::system_error&) {
        g_downloads.List().pop_back();
        return UNABLE_TO_CREATE_THREAD_FLASH_LOADER;
    }
    return NO_ERROR_FLASH_LOADER;
}

FLOADER_API int FlashLoaderStop(uint16_t loaderId)
{
    std::lock_guard lock(g_downloads.Mutex());
    int found = 0;
    for (Running& r : g_downloads.List())
        if (!*r.done && r.download->LoaderId() == loaderId) {
            r.download->Stop();
            found = 1;
        }
    return found;
}

} // extern "C"

#pragma once

#include "FrameDevice.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// A small device on the master side of a pseudo-terminal, on its own thread:
// echoes (one-wire) and answers through a FrameDevice.
class PtyDevice {
public:
    explicit PtyDevice(bool echo = true);
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    [[nodiscard]] QString SlavePath() const { return m_slavePath; }
    // The rate the client set on its end, as the master sees it.
    [[nodiscard]] int ClientBaud() const;
    // Closes the master: to the client the device vanished.
    void HangUp();
    // Stop answering after the echo of the next frame, then hang up.
    std::atomic<bool> hangUpOnNextFrame{false};

    template <typename F>
    auto WithDevice(F f)
    {
        std::lock_guard lock(m_mutex);
        return f(m_device);
    }

private:
    void Run();

    int m_master = -1;
    int m_slaveKeeper = -1;
    bool m_echo;
    QString m_slavePath;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    FrameDevice m_device;
    std::thread m_thread;
};

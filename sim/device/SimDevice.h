#pragma once

#include "SimOptions.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tbsim {

class DeviceLogic;

// One simulated device on a pseudo-terminal, served by a thread of its own.
// Clients open slavePath(); every accessor is thread-safe.
class SimDevice {
public:
    using LogSink = std::function<void(const QString&)>;

    explicit SimDevice(SimOptions options = {});
    ~SimDevice();
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // Both are called on the device's thread; set them before start().
    void setLogSink(LogSink sink) { m_sink = std::move(sink); }
    // Called when the device ends on its own (line hang-up fault).
    void setFinishedCallback(std::function<void()> callback) { m_finished = std::move(callback); }

    // Builds the EEPROM, opens the pseudo-terminal and starts the thread.
    bool start();
    // Ends the thread and closes the line; safe to call twice.
    void stop();

    [[nodiscard]] QString errorString() const { return m_error; }
    [[nodiscard]] QString slavePath() const { return m_slavePath; }
    [[nodiscard]] bool isRunning() const { return m_running; }
    [[nodiscard]] bool hasHungUp() const { return m_hungUp; }
    [[nodiscard]] int deviceBaud() const { return m_baud; }
    // The rate the client had set when the last bytes came in; 0 before that.
    [[nodiscard]] int lastLineBaud() const { return m_lastLineBaud; }

    [[nodiscard]] QByteArray eeprom(int address, int count) const;
    void setEeprom(int address, const QByteArray& data);
    [[nodiscard]] QByteArray image() const;
    bool saveImage(const QString& path, QString* error = nullptr) const;
    // Reads an image file of exactly 65536 bytes.
    static bool loadImage(const QString& path, QByteArray* image, QString* error = nullptr);

    [[nodiscard]] SimFaults faults() const;
    // Replaces the faults; their counts (every Nth, --fail-writes, --answer-from) start again.
    void setFaults(const SimFaults& faults);

    [[nodiscard]] QStringList log() const;
    [[nodiscard]] int framesReceived() const;
    [[nodiscard]] int writesStored() const;
    [[nodiscard]] int defaultMails() const;
    [[nodiscard]] int answersSent() const { return m_answersSent; }
    // Turns of the device's loop, to show that it sleeps while idle.
    [[nodiscard]] quint64 loopIterations() const { return m_loops; }

private:
    class Line;
    friend class Line;

    void run();
    void addLog(const QStringList& lines);
    void closeFds();

    SimOptions m_options;
    int m_baud = 0;
    LogSink m_sink;
    std::function<void()> m_finished;
    QString m_error;
    QString m_slavePath;
    int m_master = -1;
    int m_slave = -1; // our own, so the master never sees a hang-up between clients
    int m_wake = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_hungUp{false};
    std::atomic<int> m_lastLineBaud{0};
    std::atomic<int> m_answersSent{0};
    std::atomic<quint64> m_loops{0};

    mutable std::mutex m_mutex; // guards m_logic and m_log
    std::unique_ptr<DeviceLogic> m_logic;
    QStringList m_log;
};

} // namespace tbsim

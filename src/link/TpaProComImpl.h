#pragma once

#include "ComPortMap.h"
#include "SerialLowLatency.h"
#include "VirtualCom.h"

#include <QObject>
#include <QTimer>
#ifdef Q_OS_WIN
#include <memory>
#else
#include <QSerialPort>
#endif

class QSocketNotifier;

// The serial channel, owned by the UI thread: on QSerialPort, whose readyRead
// is the delivery of received bytes; on Windows, an overlapped COM handle
// whose read event is watched by the UI thread's event loop
// (TpaProComImplWin32.cpp). Either way OnData runs only while that thread
// processes events.
class TTpaProComImpl : public QObject, public TVirtualCom {
    Q_OBJECT
public:
    // TooManyFiles: the program has no file descriptor left (it opens nothing at all).
    enum class OpenFailure { None, NotFound, NotASerialPort, PermissionDenied, Busy, TooManyFiles, Other };

    explicit TTpaProComImpl(QObject* parent = nullptr);
    ~TTpaProComImpl() override;

    [[nodiscard]] bool IsOpen() const override;
    [[nodiscard]] std::uint8_t ComNumber() const override { return m_com; }
    [[nodiscard]] std::int32_t Baud() const override { return m_baud; }
    [[nodiscard]] bool Dcd() const override;
    [[nodiscard]] bool Cts() const override;
    [[nodiscard]] bool Dsr() const override;
    bool Open(std::uint8_t com, std::int32_t baud) override;
    bool Close() override;
    void SetDtr(bool on) override;
    void SetRts(bool on) override;
    void FlushIn() override;
    void FlushOut() override;
    void SetHardwareFlow(bool on) override;
    int Write(const QByteArray& block) override;
    [[nodiscard]] bool ModemLinesSupported() const override { return m_modemLinesSupported; }
    void SetReceiveThreshold(int bytes) override;
    void PauseReception(int ms) override;
    void ResumeReception() override;
    void DeliverPending() override;

    // Whether Open asks a USB adapter's driver for low latency (LowLatencySetting
    // by default); Close gives the port its old flags back.
    void SetLowLatency(bool on) { m_lowLatencyWanted = on; }
    // The driver of the open port passes received bytes on without its latency timer.
    [[nodiscard]] bool LowLatency() const { return m_lowLatencyOn; }

    TComPortMap& PortMap() { return m_portMap; }
    [[nodiscard]] QString DevicePath() const override { return m_portMap.DevicePath(m_com); }
    // Why the last Open did not open the port, for messages that help the technician.
    [[nodiscard]] OpenFailure LastOpenFailure() const { return m_lastFailure; }
    [[nodiscard]] QString LastOpenErrorText() const { return m_lastErrorText; }

private:
#ifdef Q_OS_WIN
    struct TWinPort;
    bool OpenHandle(const QString& path);
    void CloseHandle();
    void ReadDone();
    void WriteDone();
    void StartRead();
    void StartWrite();
    bool ApplyLineSettings();
    void LosePort();

    std::unique_ptr<TWinPort> m_win;
#else
    void OnReadyRead();
    void OnError(QSerialPort::SerialPortError error);
    [[nodiscard]] bool PinoutHas(QSerialPort::PinoutSignal signal) const;
    [[nodiscard]] QSocketNotifier* ReadNotifier() const;
    [[nodiscard]] TSerialLowLatency::TFlags DriverFlags() const;

    QSerialPort m_port;
#endif
    TComPortMap m_portMap;
    std::uint8_t m_com = 1;
    std::int32_t m_baud = 9600;
    bool m_modemLinesSupported = true;
    bool m_closingAfterLoss = false;
    int m_receiveThreshold = 1;
    QTimer m_receptionPause;
    bool m_lowLatencyWanted = true;
    bool m_lowLatencyOn = false;
    TSerialLowLatency m_lowLatency;
    OpenFailure m_lastFailure = OpenFailure::None;
    QString m_lastErrorText;
};

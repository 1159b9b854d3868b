#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

// Abstract serial channel as the mail engine needs it. Received bytes reach the
// owner through OnData, on the UI thread, in arrival order.
class TVirtualCom {
public:
    using Notify = std::function<void(TVirtualCom* sender)>;
    using DataNotify = std::function<void(TVirtualCom* sender, const QByteArray& data)>;

    virtual ~TVirtualCom() = default;

    Notify OnDcdChange;
    Notify OnCtsChange;
    Notify OnDsrChange;
    Notify OnOutSent;
    DataNotify OnData;
    // Not in the classic channel: the port vanished under us (adapter pulled) and was closed.
    Notify OnPortLost;

    [[nodiscard]] virtual bool IsOpen() const = 0;
    [[nodiscard]] virtual std::uint8_t ComNumber() const = 0;
    [[nodiscard]] virtual std::int32_t Baud() const = 0;
    // The device the COM number names, when the channel knows it.
    [[nodiscard]] virtual QString DevicePath() const { return {}; }
    [[nodiscard]] virtual bool Dcd() const = 0;
    [[nodiscard]] virtual bool Cts() const = 0;
    [[nodiscard]] virtual bool Dsr() const = 0;
    virtual bool Open(std::uint8_t com, std::int32_t baud) = 0;
    virtual bool Close() = 0;
    virtual void SetDtr(bool on) = 0;
    virtual void SetRts(bool on) = 0;
    virtual void FlushIn() = 0;
    virtual void FlushOut() = 0;
    virtual void SetHardwareFlow(bool on) = 0;
    virtual int Write(const QByteArray& block) = 0;
    // Wake the receiver only once this many bytes are queued (a hint; channels
    // that cannot do it deliver every byte as before).
    virtual void SetReceiveThreshold(int bytes) { (void)bytes; }
    // Stop listening to the port for ms milliseconds (bytes stay queued in the
    // driver), or listen again at once. Hints, like the threshold.
    virtual void PauseReception(int ms) { (void)ms; }
    virtual void ResumeReception() {}
    // Hands over at once, through OnData, whatever the port holds, also bytes
    // kept back by the receive threshold or a paused reception.
    virtual void DeliverPending() {}
    // False when the last SetDtr/SetRts was refused by the port (pseudo-terminals do).
    [[nodiscard]] virtual bool ModemLinesSupported() const { return true; }
};

#pragma once

#include "DeviceGuard.h"

#include <cstdint>

class TMailControl;

// What a page needs to reach the device: the one link of the main window and
// the connection check that opens the port with the chosen COM port and baud
// rate (reporting "COMn: This Serial Device is not Accessible!" itself).
class IDeviceSession {
public:
    virtual ~IDeviceSession() = default;
    [[nodiscard]] virtual TMailControl& Link() = 0;
    // If the port is closed, open it; false (after the error box) when that fails.
    virtual bool ConnectionCheck() = 0;
    virtual bool CloseDevicePort() = 0;
    // The port must be open. Runs the device guard and words its refusal (a
    // message box in the window); true when the action may go on. A session
    // without a front end refuses silently.
    virtual bool GuardDevice(const TDeviceDemand& demand) { return CheckDevice(Link(), demand).Go(); }

    // Changes whenever another device may be on the line: a detection, "New
    // handset connected", a port that went away. Values a page read carry the
    // epoch they were read in (TDeviceReadMark) and are written back only in it.
    [[nodiscard]] std::uint64_t DeviceEpoch() const { return m_deviceEpoch; }
    void DeviceMayHaveChanged() { ++m_deviceEpoch; }

    // A TDeviceOperationScope holds the session.
    [[nodiscard]] bool OperationRunning() const { return m_operationRunning; }

protected:
    // An operation began or ended; a press was refused because one runs.
    virtual void OperationRunningChanged(bool /*running*/) {}
    virtual void OperationRefused() {}

private:
    friend class TDeviceOperationScope;
    bool m_operationRunning = false;
    std::uint64_t m_deviceEpoch = 0;
};

// What a page read from the device belongs to that device: a write button
// that sends read values back asks Current() first.
class TDeviceReadMark {
public:
    void Mark(const IDeviceSession& session)
    {
        m_epoch = session.DeviceEpoch();
        m_marked = true;
    }
    void Forget() { m_marked = false; }
    [[nodiscard]] bool Current(const IDeviceSession& session) const
    {
        return m_marked && m_epoch == session.DeviceEpoch();
    }

private:
    std::uint64_t m_epoch = 0;
    bool m_marked = false;
};

// One device operation at a time. The waits of an exchange keep the window
// responsive, so without this a second press would talk to the device (or
// close its port) in the middle of the first one. Every handler that talks to
// the device, opens or closes the port starts with
//
//     const TDeviceOperationScope operation(m_session);
//     if (operation.Refused())
//         return;
//
// Refused while another scope holds the session or the link is inside an
// exchange; the session tells the user (the main window: a status-bar note).
class TDeviceOperationScope {
public:
    explicit TDeviceOperationScope(IDeviceSession& session);
    ~TDeviceOperationScope();
    TDeviceOperationScope(const TDeviceOperationScope&) = delete;
    TDeviceOperationScope& operator=(const TDeviceOperationScope&) = delete;

    [[nodiscard]] bool Refused() const { return m_refused; }

private:
    IDeviceSession& m_session;
    bool m_refused;
};

// The handset pages also ask whether a device answers at all before they
// talk to it: on silence the user is told "Could not connect to device !".
class IHandsetSession : public IDeviceSession {
public:
    virtual bool DeviceAnswerCheck() = 0;
};

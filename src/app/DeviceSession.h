#pragma once

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
};

// The handset pages also ask whether a device answers at all before they
// talk to it: on silence the user is told "Could not connect to device !".
class IHandsetSession : public IDeviceSession {
public:
    virtual bool DeviceAnswerCheck() = 0;
};

#pragma once

#include "ComPortMap.h"

#include <QString>
#include <memory>

namespace tbload {
class SerialDevice;
}

// Raw access to a COM port: opened exclusively (the port's lock file, as the
// program's link and the loaders take it, and TIOCEXCL), raw 8N1 at Baud, no
// flow control, DTR and RTS lowered. It neither reads nor writes data; it
// holds the port and its lines while the technician switches the target on.
class TComm {
public:
    explicit TComm(TComPortMap ports = {});
    ~TComm(); // closes the port
    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    quint8 Port = 1; // COM port number
    int Baud = 9600;

    // True if the port is held afterwards. A device without modem lines
    // (a pseudo-terminal) opens all the same.
    bool Open();
    void Close();
    [[nodiscard]] bool IsOpen() const;
    // Raise (true) or lower a modem line; nothing when closed.
    void SetDTR(bool on);
    void SetRTS(bool on);
    [[nodiscard]] QString DevicePath() const { return m_ports.DevicePath(Port); }
    // Why the last Open failed, with the port and its device ("COM1 (/dev/ttyUSB0): in use by another program").
    [[nodiscard]] QString OpenFailure() const { return m_openFailure; }

private:
    TComPortMap m_ports;
    std::unique_ptr<tbload::SerialDevice> m_handle;
    QString m_openFailure;
};

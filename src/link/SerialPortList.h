#pragma once

#include <QList>
#include <QString>
#include <optional>

// One serial port of the machine as the port choice shows it.
struct TSerialPortEntry {
    QString devicePath; // /dev/ttyUSB0
    QString stableName; // /dev/serial/by-id/usb-..., empty when the system gives none
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
    QString driver;                    // "ftdi_sio"; empty when the system does not say
    std::optional<int> latencyTimerMs; // how long the adapter holds received bytes, when its driver says

    // The name to store: the stable one survives replugging, the device path may not.
    [[nodiscard]] QString PreferredName() const { return stableName.isEmpty() ? devicePath : stableName; }
    [[nodiscard]] bool IsUsbAdapter() const;
    // "0403:6001", empty without USB ids.
    [[nodiscard]] QString UsbId() const;
    // Every answer waits up to the adapter's latency timer.
    [[nodiscard]] bool SlowLatencyTimer() const { return latencyTimerMs && *latencyTimerMs > 1; }
};

// The serial ports found on the machine, free of widgets: the Ports dialog,
// the port map and tunebench-cli share these rules.
namespace SerialPortList {

inline constexpr const char* kStableFolder = "/dev/serial/by-id";
inline constexpr const char* kTtyClassFolder = "/sys/class/tty";
// The example udev rule that sets an FTDI adapter's latency timer to 1 ms.
inline constexpr const char* kLatencyRuleName = "99-usb-serial-latency.rules";

// What the system reports (QSerialPortInfo), each with its stable name.
[[nodiscard]] QList<TSerialPortEntry> Scan(const QString& stableFolder = QString::fromLatin1(kStableFolder));

// Gives each USB adapter its driver and latency timer as sysfs tells them
// (<ttyClassFolder>/ttyUSB0/device/driver and .../latency_timer).
[[nodiscard]] QList<TSerialPortEntry>
WithDriverDetails(QList<TSerialPortEntry> ports, const QString& ttyClassFolder = QString::fromLatin1(kTtyClassFolder));

// Where the installed example udev rule is; else where the sources keep it.
[[nodiscard]] QString LatencyRuleFile();

// Gives each entry the link in the folder that leads to its device, if any.
[[nodiscard]] QList<TSerialPortEntry> WithStableNames(QList<TSerialPortEntry> ports, const QString& stableFolder);

// The adapter, when exactly one USB serial adapter is present.
[[nodiscard]] std::optional<TSerialPortEntry> SingleUsbAdapter(const QList<TSerialPortEntry>& ports);

// The entry whose device is the one the path leads to (a stable name or the
// device path itself).
[[nodiscard]] std::optional<TSerialPortEntry> FindByPath(const QList<TSerialPortEntry>& ports, const QString& path);

} // namespace SerialPortList

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

    // The name to store: the stable one survives replugging, the device path may not.
    [[nodiscard]] QString PreferredName() const { return stableName.isEmpty() ? devicePath : stableName; }
    [[nodiscard]] bool IsUsbAdapter() const;
    // "0403:6001", empty without USB ids.
    [[nodiscard]] QString UsbId() const;
};

// The serial ports found on the machine, free of widgets: the Ports dialog,
// the port map and tunebench-cli share these rules.
namespace SerialPortList {

inline constexpr const char* kStableFolder = "/dev/serial/by-id";

// What the system reports (QSerialPortInfo), each with its stable name.
[[nodiscard]] QList<TSerialPortEntry> Scan(const QString& stableFolder = QString::fromLatin1(kStableFolder));

// Gives each entry the link in the folder that leads to its device, if any.
[[nodiscard]] QList<TSerialPortEntry> WithStableNames(QList<TSerialPortEntry> ports, const QString& stableFolder);

// The adapter, when exactly one USB serial adapter is present.
[[nodiscard]] std::optional<TSerialPortEntry> SingleUsbAdapter(const QList<TSerialPortEntry>& ports);

// The entry whose device is the one the path leads to (a stable name or the
// device path itself).
[[nodiscard]] std::optional<TSerialPortEntry> FindByPath(const QList<TSerialPortEntry>& ports, const QString& path);

} // namespace SerialPortList

#include "SerialPortList.h"

#include <algorithm>
#include <windows.h>

namespace SerialPortList {

// The system's serial ports as its device map lists them (value: the driver's
// device, "\Device\VCP0"; data: the port's name, "COM7"). Windows names its
// ports itself, so none has a stable name of ours.
QList<TSerialPortEntry> Scan(const QString& stableFolder)
{
    Q_UNUSED(stableFolder);
    QList<TSerialPortEntry> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return ports;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        wchar_t data[64];
        DWORD nameLength = static_cast<DWORD>(std::size(name));
        DWORD dataBytes = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG status =
            ::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataBytes);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        TSerialPortEntry entry;
        entry.devicePath = QString::fromWCharArray(data, static_cast<qsizetype>(dataBytes / sizeof(wchar_t)));
        entry.devicePath.truncate(entry.devicePath.indexOf(QChar(0)) < 0 ? entry.devicePath.size()
                                                                         : entry.devicePath.indexOf(QChar(0)));
        entry.description = QString::fromWCharArray(name, static_cast<qsizetype>(nameLength));
        if (!entry.devicePath.isEmpty())
            ports.append(entry);
    }
    ::RegCloseKey(key);
    // COM2 before COM10.
    std::sort(ports.begin(), ports.end(), [](const TSerialPortEntry& a, const TSerialPortEntry& b) {
        return a.devicePath.size() != b.devicePath.size() ? a.devicePath.size() < b.devicePath.size()
                                                          : a.devicePath < b.devicePath;
    });
    return ports;
}

} // namespace SerialPortList

#include "SerialPortList.h"

#include "BoundedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#ifndef Q_OS_WIN
#include <QSerialPortInfo>
#endif

namespace {

QString DeviceOf(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

bool TSerialPortEntry::IsUsbAdapter() const
{
    if (vendorId && productId)
        return true;
    const QString name = QFileInfo(devicePath).fileName();
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
}

QString TSerialPortEntry::UsbId() const
{
    if (!vendorId || !productId)
        return {};
    return QStringLiteral("%1:%2").arg(*vendorId, 4, 16, QLatin1Char('0')).arg(*productId, 4, 16, QLatin1Char('0'));
}

namespace SerialPortList {

#ifndef Q_OS_WIN // SerialPortListWin32.cpp reads the system's list there
QList<TSerialPortEntry> Scan(const QString& stableFolder)
{
    QList<TSerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        TSerialPortEntry entry;
        entry.devicePath = info.systemLocation();
        entry.description = info.description();
        entry.manufacturer = info.manufacturer();
        entry.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier())
            entry.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            entry.productId = info.productIdentifier();
        ports.append(entry);
    }
    return WithDriverDetails(WithStableNames(std::move(ports), stableFolder));
}
#endif

QList<TSerialPortEntry> WithDriverDetails(QList<TSerialPortEntry> ports, const QString& ttyClassFolder)
{
    for (TSerialPortEntry& entry : ports) {
        if (!entry.IsUsbAdapter())
            continue;
        const QString device = ttyClassFolder + QLatin1Char('/') + QFileInfo(DeviceOf(entry.devicePath)).fileName() +
                               QStringLiteral("/device/");
        const QString driver = QFileInfo(device + QStringLiteral("driver")).canonicalFilePath();
        if (!driver.isEmpty())
            entry.driver = QFileInfo(driver).fileName();
        QByteArray timer;
        bool ok = false;
        // A number of milliseconds, one line; more is not this attribute.
        const int ms = ReadBoundedFile(device + QStringLiteral("latency_timer"), TFileKind::DeviceAttribute, timer)
                           ? timer.left(16).trimmed().toInt(&ok)
                           : 0;
        if (ok && ms >= 0)
            entry.latencyTimerMs = ms;
    }
    return ports;
}

QString LatencyRuleFile()
{
    const QString name = QLatin1String(kLatencyRuleName);
    if (QCoreApplication::instance()) {
        const QString installed = QDir(QCoreApplication::applicationDirPath())
                                      .absoluteFilePath(QStringLiteral("../share/doc/tunebench/examples/") + name);
        if (QFileInfo::exists(installed))
            return QDir::cleanPath(installed);
    }
    return QStringLiteral("docs/examples/") + name;
}

QList<TSerialPortEntry> WithStableNames(QList<TSerialPortEntry> ports, const QString& stableFolder)
{
    const QFileInfoList links = QDir(stableFolder).entryInfoList(QDir::Files | QDir::System, QDir::Name);
    for (TSerialPortEntry& entry : ports) {
        const QString device = DeviceOf(entry.devicePath);
        for (const QFileInfo& link : links) {
            if (link.isSymLink() && link.canonicalFilePath() == device) {
                entry.stableName = link.absoluteFilePath();
                break;
            }
        }
    }
    return ports;
}

std::optional<TSerialPortEntry> SingleUsbAdapter(const QList<TSerialPortEntry>& ports)
{
    std::optional<TSerialPortEntry> found;
    for (const TSerialPortEntry& entry : ports) {
        if (!entry.IsUsbAdapter())
            continue;
        if (found)
            return std::nullopt;
        found = entry;
    }
    return found;
}

std::optional<TSerialPortEntry> FindByPath(const QList<TSerialPortEntry>& ports, const QString& path)
{
    const QString device = DeviceOf(path);
    for (const TSerialPortEntry& entry : ports)
        if (entry.devicePath == path || entry.stableName == path || DeviceOf(entry.devicePath) == device)
            return entry;
    return std::nullopt;
}

} // namespace SerialPortList

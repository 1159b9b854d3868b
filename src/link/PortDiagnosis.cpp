#include "PortDiagnosis.h"

#include <QFileInfo>

QString DescribeOpenFailure(TTpaProComImpl::OpenFailure failure, const QString& devicePath, const QString& systemText)
{
    using F = TTpaProComImpl::OpenFailure;
    switch (failure) {
    case F::None:
        return {};
    case F::NotFound:
        return QStringLiteral("The device %1 does not exist: is the adapter plugged in and the right COM port chosen?")
            .arg(devicePath);
    case F::NotASerialPort:
        return QStringLiteral("%1 exists but is not a serial port: choose the adapter's device.").arg(devicePath);
    case F::PermissionDenied: {
        const QString group = QFileInfo(devicePath).group();
#ifdef Q_OS_WIN
        return QStringLiteral("No permission to open %1.").arg(devicePath);
#else
        return QStringLiteral("No permission to open %1 (group %2). Add yourself to that group with "
                              "'sudo usermod -a -G %2 $USER', then log out and in again.")
            .arg(devicePath, group.isEmpty() ? QStringLiteral("dialout") : group);
#endif
    }
    case F::Busy:
        return QStringLiteral("%1 is in use by another program (see 'lsof %1').").arg(devicePath);
    case F::Other:
        break;
    }
    return QStringLiteral("%1: %2").arg(devicePath, systemText);
}

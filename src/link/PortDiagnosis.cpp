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
#ifdef Q_OS_WIN
        return QStringLiteral("No permission to open %1.").arg(devicePath);
#else
        const QFileInfo info(devicePath);
        return PermissionHint(devicePath, info.group(), static_cast<unsigned>(info.permissions()));
#endif
    }
    case F::Busy:
#ifdef Q_OS_WIN
        return QStringLiteral("%1 is in use by another program.").arg(devicePath);
#else
        return QStringLiteral("%1 is in use by another program (see 'lsof %1').").arg(devicePath);
#endif
    case F::TooManyFiles:
        return QStringLiteral("%1 cannot be opened: the program has no file descriptor left (%2). Raise its limit "
                              "('ulimit -n') or close what holds them.")
            .arg(devicePath, systemText);
    case F::Other:
        break;
    }
    return QStringLiteral("%1: %2").arg(devicePath, systemText);
}

QString PermissionHint(const QString& devicePath, const QString& group, unsigned permissions)
{
    const unsigned groupReadWrite = QFileDevice::ReadGroup | QFileDevice::WriteGroup;
    // Joining the group helps only when the group may read and write the device.
    if (!group.isEmpty() && (permissions & groupReadWrite) == groupReadWrite)
        return QStringLiteral("No permission to open %1 (group %2). Add yourself to that group with "
                              "'sudo usermod -a -G %2 $USER', then log out and in again.")
            .arg(devicePath, group);
    return QStringLiteral("No permission to open %1 (group %2, the group may not read and write it): "
                          "joining a group does not help. Give the device a group and mode with a udev rule, e.g. "
                          "SUBSYSTEM==\"tty\", GROUP=\"dialout\", MODE=\"0660\" in "
                          "/etc/udev/rules.d/50-serial.rules, then replug it; or for now "
                          "'sudo chmod 0666 %1'.")
        .arg(devicePath, group.isEmpty() ? QStringLiteral("unknown") : group);
}

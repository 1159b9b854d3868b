#pragma once

#include "TpaProComImpl.h"

#include <QString>

// One line that tells the technician why a port did not open and what to do:
// a missing device, a group the user is not in, a port held by another program.
[[nodiscard]] QString DescribeOpenFailure(TTpaProComImpl::OpenFailure failure, const QString& devicePath,
                                          const QString& systemText);

// The hint for a device this user may not open, from its group and its
// permission bits (QFileDevice::Permissions): the group to join when that
// group may read and write it, else a udev rule or the device's mode.
[[nodiscard]] QString PermissionHint(const QString& devicePath, const QString& group, unsigned permissions);

#pragma once

#include "TpaProComImpl.h"

#include <QString>

// One line that tells the technician why a port did not open and what to do:
// a missing device, a group the user is not in, a port held by another program.
[[nodiscard]] QString DescribeOpenFailure(TTpaProComImpl::OpenFailure failure, const QString& devicePath,
                                          const QString& systemText);

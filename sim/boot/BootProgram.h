#pragma once

#include <QStringList>

namespace tbsim {

// tunebench-sim with a boot profile: runs the target on a pseudo-terminal until
// SIGINT/SIGTERM/SIGHUP (blocked by the caller), then saves its flash.
int RunBootProgram(const QStringList& arguments);

} // namespace tbsim

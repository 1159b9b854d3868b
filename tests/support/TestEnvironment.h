#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

namespace tbtest {

// Windows are drawn offscreen, and the programs under test (tunebench-cli,
// tunebench-sim, ...) are found beside the test program unless the caller
// names their folder in TUNEBENCH_BIN_DIR.
inline void SetTestEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("TUNEBENCH_BIN_DIR"))
        qputenv("TUNEBENCH_BIN_DIR", QFile::encodeName(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath()));
#endif
}

} // namespace tbtest

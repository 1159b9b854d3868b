#pragma once

#include <QString>
#include <QStringList>

// What the window program answers on standard output and then exits, as
// Linux programs do, before it needs a display.
enum class InfoRequest { None, Help, Version };

// "--help" or "-h", "--version" or "-v" among the arguments (without the
// program name); the first one counts.
[[nodiscard]] InfoRequest RequestedInfo(const QStringList& arguments);
// The text for programName, the program's file name as it was started.
[[nodiscard]] QString InfoText(InfoRequest request, const QString& programName);

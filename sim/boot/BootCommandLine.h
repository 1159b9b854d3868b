#pragma once

#include "BootTarget.h"

#include <QString>
#include <QStringList>

namespace tbsim {

struct BootProgramOptions {
    BootTargetOptions target;
    QString linkPath;
    QString savePath;
    QString imagePath;
};

// True when the arguments ask for a boot target (--profile boot-...).
[[nodiscard]] bool WantsBootTarget(const QStringList& arguments);
// false with a message; help sets *help and puts the text into the message.
bool ParseBootArguments(const QStringList& arguments, BootProgramOptions* options, QString* message, bool* help);

} // namespace tbsim

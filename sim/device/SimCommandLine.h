#pragma once

#include "SimOptions.h"

#include <QString>
#include <QStringList>

namespace tbsim {

struct SimProgramOptions {
    SimOptions device;
    QString linkPath; // --link: symlink to the slave
    QString savePath; // --save: image written on exit
};

enum class ParseResult { Run, Help, Version, Error };

// Parses the program's arguments (arguments[0] is the program name). For Help
// and Error, message holds the help text or the error.
ParseResult parseSimArguments(const QStringList& arguments, SimProgramOptions* options, QString* message);

} // namespace tbsim

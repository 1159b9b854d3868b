#pragma once

#include "SimOptions.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

namespace tbsim {

struct SimProgramOptions {
    SimOptions device;
    QString linkPath; // --link: symlink to the slave
    QString savePath; // --save: image written on exit
};

// The field an option sets; its type says what the option takes:
// bool a switch, int and optional<int> a number from minimum to maximum,
// optional<bool> on|off, QString any text (or one of choices), the lists a
// repeatable FROM[-TO] or ADDR=HH[,HH...] in hexadecimal.
using SimOptionField =
    std::variant<bool& (*)(SimProgramOptions&), int& (*)(SimProgramOptions&),
                 std::optional<int>& (*)(SimProgramOptions&), std::optional<bool>& (*)(SimProgramOptions&),
                 QString& (*)(SimProgramOptions&), QList<SimRange>& (*)(SimProgramOptions&),
                 QList<QPair<int, QByteArray>>& (*)(SimProgramOptions&)>;

// One option of the program: the single place it is declared, shown in --help
// and parsed. A new option (a fault, say) is one row here plus its logic.
struct SimOptionRow {
    const char* name;
    const char* valueName; // "" for a switch
    QString help;
    SimOptionField field;
    int minimum = 0; // numbers only
    int maximum = 0;
    QStringList choices{};   // a text: the values it takes (empty: any) ...
    QString unknownChoice{}; // ... and the refusal of another, %1 the value
};

// In the order --help lists them (after --help and --version).
const QList<SimOptionRow>& simOptionTable();

enum class ParseResult { Run, Help, Version, Error };

// Parses the program's arguments (arguments[0] is the program name). For Help
// and Error, message holds the help text or the error.
ParseResult parseSimArguments(const QStringList& arguments, SimProgramOptions* options, QString* message);

} // namespace tbsim

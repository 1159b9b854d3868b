#pragma once

#include <CLI/CLI.hpp>
#include <QString>
#include <functional>
#include <optional>
#include <string>

// The global options of tunebench-cli, as a command finds them.
struct TCliOptions {
    int com = 0; // 0: the stored COMPORT, else 1
    QString portPath;
    int baud = 9600;
    bool baudGiven = false; // --baud was on the command line
    bool twoWire = false;
    bool trace = false;
    bool json = false; // results, progress and the failure as JSON Lines on standard output
};

// "0040", "40", "0x40", "$40": a 16-bit address in hexadecimal.
[[nodiscard]] std::optional<int> ParseHexAddress(const QString& text);
// One byte in hexadecimal, one or two digits.
[[nodiscard]] std::optional<int> ParseHexByte(const QString& text);
// Decimal digits only, at most nine.
[[nodiscard]] std::optional<int> ParseDecimal(const QString& text);

// Checks for option and argument values; the option's type name shows the
// accepted values in the help.
[[nodiscard]] CLI::Validator HexAddressCheck();
[[nodiscard]] CLI::Validator HexByteCheck();
// Decimal digits for which allowed holds; complaint ends "must be " in the error.
[[nodiscard]] CLI::Validator DecimalCheck(const std::string& values, std::function<bool(int)> allowed);

[[nodiscard]] inline QString FromArg(const std::string& text) { return QString::fromLocal8Bit(text); }

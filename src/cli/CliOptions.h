#pragma once

#include "RepeaterRules.h"

#include <QString>
#include <QStringList>
#include <optional>

// The global options of tunebench-cli and the command with its arguments.
struct TCliOptions {
    int com = 0; // 0: the stored COMPORT, else 1
    QString portPath;
    int baud = 9600;
    bool twoWire = false;
    bool trace = false;
    bool help = false;
    bool version = false;
    QString command;
    QStringList args;
};

struct TCliParseResult {
    std::optional<TCliOptions> options;
    QString error; // set when options is empty
};

[[nodiscard]] TCliParseResult ParseCliArguments(const QStringList& arguments);
[[nodiscard]] QString CliUsageText();

// "0040", "40", "0x40", "$40": a 16-bit address in hexadecimal.
[[nodiscard]] std::optional<int> ParseHexAddress(const QString& text);
// One byte in hexadecimal, one or two digits.
[[nodiscard]] std::optional<int> ParseHexByte(const QString& text);

// "repeater read|write" and their options.
struct TRepeaterArgs {
    bool write = false;
    int layout = kMultiCellLayout;
    TRepeaterInput input;
};

struct TRepeaterParseResult {
    std::optional<TRepeaterArgs> args;
    QString error;
};

[[nodiscard]] TRepeaterParseResult ParseRepeaterArguments(const QStringList& args);

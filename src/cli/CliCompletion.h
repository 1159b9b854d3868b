#pragma once

#include <CLI/CLI.hpp>
#include <string>

// The bash completion script of tunebench-cli, made from its command tree so
// that it offers exactly what --help lists: commands and subcommands, the
// options of each, and values by their type name (FILE and PATH: file names,
// 1..9: the COM numbers whose device is present, a|b|c: those words).
[[nodiscard]] std::string BashCompletionScript(const CLI::App& root);

#pragma once

#include "CliSession.h"

#include <CLI/CLI.hpp>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <string>

class TCliFormatter;

// Runs a command once its arguments parsed; returns the exit code.
using TCliAction = std::function<int(TCliSession&)>;

// The command line of tunebench-cli: the global options, the commands the
// groups declare, and the help made from those declarations.
class TCliApp {
public:
    // The one argument that prints the bash completion script instead of running a command.
    static constexpr const char* kCompletionScriptMode = "--bash-completion-script";

    TCliApp();
    ~TCliApp();

    // Declares a command under parent (the top level when null), listed in
    // the help under group. Its options and arguments go on the returned app.
    CLI::App* AddCommand(const std::string& group, const std::string& name, const std::string& description,
                         TCliAction action, CLI::App* parent = nullptr);
    // Declares a command that only holds subcommands ("repeater read").
    CLI::App* AddFamily(const std::string& group, const std::string& name, const std::string& description);

    // arguments as QCoreApplication::arguments(), the program name first.
    int Run(const QStringList& arguments, QTextStream& out, QTextStream& err);

private:
    [[nodiscard]] const CLI::App* SelectedCommand() const;
    [[nodiscard]] QString UsageHint(const CLI::App* command) const;
    int ParseError(const CLI::App* command, const QString& message, TCliOutput& output, QTextStream& err) const;
    // "unknown command 'raed'; did you mean 'read'?" for a word left over
    // that is a slip away from one of command's subcommands; else empty.
    [[nodiscard]] QString NearestCommand(const CLI::App* command, const QStringList& arguments) const;
    TCliOptions GlobalOptions() const;

    std::shared_ptr<TCliFormatter> m_formatter;
    CLI::App m_root;
    std::map<const CLI::App*, TCliAction> m_actions;

    std::string m_com;
    std::string m_port;
    std::string m_baud;
    bool m_twoWire = false;
    bool m_trace = false;
    bool m_noLowLatency = false;
    bool m_json = false;
};

#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

// Help texts of tunebench-cli: each command listed with its arguments
// ("read ADDR [COUNT]"), a family of commands one line per member.
class TCliFormatter : public CLI::Formatter {
public:
    TCliFormatter();

    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_subcommand(const CLI::App* sub) const override;

    // "Usage: tunebench-cli [OPTIONS] read ADDR [COUNT]"
    [[nodiscard]] std::string UsageLine(const CLI::App* app) const;
    // "tunebench-cli repeater write"
    [[nodiscard]] static std::string CommandPath(const CLI::App* app);
    // "tunebench-cli [OPTIONS] repeater write"
    [[nodiscard]] static std::string UsagePath(const CLI::App* app);
    // Whether a command runs on its own; such a command with members ("ports",
    // "flash") is listed itself too, not only its members.
    void SetRunnable(std::function<bool(const CLI::App*)> runnable) { m_runnable = std::move(runnable); }

private:
    [[nodiscard]] std::string Synopsis(const CLI::App* app, bool withMembers = true) const;
    [[nodiscard]] std::string Entry(const std::string& synopsis, const std::string& description) const;

    std::function<bool(const CLI::App*)> m_runnable;
};

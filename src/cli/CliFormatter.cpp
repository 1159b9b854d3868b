#include "CliFormatter.h"

namespace {
constexpr std::size_t kColumnWidth = 28;

bool HasOwnOptions(const CLI::App* app)
{
    const CLI::Option* help = app->get_help_ptr();
    return !app->get_options([help](const CLI::Option* o) { return o->nonpositional() && o != help; }).empty();
}
} // namespace

TCliFormatter::TCliFormatter() { column_width(kColumnWidth); }

std::string TCliFormatter::CommandPath(const CLI::App* app)
{
    std::string path = app->get_name();
    for (const CLI::App* p = app->get_parent(); p; p = p->get_parent())
        path = p->get_name() + " " + path;
    return path;
}

std::string TCliFormatter::UsagePath(const CLI::App* app)
{
    if (!app->get_parent())
        return app->get_name();
    // The global options come before the command.
    const CLI::App* root = app;
    while (root->get_parent())
        root = root->get_parent();
    const std::string path = CommandPath(app);
    return root->get_name() + " [OPTIONS]" + path.substr(root->get_name().size());
}

std::string TCliFormatter::Synopsis(const CLI::App* app, bool withMembers) const
{
    std::string text;
    if (HasOwnOptions(app))
        text += " [OPTIONS]";
    for (const CLI::Option* opt : app->get_options([](const CLI::Option* o) { return o->get_positional(); }))
        text += " " + make_option_usage(opt);
    if (withMembers && !app->get_subcommands({}).empty())
        text += app->get_parent() ? " COMMAND [OPTIONS]" : " COMMAND [ARGS]";
    return text;
}

std::string TCliFormatter::make_usage(const CLI::App* app, std::string name) const
{
    (void)name; // CLI11's name lacks where the global options go
    return "Usage: " + UsagePath(app) + Synopsis(app) + "\n";
}

std::string TCliFormatter::UsageLine(const CLI::App* app) const { return make_usage(app, {}); }

std::string TCliFormatter::Entry(const std::string& synopsis, const std::string& description) const
{
    std::string line = "  " + synopsis;
    if (line.size() + 1 < kColumnWidth)
        line.append(kColumnWidth - line.size(), ' ');
    else
        line += "\n" + std::string(kColumnWidth, ' ');
    std::string indented;
    for (char c : description) {
        indented += c;
        if (c == '\n')
            indented.append(kColumnWidth, ' ');
    }
    return line + indented + "\n";
}

std::string TCliFormatter::make_subcommand(const CLI::App* sub) const
{
    const std::vector<const CLI::App*> members = sub->get_subcommands({});
    if (members.empty())
        return Entry(sub->get_name() + Synopsis(sub), sub->get_description());
    std::string text;
    if (m_runnable && m_runnable(sub))
        text = Entry(sub->get_name() + Synopsis(sub, false), sub->get_description());
    for (const CLI::App* member : members)
        text += Entry(sub->get_name() + " " + member->get_name() + Synopsis(member), member->get_description());
    return text;
}

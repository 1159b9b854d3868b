#include "CliApp.h"

#include "BuildInfo.h"
#include "CliCompletion.h"
#include "CliFormatter.h"
#include "CliSignals.h"
#include "LowLatencySetting.h"
#include "ProgramError.h"
#include "TraceMonitor.h"
#include "TrafficMonitor.h"

#include <QIODevice>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

namespace {

// Passes a command's standard error through, notes whether it said anything,
// and hands each report on (a report is what one flush wrote).
class TErrWatch final : public QIODevice {
public:
    explicit TErrWatch(QTextStream& target) : m_target(target) { open(QIODevice::WriteOnly); }
    [[nodiscard]] bool Written() const { return m_written; }
    std::function<void(const QString&)> OnReport;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        m_written = m_written || size > 0;
        const QString text = QString::fromUtf8(data, static_cast<qsizetype>(size));
        m_target << text;
        m_target.flush();
        if (OnReport)
            OnReport(text);
        return size;
    }

private:
    QTextStream& m_target;
    bool m_written = false;
};

// The error object's message where the command said nothing on standard error.
QString ExitMeaning(int code)
{
    switch (code) {
    case kExitUsage:
        return QStringLiteral("usage or invalid input");
    case kExitPort:
        return QStringLiteral("the port cannot be opened");
    case kExitNoAnswer:
        return QStringLiteral("no answer from the device");
    case kExitNotConfirmed:
        return QStringLiteral("the write was not confirmed by the device");
    case kExitWrongModel:
        return QStringLiteral("the device is not of the kind or model the command needs");
    case kExitFlashFailed:
        return QStringLiteral("the flash download failed after the target answered, or was stopped");
    case kExitDiffers:
        return QStringLiteral("cells of the device differ from the file");
    default:
        return QStringLiteral("exit %1").arg(code);
    }
}

// Letters to change, add or drop to turn a into b.
qsizetype EditDistance(const QString& a, const QString& b)
{
    std::vector<qsizetype> row(static_cast<std::size_t>(b.size()) + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[static_cast<std::size_t>(j)] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[static_cast<std::size_t>(j)];
            row[static_cast<std::size_t>(j)] =
                std::min({above + 1, row[static_cast<std::size_t>(j - 1)] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row.back();
}

} // namespace

TCliApp::TCliApp()
    : m_formatter(std::make_shared<TCliFormatter>()),
      m_root("The scriptable front end of Tunebench on the same link as the windows.", "tunebench-cli")
{
    m_root.formatter(m_formatter);
    m_formatter->SetRunnable([this](const CLI::App* command) { return m_actions.count(command) > 0; });
    // "/path/file" is a file on every system, never a Windows-style "/option".
    m_root.allow_windows_style_options(false);
    // A repeated option takes its last value, as it always did.
    m_root.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    m_root.set_version_flag("-v,--version", VersionLine(QStringLiteral("tunebench-cli")).toStdString(),
                            "the program version");
    m_root.add_option("--com", m_com, "COM port through the port map (default: the stored COMPORT, else 1)")
        ->type_name("1..9")
        ->check(DecimalCheck("1..9", [](int n) { return n >= 1 && n <= 9; }));
    m_root.add_option("--port", m_port, "a device path; overrides --com")
        ->type_name("PATH")
        ->check(CLI::Validator([](std::string& s) { return s.empty() ? "needs a device path" : ""; }, ""));
    m_root.add_option("--baud", m_baud, "line speed (default 9600)")
        ->type_name("8600|9600|115200")
        ->check(DecimalCheck("8600, 9600 or 115200", [](int n) { return n == 8600 || n == 9600 || n == 115200; }));
    m_root.add_flag("--two-wire", m_twoWire, "two-wire line mode (no echo, first byte of each delivery sent back)");
    m_root.add_flag("--trace", m_trace, "every monitor line (TX, RX, CT, CRC, MAIL) on standard error");
    m_root.add_flag("--no-low-latency", m_noLowLatency,
                    "leave a USB adapter's latency timer as it is (as [Link] LowLatency=0 in Tunebench.ini)");
    m_root.add_flag("--json", m_json,
                    "standard output in JSON Lines: one object a line for each result, progress\n"
                    "step and the failure (\"type\":\"error\" with \"exit\" and \"message\")");
    m_root.footer("Exit codes: 0 done; 1 usage or invalid input; 2 the port cannot be opened; 3 no answer\n"
                  "            (repeater: no repeater answered, or a cell could not be read);\n"
                  "            4 write not confirmed; 5 the device is not of the kind the command\n"
                  "            needs, or the handset not of the required model (handset handsfree:\n"
                  "            the marker at 001Dh is not AAh);\n"
                  "            6 the flash download failed after the target answered, or was stopped;\n"
                  "            7 menu verify: cells differ from the file.\n"
                  "Commands that write into a known kind of device identify it first, as\n"
                  "'detect' does, and write nothing into another kind (exit 5; --force skips the\n"
                  "check): handset text write, handset transducer, handset gain write, handset\n"
                  "handsfree write|reset, menu play, restore, repeater write, default. The raw\n"
                  "write and mail do not check.\n"
                  "COM n is the device path in $TUNEBENCH_COM<n>, else the stored Ports/COM<n>, else "
                  "/dev/ttyS<n-1>.");
}

TCliApp::~TCliApp() = default;

CLI::App* TCliApp::AddCommand(const std::string& group, const std::string& name, const std::string& description,
                              TCliAction action, CLI::App* parent)
{
    CLI::App* command = (parent ? parent : &m_root)->add_subcommand(name, description);
    command->group(group);
    command->footer("");
    m_actions[command] = std::move(action);
    return command;
}

CLI::App* TCliApp::AddFamily(const std::string& group, const std::string& name, const std::string& description)
{
    CLI::App* family = m_root.add_subcommand(name, description);
    family->group(group);
    family->footer("");
    family->require_subcommand(0, 1);
    return family;
}

const CLI::App* TCliApp::SelectedCommand() const
{
    const CLI::App* command = &m_root;
    while (!command->get_subcommands().empty())
        command = command->get_subcommands().front();
    return command;
}

QString TCliApp::UsageHint(const CLI::App* command) const
{
    return FromArg(m_formatter->UsageLine(command)) +
           QStringLiteral("Try '%1 --help'.\n").arg(FromArg(TCliFormatter::CommandPath(command)));
}

int TCliApp::ParseError(const CLI::App* command, const QString& message, TCliOutput& output, QTextStream& err) const
{
    err << "tunebench-cli: " << message << "\n" << UsageHint(command);
    err.flush();
    output.Failure(kExitUsage, message);
    return kExitUsage;
}

QString TCliApp::NearestCommand(const CLI::App* command, const QStringList& arguments) const
{
    const std::vector<std::string> remaining = command->remaining();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (std::find(remaining.begin(), remaining.end(), word.toLocal8Bit().toStdString()) == remaining.end())
            continue;
        QString nearest;
        qsizetype best = 3; // more than two letters off is no typing slip
        for (const CLI::App* sub : command->get_subcommands({})) {
            const QString name = FromArg(sub->get_name());
            if (const qsizetype d = EditDistance(word, name); d < best) {
                best = d;
                nearest = name;
            }
        }
        if (!nearest.isEmpty())
            return QStringLiteral("unknown command '%1'; did you mean '%2'?").arg(word, nearest);
        return {};
    }
    return {};
}

TCliOptions TCliApp::GlobalOptions() const
{
    TCliOptions o;
    if (!m_com.empty())
        o.com = ParseDecimal(FromArg(m_com)).value_or(0);
    o.portPath = FromArg(m_port);
    if (!m_baud.empty())
        o.baud = ParseDecimal(FromArg(m_baud)).value_or(o.baud);
    o.baudGiven = !m_baud.empty();
    o.twoWire = m_twoWire;
    o.trace = m_trace;
    o.json = m_json;
    return o;
}

int TCliApp::Run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    // Not a command: the build writes the bash completion script with it.
    if (arguments.size() == 2 && arguments[1] == QLatin1String(kCompletionScriptMode)) {
        out << QString::fromStdString(BashCompletionScript(m_root));
        return kExitDone;
    }
    std::vector<std::string> args; // CLI11 takes them last first, without the program name
    for (qsizetype i = arguments.size() - 1; i >= 1; --i)
        args.push_back(arguments[i].toLocal8Bit().toStdString());
    // A parse error may come before CLI11 has set the flag.
    TCliOutput parseOutput(out, err, arguments.mid(1).contains(QStringLiteral("--json")));
    try {
        m_root.parse(args);
    }
    catch (const CLI::CallForHelp&) {
        out << FromArg(m_root.help());
        return kExitDone;
    }
    catch (const CLI::CallForVersion& e) {
        out << e.what() << "\n";
        return kExitDone;
    }
    catch (const CLI::ExtrasError& e) {
        const CLI::App* command = SelectedCommand();
        const QString suggestion = NearestCommand(command, arguments);
        return ParseError(command, suggestion.isEmpty() ? FromArg(e.what()) : suggestion, parseOutput, err);
    }
    catch (const CLI::ParseError& e) {
        return ParseError(SelectedCommand(), FromArg(e.what()), parseOutput, err);
    }
    const CLI::App* command = SelectedCommand();
    const auto action = m_actions.find(command);
    if (action == m_actions.end()) {
        QStringList names;
        for (const CLI::App* sub : command->get_subcommands({}))
            names << FromArg(sub->get_name());
        return ParseError(
            command,
            command == &m_root
                ? QStringLiteral("no command given")
                : QStringLiteral("%1 needs %2").arg(FromArg(command->get_name()), names.join(QStringLiteral(" or "))),
            parseOutput, err);
    }

    const TCliOptions options = GlobalOptions();
    // Through the environment, so that the flash loaders' ports follow it too.
    if (m_noLowLatency)
        LowLatencySetting::TurnOff();
    if (options.trace)
        TrafficMonitorRegistry::Install(new TTraceMonitor(stderr, QStringLiteral("\n")));
    int code = kExitDone;
    QString report;
    {
        TErrWatch watch(err);
        QTextStream commandErr(&watch);
        TCliSession session(options, UsageHint(command), out, commandErr);
        watch.OnReport = [&session](const QString& text) { session.NoteReport(text); };
        const TCliSignals signalWatch([&session] { session.RequestStop(); });
        try {
            code = action->second(session);
        }
        catch (const EProgramError& e) {
            code = session.Usage(MessageAlone(e));
        }
        catch (const std::bad_alloc&) {
            // What failed was large: the few bytes of this message are there.
            commandErr << "tunebench-cli: not enough memory for this command (a file too large for the memory the "
                          "program may use?); it stopped here\n";
            code = kExitUsage;
        }
        commandErr.flush();
        // A command that said nothing about it, or only its own words for a silent
        // device, gets the general reason naming the port and the rate; a stopped
        // command's silence is not the device's.
        if (const int signal = TCliSignals::Received())
            commandErr << "tunebench-cli: stopped by " << TCliSignals::Name(signal) << "\n" << Qt::flush;
        else if ((code == kExitNoAnswer || code == kExitNotConfirmed) && session.LinkLost())
            code = session.PortLost();
        else if (code == kExitNoAnswer && (!watch.Written() || session.LastExchangeUnanswered()))
            session.NoAnswer();
        else if (code == kExitNotConfirmed && !watch.Written())
            session.NotConfirmed();
        report = session.LastReport();
        watch.OnReport = nullptr;
        // The session closes the port here, which gives the tty its settings back.
    }
    TrafficMonitorRegistry::Free();
    const int signal = TCliSignals::Received();
    if (signal)
        code = 128 + signal;
    if (code != kExitDone)
        TCliOutput(out, err, options.json).Failure(code, report.isEmpty() ? ExitMeaning(code) : report);
    if (signal)
        return code;
    out.flush();
    if (out.status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        err << "tunebench-cli: the result could not be written to standard output\n";
        err.flush();
        if (code == kExitDone)
            code = kExitUsage;
    }
    return code;
}

// "flash --target K FILE" and "flash targets": downloads through the loader
// libraries as the Flash Load Utility runs them, on the same binding.
#include "CliApp.h"
#include "CliGroups.h"
#include "CliInterrupt.h"

#include "FlashLoadSC14428.h"
#include "FlashRun.h"
#include "FlashTargets.h"
#include "MachineSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>

namespace {
namespace flash {
const std::string kGroup = "Flash commands";
constexpr char kEscape = 0x1B;

struct TFlashArgs {
    int target = -1;
    std::string file;
    bool yes = false;
};

// The window's prompts name its OK button; here Enter answers them.
QString OnTheCommandLine(QString prompt)
{
    return prompt.replace(QStringLiteral("click the OK button"), QStringLiteral("press Enter"))
        .replace(QStringLiteral("click OK"), QStringLiteral("press Enter"));
}

int ComNumber(const TCliOptions& options)
{
    if (options.com > 0)
        return options.com;
    const auto stored = TMachineSettings().ReadInteger(QStringLiteral("COMPORT"));
    return stored && *stored >= 1 && *stored <= 9 ? *stored : 1;
}

int ListTargets(TCliSession& s)
{
    for (const TFlashTarget& t : FlashTargets()) {
        const bool rfl = t.Path == TFlashPath::Rfl;
        QJsonObject json{{"target", t.Index}, {"name", t.Name}, {"loader", rfl ? "rfl" : "sc14428"}};
        if (rfl)
            json.insert(QStringLiteral("config"), QStringLiteral("CFG/%1").arg(t.ConfigFile));
        else
            json.insert(QStringLiteral("baud"), static_cast<int>(kSC14428BaudRate));
        s.Output().Result(QStringLiteral("flash-target"), json,
                          QStringLiteral("%1  %2  %3\n")
                              .arg(t.Index)
                              .arg(t.Name, rfl ? QStringLiteral("(RFL, CFG/%1)").arg(t.ConfigFile)
                                               : QStringLiteral("(SC14428, %1 baud)").arg(kSC14428BaudRate)));
    }
    return kExitDone;
}

// The download's end as the flash object names it.
QString Outcome(int code)
{
    switch (code) {
    case TFlashRun::kDone:
        return QStringLiteral("confirmed");
    case TFlashRun::kBadInput:
        return QStringLiteral("bad-input");
    case TFlashRun::kPort:
        return QStringLiteral("port");
    case TFlashRun::kNoTarget:
        return QStringLiteral("no-answer");
    default:
        return QStringLiteral("failed");
    }
}

int Flash(TCliSession& s, const TFlashArgs& args)
{
    if (args.target < 0)
        return s.Usage(QStringLiteral("flash needs --target K (see 'flash targets')"));
    if (args.file.empty())
        return s.Usage(QStringLiteral("flash needs the software FILE"));
    // Nobody could answer the prompts: stopping at the first one would look
    // like a download that failed on the target.
    if (!args.yes && !TCliInterrupt::InputIsTerminal())
        return s.Usage(QStringLiteral("flash waits for Enter at its prompts: use --yes when standard input is not a "
                                      "terminal"));
    const int com = ComNumber(s.Options());
    // The loaders find the port through the COM port map, in this process.
    if (!s.Options().portPath.isEmpty())
        qputenv(QStringLiteral("TUNEBENCH_COM%1").arg(com).toLatin1().constData(),
                QFile::encodeName(s.Options().portPath));
    if (!RegisterFlashIndicationHandler())
        s.Err() << "Error in SetupCallbackFunction !\n";

    const bool terminal = TCliInterrupt::OutputIsTerminal();
    TCliInterrupt interrupt;
    TFlashRun run({args.target, com, FromArg(args.file), QCoreApplication::applicationDirPath() + QLatin1Char('/')});
    bool pendingShown = false;
    auto clearPending = [&] {
        if (pendingShown)
            s.Output().Transient(QStringLiteral("\r\033[K"));
        pendingShown = false;
    };
    QString lastLine;
    run.Line = [&](const QString& line) {
        clearPending();
        lastLine = QString(line).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        s.Output().Result(QStringLiteral("flash-log"), {{"line", lastLine}}, lastLine + "\n");
    };
    if (terminal)
        run.Pending = [&](const QString& line) {
            clearPending();
            s.Output().Transient(QString(line).replace(QLatin1Char('\r'), QLatin1Char(' ')));
            pendingShown = true;
        };
    run.Prompt = [&](const QString& prompt) {
        s.Err() << OnTheCommandLine(prompt) << (args.yes ? " (--yes)\n" : "\n");
        s.Err().flush();
        return !interrupt.Fired() && (args.yes || interrupt.WaitForEnter());
    };
    run.Key = [&]() -> char {
        s.Err() << (args.yes ? "(key)\n" : "press Enter\n");
        s.Err().flush();
        return interrupt.Fired() ? kEscape : args.yes || interrupt.WaitForEnter() ? ' ' : kEscape;
    };
    interrupt.WhenFired([&] { run.Interrupt(); });
    const int code = run.Run();
    clearPending();
    s.Output().Result(QStringLiteral("flash"), {{"target", args.target}, {"outcome", Outcome(code)}}, {});
    // The log's last line says why a download failed; the prompts came before it.
    if (code != TFlashRun::kDone)
        s.NoteReport(lastLine);
    return code;
}
} // namespace flash
} // namespace

void AddFlashCommands(TCliApp& cli)
{
    using namespace flash;
    auto args = std::make_shared<TFlashArgs>();
    CLI::App* flash = cli.AddCommand(kGroup, "flash",
                                     "download FILE (Intel HEX) into target K as the Flash Load Utility does; prints\n"
                                     "its log lines, waits for Enter at each prompt (a script gives --yes); exit 0\n"
                                     "only when the target confirmed the CRC, 3 when it never answered, 6 when the\n"
                                     "download failed (the last line says whether the target stopped answering or\n"
                                     "refused)",
                                     [args](TCliSession& s) { return Flash(s, *args); });
    flash->add_option("--target", args->target, "the target, 0 to 8 (see 'flash targets')")
        ->type_name("K")
        ->check(CLI::Range(0, kFlashTargetCount - 1).description(""));
    flash->add_option("FILE", args->file, "the software file")->type_name("FILE");
    flash->add_flag("--yes", args->yes,
                    "answer the prompts and key waits at once; needed when standard input is not a terminal");
    cli.AddCommand(kGroup, "targets", "list the flash targets", ListTargets, flash);
}

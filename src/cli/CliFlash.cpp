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
        s.Out() << t.Index << "  " << t.Name << "  ";
        if (t.Path == TFlashPath::Rfl)
            s.Out() << "(RFL, CFG/" << t.ConfigFile << ")\n";
        else
            s.Out() << "(SC14428, " << kSC14428BaudRate << " baud)\n";
    }
    return kExitDone;
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
            s.Out() << "\r\033[K";
        pendingShown = false;
    };
    run.Line = [&](const QString& line) {
        clearPending();
        s.Out() << QString(line).replace(QLatin1Char('\r'), QLatin1Char('\n')) << "\n";
        s.Out().flush();
    };
    if (terminal)
        run.Pending = [&](const QString& line) {
            clearPending();
            s.Out() << QString(line).replace(QLatin1Char('\r'), QLatin1Char(' '));
            s.Out().flush();
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
    s.Out().flush();
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

// "flash --target K FILE" and "flash targets": downloads through the loader
// libraries as the Flash Load Utility runs them, on the same binding.
#include "CliApp.h"
#include "CliGroups.h"

#include "FlashLoadSC14428.h"
#include "FlashRun.h"
#include "FlashTargets.h"
#include "MachineSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {
namespace flash {
const std::string kGroup = "Flash commands";
constexpr char kEscape = 0x1B;

struct TFlashArgs {
    int target = -1;
    std::string file;
    bool yes = false;
};

// Ctrl+C (or SIGTERM, or SIGHUP from a closed terminal) during a download stops the loader cleanly and ends with
// exit 6, so it replaces the command line's own handlers while it runs: the
// handler only writes to a pipe, which the event loop and the prompts watch.
class TInterruptPipe {
public:
    TInterruptPipe()
    {
        if (::pipe2(s_fds, O_CLOEXEC | O_NONBLOCK) != 0)
            s_fds[0] = s_fds[1] = -1;
        struct sigaction action {};
        action.sa_handler = [](int) {
            const char c = 1;
            [[maybe_unused]] const ssize_t n = ::write(s_fds[1], &c, 1);
        };
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &action, &m_previous[i]);
    }
    ~TInterruptPipe()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &m_previous[i], nullptr);
        for (int& fd : s_fds)
            if (fd >= 0)
                ::close(std::exchange(fd, -1));
    }
    [[nodiscard]] int ReadEnd() const { return s_fds[0]; }
    [[nodiscard]] bool Fired() const
    {
        pollfd p{s_fds[0], POLLIN, 0};
        return s_fds[0] >= 0 && ::poll(&p, 1, 0) > 0;
    }
    // A line from standard input; false on end of input or Ctrl+C.
    [[nodiscard]] bool WaitForEnter() const
    {
        std::string line;
        for (;;) {
            pollfd p[2] = {{0, POLLIN, 0}, {s_fds[0], POLLIN, 0}};
            if (::poll(p, 2, -1) < 0)
                continue;
            if (p[1].revents)
                return false;
            char c = 0;
            const ssize_t n = ::read(0, &c, 1);
            if (n <= 0)
                return false;
            if (c == '\n')
                return true;
        }
    }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    static inline int s_fds[2] = {-1, -1};
    struct sigaction m_previous[std::size(kSignals)]{};
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
    if (!args.yes && !::isatty(0))
        return s.Usage(QStringLiteral("flash waits for Enter at its prompts: use --yes when standard input is not a "
                                      "terminal"));
    const int com = ComNumber(s.Options());
    // The loaders find the port through the COM port map, in this process.
    if (!s.Options().portPath.isEmpty())
        qputenv(QStringLiteral("TUNEBENCH_COM%1").arg(com).toLatin1().constData(),
                QFile::encodeName(s.Options().portPath));
    if (!RegisterFlashIndicationHandler())
        s.Err() << "Error in SetupCallbackFunction !\n";

    const bool terminal = ::isatty(1);
    TInterruptPipe interrupt;
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
    QSocketNotifier notifier(interrupt.ReadEnd(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        notifier.setEnabled(false);
        run.Interrupt();
    });
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

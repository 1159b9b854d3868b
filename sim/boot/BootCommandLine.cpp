#include "BootCommandLine.h"

#include <QCommandLineParser>

namespace tbsim {

bool WantsBootTarget(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a.startsWith(QLatin1String("--profile=")) && BootTarget::IsBootProfile(a.mid(10)))
            return true;
        if (a == QLatin1String("--profile") && i + 1 < arguments.size() && BootTarget::IsBootProfile(arguments[i + 1]))
            return true;
    }
    return false;
}

namespace {

QList<QCommandLineOption> BootOptions()
{
    auto valued = [](const char* name, const char* text, const char* value) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(text), QString::fromLatin1(value));
    };
    return {
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")),
        valued("profile", "boot-sc14428 or boot-rfl.", "name"),
        valued("baud", "The target's rate (default 115200).", "rate"),
        QCommandLineOption(QStringLiteral("pace"),
                           QStringLiteral("Bytes take their line time; erasing and programming take time.")),
        valued("power", "Start state: on, off or on-hook (default on).", "state"),
        valued("boot-window", "How long after power on it listens for a loader, ms (default 10000).", "ms"),
        valued("erase-ms", "Erasing takes this long a 64 KiB sector, ms (default 96 with --pace, else none).", "ms"),
        valued("flash-size", "Flash size in bytes, a multiple of 65536 (default 524288 or 2097152).", "bytes"),
        valued("link", "Make a symlink to the slave at this path.", "path"),
        valued("image", "Load the flash from a binary image of the flash size.", "file"),
        valued("save", "Write the flash to this file on exit.", "file"),
        QCommandLineOption(QStringLiteral("silent"), QStringLiteral("Fault: never answers.")),
        valued("stop-after", "Fault: stops answering after N accepted blocks.", "n"),
        valued("corrupt-block", "Fault: the Nth block arrives damaged once.", "n"),
        valued("refuse-block", "Fault: refuses the Nth block as not erased.", "n"),
        valued("noise",
               "Fault: every MS a burst of 8 bytes that looks like a frame start (7Eh, a command, a\n"
               "plausible length), alternately into what the target receives and what it sends.",
               "ms"),
        QCommandLineOption(QStringLiteral("bad-crc"),
                           QStringLiteral("Fault: reports a CRC that differs from its flash.")),
    };
}

// The numeric options, each within its bounds.
bool ParseNumbers(const QCommandLineParser& parser, BootTargetOptions* target, QString* message)
{
    BootTargetOptions& t = *target;
    struct Number {
        const char* name;
        long long minimum, maximum;
        std::function<void(long long)> set;
    };
    const Number numbers[] = {
        {"baud", 300, 4000000, [&](long long v) { t.baud = int(v); }},
        {"boot-window", 1, 3600000, [&](long long v) { t.bootWindowMs = int(v); }},
        {"flash-size", 65536, 16 << 20, [&](long long v) { t.flashSize = uint32_t(v); }},
        {"erase-ms", 1, 600000, [&](long long v) { t.eraseMs = int(v); }},
        {"stop-after", 1, 1 << 20, [&](long long v) { t.faults.stopAfterBlocks = int(v); }},
        {"corrupt-block", 1, 1 << 20, [&](long long v) { t.faults.corruptBlock = int(v); }},
        {"refuse-block", 1, 1 << 20, [&](long long v) { t.faults.refuseBlock = int(v); }},
        {"noise", 1, 3600000, [&](long long v) { t.faults.noiseMs = int(v); }},
    };
    for (const Number& n : numbers) {
        const QString name = QString::fromLatin1(n.name);
        if (!parser.isSet(name))
            continue;
        bool ok = false;
        const long long v = parser.value(name).toLongLong(&ok);
        if (!ok || v < n.minimum || v > n.maximum) {
            *message = QStringLiteral("--%1 must be a number from %2 to %3").arg(name).arg(n.minimum).arg(n.maximum);
            return false;
        }
        n.set(v);
    }
    return true;
}

} // namespace

bool ParseBootArguments(const QStringList& arguments, BootProgramOptions* options, QString* message, bool* help)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated boot target for the flash loaders on a pseudo-terminal.\n"
                       "Prints \"PORT <path>\", logs on standard error, and takes \"power off\", \"power on\"\n"
                       "and \"power on hook\" on standard input."));
    parser.addOptions(BootOptions());
    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        *help = true;
        *message = parser.helpText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first());
        return false;
    }
    BootTargetOptions& t = options->target;
    t.profile = parser.value(QStringLiteral("profile"));
    if (!BootTarget::IsBootProfile(t.profile)) {
        *message = QStringLiteral("unknown boot profile %1").arg(t.profile);
        return false;
    }
    if (!ParseNumbers(parser, &t, message))
        return false;
    if (t.flashSize % 65536) {
        *message = QStringLiteral("--flash-size must be a multiple of 65536");
        return false;
    }
    const QString power = parser.value(QStringLiteral("power"));
    if (power.isEmpty() || power == QLatin1String("on"))
        t.power = BootTargetOptions::Power::On;
    else if (power == QLatin1String("off"))
        t.power = BootTargetOptions::Power::Off;
    else if (power == QLatin1String("on-hook"))
        t.power = BootTargetOptions::Power::OnHook;
    else {
        *message = QStringLiteral("--power must be on, off or on-hook");
        return false;
    }
    t.pace = parser.isSet(QStringLiteral("pace"));
    t.faults.silent = parser.isSet(QStringLiteral("silent"));
    t.faults.badCrc = parser.isSet(QStringLiteral("bad-crc"));
    options->linkPath = parser.value(QStringLiteral("link"));
    options->imagePath = parser.value(QStringLiteral("image"));
    options->savePath = parser.value(QStringLiteral("save"));
    return true;
}

} // namespace tbsim

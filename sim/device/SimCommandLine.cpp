#include "SimCommandLine.h"

#include "SimProfiles.h"

#include <QCommandLineParser>

namespace tbsim {

namespace {

struct IntOption {
    const char* name;
    int minimum;
    int maximum;
    int* target;
};

bool parseOnOff(const QString& text, bool* value)
{
    if (text == QLatin1String("on")) {
        *value = true;
        return true;
    }
    if (text == QLatin1String("off")) {
        *value = false;
        return true;
    }
    return false;
}

// "0196" or "0196-01A5", hexadecimal.
bool parseRange(const QString& text, SimRange* range)
{
    const QStringList ends = text.split(QLatin1Char('-'));
    bool okFrom = false;
    bool okTo = ends.size() == 1;
    range->from = ends.value(0).toInt(&okFrom, 16);
    range->to = ends.size() == 2 ? ends[1].toInt(&okTo, 16) : range->from;
    return ends.size() <= 2 && okFrom && okTo && range->from >= 0 && range->to <= 0xFFFF && range->from <= range->to;
}

// "0029=A5" or "0040=00,77,A0,01,23", hexadecimal.
bool parsePreset(const QString& text, QPair<int, QByteArray>* preset)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    bool ok = false;
    preset->first = text.left(eq).toInt(&ok, 16);
    if (eq <= 0 || !ok || preset->first < 0 || preset->first > 0xFFFF)
        return false;
    preset->second.clear();
    for (const QString& byte : text.mid(eq + 1).split(QLatin1Char(','))) {
        const int value = byte.toInt(&ok, 16);
        if (!ok || byte.size() > 2 || value < 0)
            return false;
        preset->second.append(char(value));
    }
    return true;
}

QString profileNames()
{
    QStringList names;
    for (const ProfileInfo& p : profiles())
        names << p.name;
    return names.join(QStringLiteral(", ")); // blanks let the help wrap between names, not inside one
}

} // namespace

ParseResult parseSimArguments(const QStringList& arguments, SimProgramOptions* options, QString* message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated DAVO handset, repeater or base on a pseudo-terminal.\n"
                       "Prints \"PORT <path>\" on standard output and logs every frame on standard error."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    auto valued = [](const char* name, const QString& text, const char* value) {
        return QCommandLineOption(QString::fromLatin1(name), text, QString::fromLatin1(value));
    };
    const QList<QCommandLineOption> list = {
        help,
        version,
        valued("profile",
               QStringLiteral("Device: %1 (default handset); boot-sc14428 or boot-rfl: a flash boot target "
                              "(--profile boot-rfl --help).")
                   .arg(profileNames()),
               "name"),
        valued("baud", QStringLiteral("The device's baud rate (default by profile)."), "rate"),
        QCommandLineOption(QStringLiteral("two-wire"), QStringLiteral("Two-wire line: no echo.")),
        valued("link", QStringLiteral("Make a symlink to the slave at this path."), "path"),
        valued("image", QStringLiteral("Load the EEPROM from a 65536-byte image."), "file"),
        valued("save", QStringLiteral("Write the EEPROM image to this file on exit."), "file"),
        valued("type", QStringLiteral("Repeater type byte at 0780h (0-255)."), "t"),
        valued("busy-hint", QStringLiteral("Bit 04h of 0460h (zero blind slot)."), "on|off"),
        valued("alt-sync", QStringLiteral("Bit 01h of 0461h (alternative sync)."), "on|off"),
        QCommandLineOption(QStringLiteral("pace"), QStringLiteral("Send at the line's speed, 10 bits per byte.")),
        valued("turnaround", QStringLiteral("Think time before an answer."), "us"),
        valued("byte-gap", QStringLiteral("Answer bytes leave this far apart (a slow sender)."), "ms"),
        valued("frame-timeout", QStringLiteral("Drop a frame that stalls this long (default 200, 0 = never)."), "ms"),
        valued("usb-latency",
               QStringLiteral("A USB adapter in front of the program: bytes towards it are held until a packet "
                              "is full or this long after the first (0 = none)."),
               "ms"),
        valued("usb-packet", QStringLiteral("The adapter's USB packet in bytes (default 62)."), "N"),
        valued("no-answer", QStringLiteral("Every Nth answer is not sent."), "N"),
        valued("bad-checksum", QStringLiteral("Every Nth answer has a wrong checksum."), "N"),
        valued("bad-marker", QStringLiteral("Every Nth answer begins with 4Eh instead of its marker 4Dh."), "N"),
        valued("truncate", QStringLiteral("Every Nth answer lacks its last byte."), "N"),
        valued("short", QStringLiteral("Every Nth answer carries one data byte fewer (well-formed)."), "N"),
        valued("extra-byte", QStringLiteral("Every Nth answer has one byte more (same write)."), "N"),
        valued("noise", QStringLiteral("Every Nth answer has noise bytes in front."), "N"),
        valued("noise-bytes", QStringLiteral("Number of noise bytes (default 3)."), "K"),
        valued("late", QStringLiteral("Answers come this much later."), "ms"),
        valued("late-every", QStringLiteral("Only every Nth answer is late (default 1)."), "N"),
        valued("duplicate", QStringLiteral("Answers are sent again this long after they end (0 = back to back)."),
               "ms"),
        valued("duplicate-every", QStringLiteral("Only every Nth answer is sent twice (default 1)."), "N"),
        valued("drop-writes", QStringLiteral("Every Nth write mail is not stored."), "N"),
        valued("fail-writes", QStringLiteral("The next N write mails are not stored."), "N"),
        valued("answer-from", QStringLiteral("The first K-1 read mails get no answer."), "K"),
        valued("set", QStringLiteral("Set cells, hexadecimal, e.g. 0029=A5 or 0040=00,77,A0,01,23 (repeatable)."),
               "addr=hh[,hh...]"),
        valued("protect", QStringLiteral("Refuse writes into these cells, hexadecimal (repeatable)."), "from[-to]"),
        valued("silent", QStringLiteral("Leave reads of these cells unanswered, hexadecimal (repeatable)."),
               "from[-to]"),
        valued("hangup-after", QStringLiteral("Drop the line half way through the Nth answer and exit."), "N"),
    };
    parser.addOptions(list);

    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return ParseResult::Error;
    }
    if (parser.isSet(help)) {
        *message = parser.helpText();
        return ParseResult::Help;
    }
    if (parser.isSet(version))
        return ParseResult::Version;
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return ParseResult::Error;
    }

    SimProgramOptions result;
    SimOptions& d = result.device;
    SimFaults& f = d.faults;
    if (parser.isSet(QStringLiteral("profile"))) {
        d.profile = parser.value(QStringLiteral("profile"));
        if (!findProfile(d.profile)) {
            *message = QStringLiteral("unknown profile: %1 (known: %2, boot-sc14428, boot-rfl)")
                           .arg(d.profile, profileNames());
            return ParseResult::Error;
        }
    }
    d.twoWire = parser.isSet(QStringLiteral("two-wire"));
    d.pace = parser.isSet(QStringLiteral("pace"));
    d.imagePath = parser.value(QStringLiteral("image"));
    result.linkPath = parser.value(QStringLiteral("link"));
    result.savePath = parser.value(QStringLiteral("save"));

    int type = -1;
    const IntOption ints[] = {
        {"baud", 50, 4000000, &d.baud},
        {"type", 0, 255, &type},
        {"turnaround", 0, 10000000, &d.turnaroundUs},
        {"byte-gap", 0, 10000, &d.answerByteGapMs},
        {"frame-timeout", 0, 600000, &d.frameTimeoutMs},
        {"usb-latency", 0, 1000, &d.usbLatencyMs},
        {"usb-packet", 1, 4096, &d.usbPacketBytes},
        {"no-answer", 0, 1000000, &f.noAnswerEvery},
        {"bad-checksum", 0, 1000000, &f.badChecksumEvery},
        {"bad-marker", 0, 1000000, &f.badMarkerEvery},
        {"truncate", 0, 1000000, &f.truncateEvery},
        {"short", 0, 1000000, &f.shortEvery},
        {"extra-byte", 0, 1000000, &f.extraByteEvery},
        {"noise", 0, 1000000, &f.noiseEvery},
        {"noise-bytes", 1, 200, &f.noiseBytes},
        {"late", 0, 600000, &f.lateMs},
        {"late-every", 1, 1000000, &f.lateEvery},
        {"duplicate", 0, 600000, &f.duplicateMs},
        {"duplicate-every", 1, 1000000, &f.duplicateEvery},
        {"fail-writes", 0, 1000000, &f.failWrites},
        {"drop-writes", 0, 1000000, &f.dropWriteEvery},
        {"answer-from", 0, 1000000, &f.answerFrom},
        {"hangup-after", 0, 1000000, &f.hangupAfter},
    };
    for (const IntOption& o : ints) {
        const QString name = QString::fromLatin1(o.name);
        if (!parser.isSet(name))
            continue;
        bool ok = false;
        const int value = parser.value(name).toInt(&ok);
        if (!ok || value < o.minimum || value > o.maximum) {
            *message = QStringLiteral("--%1 wants a number from %2 to %3, not \"%4\"")
                           .arg(name)
                           .arg(o.minimum)
                           .arg(o.maximum)
                           .arg(parser.value(name));
            return ParseResult::Error;
        }
        *o.target = value;
    }
    if (type >= 0)
        d.type = type;

    for (const QString& text : parser.values(QStringLiteral("set"))) {
        QPair<int, QByteArray> preset;
        if (!parsePreset(text, &preset)) {
            *message = QStringLiteral("--set wants ADDR=HH[,HH...] in hexadecimal, not \"%1\"").arg(text);
            return ParseResult::Error;
        }
        d.presets << preset;
    }
    for (const char* name : {"protect", "silent"}) {
        const QString option = QString::fromLatin1(name);
        for (const QString& text : parser.values(option)) {
            SimRange range;
            if (!parseRange(text, &range)) {
                *message = QStringLiteral("--%1 wants FROM[-TO] in hexadecimal, not \"%2\"").arg(option, text);
                return ParseResult::Error;
            }
            (option == QLatin1String("protect") ? f.protect : f.silent) << range;
        }
    }

    for (const char* name : {"busy-hint", "alt-sync"}) {
        const QString option = QString::fromLatin1(name);
        if (!parser.isSet(option))
            continue;
        bool on = false;
        if (!parseOnOff(parser.value(option), &on)) {
            *message = QStringLiteral("--%1 wants on or off, not \"%2\"").arg(option, parser.value(option));
            return ParseResult::Error;
        }
        (option == QLatin1String("busy-hint") ? d.busyHint : d.altSync) = on;
    }
    *options = result;
    return ParseResult::Run;
}

} // namespace tbsim

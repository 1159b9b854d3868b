#include "SimCommandLine.h"

#include "SimProfiles.h"

#include <QCommandLineParser>

namespace tbsim {

namespace {

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

QStringList profileNames()
{
    QStringList names;
    for (const ProfileInfo& p : profiles())
        names << p.name;
    return names;
}

// Blanks let the help wrap between names, not inside one.
QString profileList() { return profileNames().join(QStringLiteral(", ")); }

template <class... Kinds>
struct Overloaded : Kinds... {
    using Kinds::operator()...;
};

// The value of one option given on the command line into its field; false
// with the message when the value is not one the option takes.
bool applyOption(const SimOptionRow& row, const QCommandLineParser& parser, SimProgramOptions* options,
                 QString* message)
{
    const QString name = QString::fromLatin1(row.name);
    const QString value = parser.value(name);
    const auto number = [&](int* result) {
        bool ok = false;
        *result = value.toInt(&ok);
        if (ok && *result >= row.minimum && *result <= row.maximum)
            return true;
        *message = QStringLiteral("--%1 wants a number from %2 to %3, not \"%4\"")
                       .arg(name)
                       .arg(row.minimum)
                       .arg(row.maximum)
                       .arg(value);
        return false;
    };
    return std::visit(
        Overloaded{
            [&](bool& (*field)(SimProgramOptions&)) {
                field(*options) = true;
                return true;
            },
            [&](int& (*field)(SimProgramOptions&)) { return number(&field(*options)); },
            [&](std::optional<int>& (*field)(SimProgramOptions&)) {
                int n = 0;
                if (!number(&n))
                    return false;
                field(*options) = n;
                return true;
            },
            [&](std::optional<bool>& (*field)(SimProgramOptions&)) {
                bool on = false;
                if (!parseOnOff(value, &on)) {
                    *message = QStringLiteral("--%1 wants on or off, not \"%2\"").arg(name, value);
                    return false;
                }
                field(*options) = on;
                return true;
            },
            [&](QString& (*field)(SimProgramOptions&)) {
                if (!row.choices.isEmpty() && !row.choices.contains(value)) {
                    *message = row.unknownChoice.arg(value);
                    return false;
                }
                field(*options) = value;
                return true;
            },
            [&](QList<SimRange>& (*field)(SimProgramOptions&)) {
                for (const QString& text : parser.values(name)) {
                    SimRange range;
                    if (!parseRange(text, &range)) {
                        *message = QStringLiteral("--%1 wants FROM[-TO] in hexadecimal, not \"%2\"").arg(name, text);
                        return false;
                    }
                    field(*options) << range;
                }
                return true;
            },
            [&](QList<QPair<int, QByteArray>>& (*field)(SimProgramOptions&)) {
                for (const QString& text : parser.values(name)) {
                    QPair<int, QByteArray> preset;
                    if (!parsePreset(text, &preset)) {
                        *message =
                            QStringLiteral("--%1 wants ADDR=HH[,HH...] in hexadecimal, not \"%2\"").arg(name, text);
                        return false;
                    }
                    field(*options) << preset;
                }
                return true;
            },
        },
        row.field);
}

} // namespace

// The field of SimProgramOptions a row sets.
#define TB_FIELD(member)                                                                                               \
    +[](SimProgramOptions & o) -> auto& { return o.member; }

const QList<SimOptionRow>& simOptionTable()
{
    constexpr int many = 1000000;
    static const QList<SimOptionRow> table = {
        {"profile", "name",
         QStringLiteral("Device: %1 (default handset); boot-sc14428 or boot-rfl: a flash boot target "
                        "(--profile boot-rfl --help).")
             .arg(profileList()),
         TB_FIELD(device.profile), 0, 0, profileNames(),
         QStringLiteral("unknown profile: %1 (known: %2, boot-sc14428, boot-rfl)")
             .arg(QStringLiteral("%1"), profileList())},
        {"baud", "rate", QStringLiteral("The device's baud rate (default by profile)."), TB_FIELD(device.baud), 50,
         4000000},
        {"two-wire", "", QStringLiteral("Two-wire line: no echo."), TB_FIELD(device.twoWire)},
        {"link", "path", QStringLiteral("Make a symlink to the slave at this path."), TB_FIELD(linkPath)},
        {"image", "file", QStringLiteral("Load the EEPROM from a 65536-byte image."), TB_FIELD(device.imagePath)},
        {"save", "file", QStringLiteral("Write the EEPROM image to this file on exit."), TB_FIELD(savePath)},
        {"type", "t", QStringLiteral("Repeater type byte at 0780h (0-255)."), TB_FIELD(device.type), 0, 255},
        {"busy-hint", "on|off", QStringLiteral("Bit 04h of 0460h (zero blind slot)."), TB_FIELD(device.busyHint)},
        {"alt-sync", "on|off", QStringLiteral("Bit 01h of 0461h (alternative sync)."), TB_FIELD(device.altSync)},
        {"pace", "", QStringLiteral("Send at the line's speed, 10 bits per byte."), TB_FIELD(device.pace)},
        {"turnaround", "us", QStringLiteral("Think time before an answer."), TB_FIELD(device.turnaroundUs), 0,
         10000000},
        {"byte-gap", "ms", QStringLiteral("Answer bytes leave this far apart (a slow sender)."),
         TB_FIELD(device.answerByteGapMs), 0, 10000},
        {"frame-timeout", "ms", QStringLiteral("Drop a frame that stalls this long (default 200, 0 = never)."),
         TB_FIELD(device.frameTimeoutMs), 0, 600000},
        {"usb-latency", "ms",
         QStringLiteral("A USB adapter in front of the program: bytes towards it are held until a packet "
                        "is full or this long after the first (0 = none)."),
         TB_FIELD(device.usbLatencyMs), 0, 1000},
        {"usb-packet", "N", QStringLiteral("The adapter's USB packet in bytes (default 62)."),
         TB_FIELD(device.usbPacketBytes), 1, 4096},
        {"no-answer", "N", QStringLiteral("Every Nth answer is not sent."), TB_FIELD(device.faults.noAnswerEvery), 0,
         many},
        {"bad-checksum", "N", QStringLiteral("Every Nth answer has a wrong checksum."),
         TB_FIELD(device.faults.badChecksumEvery), 0, many},
        {"bad-marker", "N", QStringLiteral("Every Nth answer begins with 4Eh instead of its marker 4Dh."),
         TB_FIELD(device.faults.badMarkerEvery), 0, many},
        {"truncate", "N", QStringLiteral("Every Nth answer lacks its last byte."),
         TB_FIELD(device.faults.truncateEvery), 0, many},
        {"short", "N", QStringLiteral("Every Nth answer carries one data byte fewer (well-formed)."),
         TB_FIELD(device.faults.shortEvery), 0, many},
        {"extra-byte", "N", QStringLiteral("Every Nth answer has one byte more (same write)."),
         TB_FIELD(device.faults.extraByteEvery), 0, many},
        {"noise", "N", QStringLiteral("Every Nth answer has noise bytes in front."), TB_FIELD(device.faults.noiseEvery),
         0, many},
        {"noise-bytes", "K", QStringLiteral("Number of noise bytes (default 3)."), TB_FIELD(device.faults.noiseBytes),
         1, 200},
        {"late", "ms", QStringLiteral("Answers come this much later."), TB_FIELD(device.faults.lateMs), 0, 600000},
        {"late-every", "N", QStringLiteral("Only every Nth answer is late (default 1)."),
         TB_FIELD(device.faults.lateEvery), 1, many},
        {"duplicate", "ms", QStringLiteral("Answers are sent again this long after they end (0 = back to back)."),
         TB_FIELD(device.faults.duplicateMs), 0, 600000},
        {"duplicate-every", "N", QStringLiteral("Only every Nth answer is sent twice (default 1)."),
         TB_FIELD(device.faults.duplicateEvery), 1, many},
        {"drop-writes", "N", QStringLiteral("Every Nth write mail is not stored."),
         TB_FIELD(device.faults.dropWriteEvery), 0, many},
        {"fail-writes", "N", QStringLiteral("The next N write mails are not stored."),
         TB_FIELD(device.faults.failWrites), 0, many},
        {"answer-from", "K", QStringLiteral("The first K-1 read mails get no answer."),
         TB_FIELD(device.faults.answerFrom), 0, many},
        {"set", "addr=hh[,hh...]",
         QStringLiteral("Set cells, hexadecimal, e.g. 0029=A5 or 0040=00,77,A0,01,23 (repeatable)."),
         TB_FIELD(device.presets)},
        {"protect", "from[-to]", QStringLiteral("Refuse writes into these cells, hexadecimal (repeatable)."),
         TB_FIELD(device.faults.protect)},
        {"silent", "from[-to]", QStringLiteral("Leave reads of these cells unanswered, hexadecimal (repeatable)."),
         TB_FIELD(device.faults.silent)},
        {"hangup-after", "N", QStringLiteral("Drop the line half way through the Nth answer and exit."),
         TB_FIELD(device.faults.hangupAfter), 0, many},
    };
    return table;
}

#undef TB_FIELD

ParseResult parseSimArguments(const QStringList& arguments, SimProgramOptions* options, QString* message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated DAVO handset, repeater or base on a pseudo-terminal.\n"
                       "Prints \"PORT <path>\" on standard output and logs every frame on standard error."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    parser.addOptions({help, version});
    for (const SimOptionRow& row : simOptionTable())
        parser.addOption(
            QCommandLineOption(QString::fromLatin1(row.name), row.help, QString::fromLatin1(row.valueName)));

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
    for (const SimOptionRow& row : simOptionTable()) {
        if (parser.isSet(QString::fromLatin1(row.name)) && !applyOption(row, parser, &result, message))
            return ParseResult::Error;
    }
    *options = result;
    return ParseResult::Run;
}

} // namespace tbsim

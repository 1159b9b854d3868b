#include "CliOptions.h"

#include "NumberConverting.h"

namespace {
std::optional<int> ParseDecimal(const QString& text)
{
    if (!IsDecimalText(text) || text.size() > 9)
        return std::nullopt;
    return text.toInt();
}

QString StripHexPrefix(QString text)
{
    if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        return text.mid(2);
    if (text.startsWith(QLatin1Char('$')))
        return text.mid(1);
    return text;
}
} // namespace

QString CliUsageText()
{
    return QStringLiteral(
        "Usage: tunebench-cli [options] <command> [args]\n"
        "\n"
        "Options:\n"
        "  --com N         COM port 1..9 through the port map (default: the stored COMPORT, else 1)\n"
        "  --port PATH     a device path; overrides --com\n"
        "  --baud RATE     8600, 9600 or 115200 (default 9600)\n"
        "  --two-wire      two-wire line mode (no echo, first byte of each delivery sent back)\n"
        "  --trace         every monitor line (TX, RX, CT, CRC, MAIL) on standard error\n"
        "  -h, --help      this text\n"
        "  -v, --version   the program version\n"
        "\n"
        "Commands:\n"
        "  ports                 COM1..COM9 with their device paths, then every other serial port found\n"
        "  probe                 probe the device (up to 6 attempts, 1000 ms apart); prints the attempt number\n"
        "  detect                probe and detect; prints \"PP Connected\", \"Repeater Connected\" or \"Nothing Connected\"\n"
        "  read ADDR [COUNT]     read COUNT (1..200, default 1) EEPROM bytes at hexadecimal ADDR; prints \"00 04 D5\"\n"
        "  write ADDR BYTE...    write hexadecimal bytes in chunks of 8 with read-back; prints the bytes confirmed\n"
        "  mail TEXT             send one mail (hexadecimal bytes); prints the answer text\n"
        "  repeater read [--layout multi|single]\n"
        "                        read the repeater's configuration; prints one \"name: value\" line per field\n"
        "                        and the layout it read in (a single-cell type is always read single-cell)\n"
        "  repeater write [--layout multi|single] [--code OCTAL] [--base N] [--repeater N] [--busy N]\n"
        "                 [--alt-base N] [--alt-repeater N] [--debug-beep on|off]\n"
        "                        check the fields as the Repeater page does and write them in its order;\n"
        "                        layout multi and debug beep off unless given; empty alternatives become 255\n"
        "\n"
        "Exit codes: 0 done; 1 usage or invalid input; 2 the port cannot be opened; 3 no answer\n"
        "            (repeater: no repeater answered, or a cell could not be read);\n"
        "            4 write not confirmed.\n"
        "COM n is the device path in $TUNEBENCH_COM<n>, else the stored Ports/COM<n>, else /dev/ttyS<n-1>.\n");
}

TCliParseResult ParseCliArguments(const QStringList& arguments)
{
    TCliOptions o;
    int i = 1;
    auto value = [&](const QString& name) -> std::optional<QString> {
        if (i + 1 >= arguments.size())
            return std::nullopt;
        Q_UNUSED(name);
        return arguments[++i];
    };
    for (; i < arguments.size(); ++i) {
        const QString a = arguments[i];
        if (!a.startsWith(QLatin1Char('-')) || a == QLatin1String("-"))
            break;
        if (a == QLatin1String("-h") || a == QLatin1String("--help"))
            o.help = true;
        else if (a == QLatin1String("-v") || a == QLatin1String("--version"))
            o.version = true;
        else if (a == QLatin1String("--two-wire"))
            o.twoWire = true;
        else if (a == QLatin1String("--trace"))
            o.trace = true;
        else if (a == QLatin1String("--com")) {
            const auto v = value(a);
            const auto n = v ? ParseDecimal(*v) : std::nullopt;
            if (!n || *n < 1 || *n > 9)
                return {std::nullopt, QStringLiteral("--com needs a port number 1..9")};
            o.com = *n;
        }
        else if (a == QLatin1String("--port")) {
            const auto v = value(a);
            if (!v || v->isEmpty())
                return {std::nullopt, QStringLiteral("--port needs a device path")};
            o.portPath = *v;
        }
        else if (a == QLatin1String("--baud")) {
            const auto v = value(a);
            const auto n = v ? ParseDecimal(*v) : std::nullopt;
            if (!n || (*n != 8600 && *n != 9600 && *n != 115200))
                return {std::nullopt, QStringLiteral("--baud must be 8600, 9600 or 115200")};
            o.baud = *n;
        }
        else
            return {std::nullopt, QStringLiteral("unknown option: %1").arg(a)};
    }
    if (i < arguments.size()) {
        o.command = arguments[i];
        o.args = arguments.mid(i + 1);
    }
    else if (!o.help && !o.version)
        return {std::nullopt, QStringLiteral("no command given")};
    return {o, {}};
}

std::optional<int> ParseHexAddress(const QString& text)
{
    const QString digits = StripHexPrefix(text);
    if (digits.isEmpty() || digits.size() > 4 || !IsHexText(digits, false))
        return std::nullopt;
    return static_cast<int>(HexTextToInt32(digits));
}

std::optional<int> ParseHexByte(const QString& text)
{
    const QString digits = StripHexPrefix(text);
    if (digits.isEmpty() || digits.size() > 2 || !IsHexText(digits, false))
        return std::nullopt;
    return HexTextToByte(digits);
}

TRepeaterParseResult ParseRepeaterArguments(const QStringList& args)
{
    if (args.isEmpty() || (args[0] != QLatin1String("read") && args[0] != QLatin1String("write")))
        return {std::nullopt, QStringLiteral("repeater needs read or write")};
    TRepeaterArgs r;
    r.write = args[0] == QLatin1String("write");
    for (int i = 1; i < args.size(); ++i) {
        const QString& name = args[i];
        if (i + 1 >= args.size())
            return {std::nullopt, QStringLiteral("%1 needs a value").arg(name)};
        const QString value = args[++i];
        if (name == QLatin1String("--layout")) {
            if (value == QLatin1String("multi"))
                r.layout = kMultiCellLayout;
            else if (value == QLatin1String("single"))
                r.layout = kSingleCellLayout;
            else
                return {std::nullopt, QStringLiteral("--layout must be multi or single")};
            continue;
        }
        if (!r.write)
            return {std::nullopt, QStringLiteral("unknown option for repeater read: %1").arg(name)};
        if (name == QLatin1String("--code"))
            r.input.code = value;
        else if (name == QLatin1String("--base"))
            r.input.base = value;
        else if (name == QLatin1String("--repeater"))
            r.input.repeater = value;
        else if (name == QLatin1String("--busy"))
            r.input.busy = value;
        else if (name == QLatin1String("--alt-base"))
            r.input.altBase = value;
        else if (name == QLatin1String("--alt-repeater"))
            r.input.altRepeater = value;
        else if (name == QLatin1String("--debug-beep")) {
            if (value != QLatin1String("on") && value != QLatin1String("off"))
                return {std::nullopt, QStringLiteral("--debug-beep must be on or off")};
            r.input.debugBeep = value == QLatin1String("on");
        }
        else
            return {std::nullopt, QStringLiteral("unknown option for repeater write: %1").arg(name)};
    }
    return {r, {}};
}

// Commands on the bare link: ports, probe, detect, EEPROM read and write, mails.
#include "CliApp.h"
#include "CliGroups.h"

#include "ComPortMap.h"
#include "DeviceDetection.h"
#include "DeviceIdentity.h"
#include "MachineSettings.h"
#include "NumberConverting.h"
#include "SndMail.h"
#include "TpaProComImpl.h"

#include <QFileInfo>
#include <QJsonArray>
#include <vector>

namespace {
namespace link {
const std::string kGroup = "Link commands";

QString SourceName(TComPortMap::Source source)
{
    switch (source) {
    case TComPortMap::Source::Override:
        return QStringLiteral("port-option");
    case TComPortMap::Source::Environment:
        return QStringLiteral("environment");
    case TComPortMap::Source::Stored:
        return QStringLiteral("stored");
    case TComPortMap::Source::SingleUsbAdapter:
        return QStringLiteral("single-usb-adapter");
    case TComPortMap::Source::PlatformDefault:
        break;
    }
    return QStringLiteral("default");
}

QString HexAddress(int address) { return QString::number(address, 16).toUpper().rightJustified(4, QLatin1Char('0')); }

// "  ftdi_sio, latency timer 16 ms" of a USB adapter, as far as the system tells.
void AddDriverDetails(const TSerialPortEntry& port, QString& line, QJsonObject& json)
{
    QStringList details;
    if (!port.driver.isEmpty()) {
        details << port.driver;
        json.insert(QStringLiteral("driver"), port.driver);
    }
    if (port.latencyTimerMs) {
        details << QStringLiteral("latency timer %1 ms").arg(*port.latencyTimerMs);
        json.insert(QStringLiteral("latency-timer-ms"), *port.latencyTimerMs);
    }
    if (!details.isEmpty())
        line += QStringLiteral("  ") + details.join(QStringLiteral(", "));
}

int Ports(TCliSession& s)
{
    TComPortMap map;
    const QList<TSerialPortEntry> found = map.Scan();
    map.SetScanner([&found] { return found; });
    bool slowTimer = false;
    for (const TSerialPortEntry& port : found)
        slowTimer = slowTimer || port.SlowLatencyTimer();
    QStringList mapped;
    for (int com = TComPortMap::kFirstCom; com <= TComPortMap::kLastCom; ++com) {
        const TComPortMap::Resolution port = map.Resolve(com);
        mapped << QFileInfo(port.path).canonicalFilePath();
        const bool present = QFileInfo::exists(port.path);
        QString line = QStringLiteral("COM%1  %2  %3").arg(com).arg(port.path, present ? "present" : "missing");
        if (port.source == TComPortMap::Source::Stored)
            line += QStringLiteral("  mapped");
        else if (port.source == TComPortMap::Source::SingleUsbAdapter)
            line += QStringLiteral("  the only USB serial adapter, while no port is mapped");
        QJsonObject json{{"com", com}, {"path", port.path}, {"present", present}, {"source", SourceName(port.source)}};
        if (const auto adapter = SerialPortList::FindByPath(found, port.path); adapter && adapter->IsUsbAdapter())
            AddDriverDetails(*adapter, line, json);
        s.Output().Result(QStringLiteral("com-port"), json, line + "\n");
    }
    for (const TSerialPortEntry& port : found) {
        if (mapped.contains(QFileInfo(port.devicePath).canonicalFilePath()))
            continue;
        QStringList fields{port.PreferredName(), port.description.isEmpty() ? QStringLiteral("-") : port.description};
        if (!port.UsbId().isEmpty())
            fields << port.UsbId();
        QJsonObject json{{"name", port.PreferredName()}, {"description", port.description}};
        if (!port.UsbId().isEmpty())
            json.insert(QStringLiteral("usb-id"), port.UsbId());
        QString line = fields.join(QStringLiteral("  "));
        AddDriverDetails(port, line, json);
        s.Output().Result(QStringLiteral("serial-port"), json, line + "\n");
    }
    if (slowTimer)
        s.Err() << "note: an adapter's latency timer above 1 ms holds every answer back that long. Tunebench asks "
                   "the driver for 1 ms while it holds the port (unless [Link] LowLatency=0 or --no-low-latency); "
                   "where the timer stays higher, or for other programs, the udev rule "
                << SerialPortList::LatencyRuleFile() << " sets 1 ms whenever the adapter is plugged in\n";
    return kExitDone;
}

struct TMapArgs {
    std::string com;
    std::string path;
};

// Stores COM n -> path (removes it with an empty path) and prints what COM n is now.
int MapPort(TCliSession& s, const TMapArgs& a)
{
    const int com = *ParseDecimal(FromArg(a.com));
    QString stored = FromArg(a.path);
    if (stored.size() > TComPortMap::kMaxPathLength) {
        s.Err() << "tunebench-cli: a device path of " << stored.size() << " characters is no device (at most "
                << TComPortMap::kMaxPathLength << "); nothing was stored\n";
        return kExitUsage;
    }
    // The stable name of a port found survives replugging: store that one.
    if (!stored.isEmpty())
        if (const auto port = SerialPortList::FindByPath(SerialPortList::Scan(), stored))
            stored = port->PreferredName();
    TMachineSettings settings;
    if (!TComPortMap::Store(settings, com, stored)) {
        s.Err() << "tunebench-cli: the port map could not be stored: " << settings.ErrorString() << "\n";
        return kExitUsage;
    }
    if (!stored.isEmpty() && !QFileInfo::exists(stored))
        s.Err() << "note: " << stored << " does not exist now\n";
    // Which file: under sudo the invoking user's, with TUNEBENCH_REGISTRY that one.
    s.Err() << "note: " << (stored.isEmpty() ? "removed from " : "stored in ") << settings.Path() << "\n";
    const TComPortMap::Resolution now = TComPortMap().Resolve(com);
    if (now.source == TComPortMap::Source::Environment)
        s.Err() << "note: TUNEBENCH_COM" << com << " is set: COM" << com << " stays " << now.path << " while it is\n";
    const QString path = now.path;
    s.Output().Result(QStringLiteral("port-map"), {{"com", com}, {"path", path}},
                      QStringLiteral("COM%1  %2\n").arg(com).arg(path));
    return kExitDone;
}

int Probe(TCliSession& s)
{
    TSendmail* link = s.OpenLink();
    if (!link)
        return kExitPort;
    const int attempt = link->ProbeDevice(1000);
    s.Output().Result(QStringLiteral("probe"), {{"attempt", attempt}}, QStringLiteral("%1\n").arg(attempt));
    return attempt >= 1 && attempt <= 6 ? kExitDone : kExitNoAnswer;
}

int Detect(TCliSession& s)
{
    TSendmail* link = s.OpenLink();
    if (!link)
        return kExitPort;
    const int attempt = link->ProbeDevice(1000);
    const bool answered = attempt >= 1 && attempt <= 6;
    const DeviceKind kind = answered ? TDeviceDetector(*link).DetectDevice() : DeviceKind::Unknown;
    QJsonValue identity; // a handset's IPEI; the human line names none, so only JSON reads it
    if (s.Output().Json() && IdentityCells(kind))
        if (const TDeviceIdentity read = ReadDeviceIdentity(*link, kind); read.state == TDeviceIdentity::TState::Valid)
            identity = read.text;
    const QJsonObject json{
        {"kind", DeviceKindName(kind)}, {"status", DeviceKindStatusText(kind)}, {"identity", identity}};
    s.Output().Result(QStringLiteral("detect"), json, QStringLiteral("%1\n").arg(DeviceKindStatusText(kind)));
    if (answered && kind == DeviceKind::Base)
        s.Err() << "the device answered the probe, but as neither a handset nor a repeater\n";
    else if (answered && kind == DeviceKind::Unknown)
        s.Err() << "the device answered the probe, but its identity (cell 0040h, or the type at 0780h) gave no "
                   "valid answer\n";
    return kind == DeviceKind::Handset || kind == DeviceKind::Repeater ? kExitDone : kExitNoAnswer;
}

struct TReadArgs {
    std::string address;
    std::string count = "1";
};

int Read(TCliSession& s, const TReadArgs& a)
{
    const int address = *ParseHexAddress(FromArg(a.address));
    const int count = *ParseDecimal(FromArg(a.count));
    if (address + count > 0x10000) // the device would answer with cells from address 0 on
        return s.Usage(QStringLiteral("the bytes run past address FFFF"));
    TSendmail* link = s.OpenLink();
    if (!link)
        return kExitPort;
    const QString answer =
        link->ReadEepromText(static_cast<std::uint8_t>(address % 256), static_cast<std::uint8_t>(address / 256),
                             static_cast<std::uint8_t>(count));
    if (answer.isEmpty()) // no bytes to show: a script must not take an empty line or object for cells
        return kExitNoAnswer;
    s.Output().Result(QStringLiteral("read"), {{"address", HexAddress(address)}, {"bytes", answer}}, answer + "\n");
    return kExitDone;
}

struct TWriteArgs {
    std::string address;
    std::vector<std::string> bytes;
};

int Write(TCliSession& s, const TWriteArgs& a)
{
    const int address = *ParseHexAddress(FromArg(a.address));
    std::vector<std::uint8_t> data;
    for (const std::string& b : a.bytes)
        data.push_back(static_cast<std::uint8_t>(*ParseHexByte(FromArg(b))));
    if (address + static_cast<int>(data.size()) > 0x10000)
        return s.Usage(QStringLiteral("the bytes run past address FFFF"));
    TSendmail* link = s.OpenLink();
    if (!link)
        return kExitPort;
    int done = 0;
    const int total = static_cast<int>(data.size());
    link->OnBlockProgress = [&](int k) {
        done += k;
        s.Output().Progress(done * 100 / total, QStringLiteral("written %1 of %2 bytes\n").arg(done).arg(total),
                            {{"done", done}, {"total", total}});
    };
    const int confirmed = link->WriteEepromBlock(static_cast<std::uint16_t>(address), data, total);
    s.Output().Result(QStringLiteral("write"),
                      {{"address", HexAddress(address)}, {"confirmed", confirmed}, {"count", total}},
                      QStringLiteral("%1\n").arg(confirmed));
    if (confirmed == static_cast<int>(data.size()))
        return kExitDone;
    s.Err() << QStringLiteral("not confirmed from %1h on: %2 of %3 bytes confirmed\n")
                   .arg(HexAddress(address + confirmed))
                   .arg(confirmed)
                   .arg(data.size());
    return kExitNotConfirmed;
}

// A read or write mail that the device cannot take as one is ignored by it,
// which would look like a device that is off.
QString MalformedMail(const QString& corrected)
{
    QStringList bytes; // two digits each, as the frame is built
    for (QString rest = corrected; !rest.isEmpty(); rest = rest.mid(2).trimmed())
        bytes << rest.left(2);
    if (bytes.size() < 2 || bytes[0] != QLatin1String("02"))
        return {};
    const auto count = [&] { return bytes.size() > 4 ? Hex2Dec(bytes[4]) : 0; };
    if (bytes[1] == QLatin1String("3C") && bytes.size() != 7)
        return QStringLiteral("a read mail is 7 bytes, 02 3C 08 00 COUNT ADDR-LOW ADDR-HIGH; this one has %1")
            .arg(bytes.size());
    if (bytes[1] == QLatin1String("3B") && (bytes.size() < 8 || bytes.size() != 7 + count()))
        return QStringLiteral("a write mail is 02 3B 08 00 COUNT ADDR-LOW ADDR-HIGH and COUNT data bytes; this one "
                              "has %1 bytes")
            .arg(bytes.size());
    return {};
}

int Mail(TCliSession& s, const std::vector<std::string>& words)
{
    QStringList text;
    for (const std::string& w : words)
        text << FromArg(w);
    const QString mail = text.join(QLatin1Char(' '));
    // Bad text is refused before the port is touched.
    if (const QString problem = MalformedMail(TMailControl::CorrectMail(mail)); !problem.isEmpty())
        return s.Usage(problem);
    TSendmail* link = s.OpenLink();
    if (!link)
        return kExitPort;
    // The answer is shown as it came, a damaged one too; the exit code says whether it counts.
    const QString answer = link->SendMail(mail);
    s.Output().Result(QStringLiteral("mail"), {{"mail", TMailControl::CorrectMail(mail)}, {"answer", answer}},
                      answer + "\n");
    if (!link->IsPortOpen())
        return s.PortLost();
    if (link->IsWriteMail())
        return link->Success() ? kExitDone : kExitNotConfirmed;
    return link->AnswerWellFormed() ? kExitDone : kExitNoAnswer;
}
} // namespace link
} // namespace

void AddLinkCommands(TCliApp& cli)
{
    using namespace link;
    CLI::App* ports = cli.AddCommand(kGroup, "ports",
                                     "COM1..COM9 with their device paths, then every other serial port found", Ports);
    const auto comCheck = DecimalCheck("1..9", [](int n) { return n >= 1 && n <= 9; });
    auto map = std::make_shared<TMapArgs>();
    CLI::App* mapCommand = cli.AddCommand(
        kGroup, "map", "store COM N -> PATH in the settings (a port's stable by-id name when it has one)",
        [map](TCliSession& s) { return MapPort(s, *map); }, ports);
    mapCommand->add_option("N", map->com, "COM number")->type_name("1..9")->required()->check(comCheck);
    mapCommand->add_option("PATH", map->path, "device path")->type_name("PATH")->required();
    auto unmap = std::make_shared<TMapArgs>();
    cli.AddCommand(
           kGroup, "unmap", "remove the stored COM N", [unmap](TCliSession& s) { return MapPort(s, *unmap); }, ports)
        ->add_option("N", unmap->com, "COM number")
        ->type_name("1..9")
        ->required()
        ->check(comCheck);
    cli.AddCommand(kGroup, "probe", "probe the device (up to 6 attempts, 1000 ms apart); prints the attempt number",
                   Probe);
    cli.AddCommand(kGroup, "detect",
                   "probe and detect; prints \"PP Connected\", \"Repeater Connected\" or \"Nothing Connected\"",
                   Detect);

    auto read = std::make_shared<TReadArgs>();
    CLI::App* readCommand = cli.AddCommand(kGroup, "read", "read COUNT EEPROM bytes at ADDR; prints \"00 04 D5\"",
                                           [read](TCliSession& s) { return Read(s, *read); });
    readCommand->add_option("ADDR", read->address, "EEPROM address")
        ->type_name("HEX")
        ->required()
        ->check(HexAddressCheck());
    readCommand->add_option("COUNT", read->count, "bytes to read (default 1)")
        ->type_name("1..200")
        ->check(DecimalCheck("1..200", [](int n) { return n >= 1 && n <= 200; }));

    auto write = std::make_shared<TWriteArgs>();
    CLI::App* writeCommand =
        cli.AddCommand(kGroup, "write", "write bytes in chunks of 8 with read-back; prints the bytes confirmed",
                       [write](TCliSession& s) { return Write(s, *write); });
    writeCommand->add_option("ADDR", write->address, "EEPROM address")
        ->type_name("HEX")
        ->required()
        ->check(HexAddressCheck());
    writeCommand->add_option("BYTE", write->bytes, "bytes to write")
        ->type_name("HEX")
        ->required()
        ->check(HexByteCheck());

    auto mail = std::make_shared<std::vector<std::string>>();
    cli.AddCommand(kGroup, "mail", "send one mail; prints the answer text",
                   [mail](TCliSession& s) { return Mail(s, *mail); })
        ->add_option("TEXT", *mail, "the mail's bytes")
        ->type_name("HEX")
        ->required();
}

// "handset ..." and "ipei check" on the rules and cell sequences of the handset pages.
#include "CliApp.h"
#include "CliGroups.h"
#include "CliGuard.h"

#include "GainRules.h"
#include "HandsetDevice.h"
#include "NumberConverting.h"
#include "PP_SerialNumber.h"
#include "SndMail.h"
#include "StartupText.h"

#include <QJsonArray>
#include <vector>

namespace {
namespace handset {
const std::string kGroup = "Handset commands";

// The pages' texts, in the language the command line speaks.
const char* const kCouldNotConnect = "Could not connect to device !";
const char* const kReadError = "Read Error! Please try again.";

const QString kGain = QStringLiteral("gain");
const QString kHandsfreeGain = QStringLiteral("handsfree-gain");

using THandsetAction = std::function<int(TCliSession&, THandsetDevice&)>;

// Opens the port and checks the device as demanded; a write demands what the
// window's page checks before the same write (HandsetWriteDemand), a read at
// most an answer to the probe.
int OnHandset(TCliSession& s, const TDeviceDemand& demand, const THandsetAction& action, const char* command = "")
{
    TDeviceNeeds needs;
    needs.noAnswerText = kCouldNotConnect;
    needs.answerCheck = demand.answerCheck;
    needs.kind = demand.kind;
    needs.identify = demand.identify;
    needs.force = demand.force;
    needs.command = command;
    const TDeviceAccess access = OpenDevice(s, needs);
    if (!access)
        return access.exit;
    THandsetDevice device(*access.link);
    return action(s, device);
}

// A read: where the page asks first, a device must answer the probe.
TDeviceDemand ReadDemand(bool answerCheck)
{
    TDeviceDemand demand;
    demand.answerCheck = answerCheck;
    return demand;
}

int WriteHandset(TCliSession& s, THandsetWrite write, const char* command, bool force, const THandsetAction& action)
{
    return OnHandset(s, HandsetWriteDemand(write, force), action, command);
}

int Fail(TCliSession& s, const char* message, int code)
{
    s.Err() << message << "\n";
    return code;
}

struct TTextArgs {
    bool threeLine = false;
    bool oneLine = false;
    bool force = false;
    std::vector<std::string> lines;
};

// Why the text is refused, in the command line's words (the same rule as the page's).
int RefuseText(TCliSession& s, const TTextRefusal& why)
{
    switch (why.reason) {
    case TTextRefusal::Reason::TooManyLines:
        return s.Usage(QStringLiteral("at most %1 line(s) in this layout").arg(why.limit));
    case TTextRefusal::Reason::LineTooLong:
        return s.Usage(
            QStringLiteral("line %1 has %2 characters; at most %3").arg(why.line).arg(why.length).arg(why.limit));
    case TTextRefusal::Reason::UnstorableCharacter:
        break;
    }
    s.Err() << QStringLiteral("The character \"%1\" in line %2 can not be stored in the handset !\n")
                   .arg(why.character)
                   .arg(why.line);
    return kExitUsage;
}

int WriteText(TCliSession& s, const TTextArgs& args)
{
    QStringList lines;
    for (const std::string& arg : args.lines)
        lines << FromArg(arg);
    const TStartupText::TEncoded encoded = TStartupText::Encode(lines, args.threeLine);
    if (encoded.refused)
        return RefuseText(s, *encoded.refused);
    return WriteHandset(
        s, THandsetWrite::Text, "handset text write", args.force,
        [&](TCliSession& session, THandsetDevice& device) -> int {
            const TTextLayoutDecision layout = device.CheckTextLayout(args.threeLine);
            if (!layout.Writes(args.force)) {
                session.Err() << "the handset does not look like a three-line model (DAVO 7310 / 8220 / 8240 / "
                                 "8280): its cells after the first 10 characters hold no text, and three lines "
                                 "overwrite 48 cells from 0196h. Nothing was written; --force writes them anyway.\n";
                return kExitWrongModel;
            }
            const int written = device.WriteTextBlocks(encoded.blocks, [&](const TTextBlock& block) {
                const QString report = block.Report(); // "0196 48 45 4C"
                session.Output().Result(QStringLiteral("text-block"),
                                        {{"address", report.left(4)}, {"bytes", report.mid(5)}}, report + "\n");
            });
            if (written != static_cast<int>(encoded.blocks.size()))
                return Fail(session, "Write of text failed, Try again !!", kExitNotConfirmed);
            return kExitDone;
        });
}

int ReadText(TCliSession& s, const TTextArgs& args)
{
    return OnHandset(s, ReadDemand(false), [&](TCliSession& session, THandsetDevice& device) -> int {
        // Without the layout given, the three-line extent is read and judged.
        const auto bytes = device.ReadStartupText(args.threeLine || !args.oneLine);
        if (!bytes)
            return Fail(session, kReadError, kExitNoAnswer);
        const QStringList lines = args.threeLine || args.oneLine ? TStartupText::Decode(*bytes, args.threeLine)
                                                                 : TStartupText::DecodeEitherLayout(*bytes);
        QString human;
        for (const QString& line : lines)
            human += line + "\n";
        session.Output().Result(QStringLiteral("text"), {{"lines", QJsonArray::fromStringList(lines)}}, human);
        return kExitDone;
    });
}

struct TTransducerArgs {
    std::string kind;
    bool force = false;
};

int Transducer(TCliSession& s, const TTransducerArgs& args)
{
    const std::uint8_t value = args.kind == "new" ? TGainRules::kNewTransducer : TGainRules::kOldTransducer;
    return WriteHandset(s, THandsetWrite::Transducer, "handset transducer", args.force,
                        [&](TCliSession& session, THandsetDevice& device) -> int {
                            const TTransducerOutcome outcome = device.SetTransducer(value);
                            switch (outcome) {
                            case TTransducerOutcome::NoAnswer:
                                return Fail(session, "No respons from handset, Try again !", kExitNoAnswer);
                            case TTransducerOutcome::AlreadySet:
                            case TTransducerOutcome::Written:
                                break;
                            case TTransducerOutcome::WriteFailed:
                                return Fail(session, "WriteError, Try again !", kExitNotConfirmed);
                            }
                            const bool written = outcome == TTransducerOutcome::Written;
                            session.Output().Result(QStringLiteral("transducer"),
                                                    {{"byte", ByteToHex(value)}, {"written", written}},
                                                    (written ? "written " : "already ") + ByteToHex(value) + "\n");
                            return kExitDone;
                        });
}

struct TGainArgs {
    std::string loudspeaker;
    std::string microphone;
    bool force = false;
    [[nodiscard]] std::uint8_t Byte() const
    {
        return TGainRules::Join(ParseDecimal(FromArg(loudspeaker)).value_or(0),
                                ParseDecimal(FromArg(microphone)).value_or(0));
    }
};

// type: "gain" or "handsfree-gain".
int Report(TCliSession& s, const QString& type, std::uint8_t value)
{
    const TGainFields fields = TGainRules::Split(value);
    s.Output().Result(
        type, {{"loudspeaker", fields.loudspeaker}, {"microphone", fields.microphone}, {"byte", ByteToHex(value)}},
        TGainRules::Report(value) + "\n");
    return kExitDone;
}

int GainRead(TCliSession& s)
{
    return OnHandset(s, ReadDemand(false), [](TCliSession& session, THandsetDevice& device) -> int {
        const auto value = device.ReadGain();
        return value ? Report(session, kGain, *value) : Fail(session, kReadError, kExitNoAnswer);
    });
}

int GainWrite(TCliSession& s, const TGainArgs& args)
{
    return WriteHandset(s, THandsetWrite::Gain, "handset gain write", args.force,
                        [&](TCliSession& session, THandsetDevice& device) -> int {
                            return device.WriteGain(args.Byte())
                                       ? Report(session, kGain, args.Byte())
                                       : Fail(session, "WriteError. Try again !", kExitNotConfirmed);
                        });
}

enum class THandsfreeAction { Read, Write, Reset };

int Handsfree(TCliSession& s, THandsfreeAction action, const TGainArgs& args)
{
    const THandsetAction run = [&](TCliSession& session, THandsetDevice& device) -> int {
        switch (device.CheckHandsfreeModel()) {
        case THandsfreeModel::Qualifies:
            break;
        case THandsfreeModel::OtherModel:
            return Fail(session, "Handset must be of the type DAVO 8240 or DAVO 8280 !", kExitWrongModel);
        case THandsfreeModel::NoAnswer:
            return Fail(session, kReadError, kExitNoAnswer);
        }
        if (action == THandsfreeAction::Read) {
            const auto value = device.ReadHandsfreeGain();
            return value ? Report(session, kHandsfreeGain, *value) : Fail(session, kReadError, kExitNoAnswer);
        }
        const std::uint8_t value = action == THandsfreeAction::Reset ? TGainRules::kHandsfreeDefault : args.Byte();
        return device.WriteHandsfreeGain(value) ? Report(session, kHandsfreeGain, value)
                                                : Fail(session, "Could not write to handset !", kExitNotConfirmed);
    };
    if (action == THandsfreeAction::Read)
        return OnHandset(s, ReadDemand(true), run);
    return WriteHandset(s, THandsetWrite::HandsfreeGain,
                        action == THandsfreeAction::Write ? "handset handsfree write" : "handset handsfree reset",
                        args.force, run);
}

int HandsetIpei(TCliSession& s)
{
    return OnHandset(s, ReadDemand(true), [](TCliSession& session, THandsetDevice& device) -> int {
        const QString digits = device.ReadIdentityDigits();
        if (digits.size() < 10)
            return Fail(session, kReadError, kExitNoAnswer);
        const QString ipei = TPP_SerialNumber().HexToIpei(digits, true);
        if (ipei.isEmpty()) {
            session.Err() << "The identity " << digits << " is no IPEI\n";
            return kExitUsage;
        }
        session.Output().Result(QStringLiteral("ipei"), {{"ipei", ipei}}, ipei + "\n");
        return kExitDone;
    });
}

int IpeiCheck(TCliSession& s, const std::vector<std::string>& parts)
{
    QStringList words;
    for (const std::string& part : parts)
        words << FromArg(part);
    const QString text = RemoveBlanks(words.join(QLatin1Char(' ')));
    const TPP_SerialNumber sn;
    const QString type = QStringLiteral("ipei-check");
    if (text.size() == 12 && sn.IsValidIpei(text)) {
        const QString check = sn.IpeiCheckDigit(text);
        s.Output().Result(type, {{"valid", true}, {"check", check}}, check + "\n");
        return kExitDone;
    }
    if (text.size() == 13 && sn.IsValidIpeiWithCheckDigit(text)) {
        s.Output().Result(type, {{"valid", true}, {"check", text.right(1)}}, QStringLiteral("valid\n"));
        return kExitDone;
    }
    s.Output().Result(type, {{"valid", false}}, QStringLiteral("not a valid IPEI\n"));
    s.Err() << "not a valid IPEI: " << sn.WhyNotIpei(text) << "\n";
    return kExitUsage;
}

CLI::Validator FieldCheck(int maximum)
{
    return DecimalCheck("0.." + std::to_string(maximum), [maximum](int n) { return n >= 0 && n <= maximum; });
}

void AddGainArguments(CLI::App* command, TGainArgs& args, int loudspeakerMax)
{
    command->add_option("LS", args.loudspeaker, "loudspeaker gain")
        ->required()
        ->type_name("0.." + std::to_string(loudspeakerMax))
        ->check(FieldCheck(loudspeakerMax));
    command->add_option("MIC", args.microphone, "microphone gain")
        ->required()
        ->type_name("0..15")
        ->check(FieldCheck(TGainRules::kFieldMax));
}

CLI::App* AddSubFamily(CLI::App* parent, const std::string& name, const std::string& description)
{
    CLI::App* family = parent->add_subcommand(name, description);
    family->group(kGroup);
    family->footer("");
    family->require_subcommand(0, 1);
    return family;
}
} // namespace handset
} // namespace

void AddHandsetCommands(TCliApp& cli)
{
    using namespace handset;
    CLI::App* handset = cli.AddFamily(kGroup, "handset", "a handset's startup text, transducer, gains and identity");

    CLI::App* text = AddSubFamily(handset, "text", "the text a handset shows when it is switched on");
    auto write = std::make_shared<TTextArgs>();
    CLI::App* writeCommand = cli.AddCommand(
        kGroup, "write",
        "write the startup text: one line of at most 10 characters, or with --three-line\n"
        "up to three of at most 12; prints each block written as ADDR BYTES",
        [write](TCliSession& s) { return WriteText(s, *write); }, text);
    writeCommand->add_flag("--three-line", write->threeLine,
                           "the three-line layout (DAVO 7310 / 8220 / 8240 / 8280); a handset\n"
                           "that does not look like one is refused (exit 5) unless --force");
    AddForceOption(writeCommand, write->force);
    writeCommand->add_option("LINE", write->lines, "the lines, blank-padded")->type_name("TEXT");
    auto read = std::make_shared<TTextArgs>();
    CLI::App* readCommand = cli.AddCommand(
        kGroup, "read",
        "read the startup text; prints each line without its trailing blanks, a control\n"
        "byte (which no write stores) as \\xHH; without a layout, three lines when the\n"
        "cells after the first 10 characters hold text too (empty last lines left out)",
        [read](TCliSession& s) { return ReadText(s, *read); }, text);
    readCommand->add_flag("--three-line", read->threeLine, "the three-line layout");
    readCommand->add_flag("--one-line", read->oneLine, "the one-line layout (the first 10 characters)")
        ->excludes("--three-line");

    auto transducer = std::make_shared<TTransducerArgs>();
    CLI::App* transducerCommand = cli.AddCommand(
        kGroup, "transducer",
        "set the gain byte of a Pulsa handset for its loudspeaker transducer (new 6D, old 0D);\n"
        "prints \"already 6D\" when nothing had to be written, else \"written 6D\"",
        [transducer](TCliSession& s) { return Transducer(s, *transducer); }, handset);
    AddForceOption(transducerCommand, transducer->force);
    transducerCommand->add_option("KIND", transducer->kind, "the transducer fitted")
        ->required()
        ->type_name("new|old")
        ->check(CLI::IsMember({"new", "old"}).description(""));

    CLI::App* gain = AddSubFamily(handset, "gain", "the internal loudspeaker volume and microphone gain (0029h)");
    cli.AddCommand(
        kGroup, "read", "prints loudspeaker=LS microphone=MIC byte=HH", [](TCliSession& s) { return GainRead(s); },
        gain);
    auto gainArgs = std::make_shared<TGainArgs>();
    CLI::App* gainWrite = cli.AddCommand(
        kGroup, "write", "write both gains; prints the byte written in the same form",
        [gainArgs](TCliSession& s) { return GainWrite(s, *gainArgs); }, gain);
    AddGainArguments(gainWrite, *gainArgs, TGainRules::kFieldMax);
    AddForceOption(gainWrite, gainArgs->force);

    CLI::App* handsfree = AddSubFamily(handset, "handsfree", "the handsfree gains (003Eh) of a DAVO 8240 or 8280");
    auto none = std::make_shared<TGainArgs>();
    cli.AddCommand(
        kGroup, "read", "prints the stored fields, loudspeaker also above 7",
        [none](TCliSession& s) { return Handsfree(s, THandsfreeAction::Read, *none); }, handsfree);
    auto resetArgs = std::make_shared<TGainArgs>();
    AddForceOption(cli.AddCommand(
                       kGroup, "reset", "write the default 6C",
                       [resetArgs](TCliSession& s) { return Handsfree(s, THandsfreeAction::Reset, *resetArgs); },
                       handsfree),
                   resetArgs->force);
    auto handsfreeArgs = std::make_shared<TGainArgs>();
    CLI::App* handsfreeWrite = cli.AddCommand(
        kGroup, "write", "write both handsfree gains",
        [handsfreeArgs](TCliSession& s) { return Handsfree(s, THandsfreeAction::Write, *handsfreeArgs); }, handsfree);
    AddGainArguments(handsfreeWrite, *handsfreeArgs, TGainRules::kHandsfreeLoudspeakerMax);
    AddForceOption(handsfreeWrite, handsfreeArgs->force);

    cli.AddCommand(
        kGroup, "ipei", "read the identity; prints the printed IPEI with its check character",
        [](TCliSession& s) { return HandsetIpei(s); }, handset);

    CLI::App* ipei = cli.AddFamily(kGroup, "ipei", "IPEI texts, without a device");
    auto ipeiText = std::make_shared<std::vector<std::string>>();
    cli.AddCommand(
           kGroup, "check",
           "12 digits: prints the check character; 13 characters: prints \"valid\";\n"
           "otherwise prints \"not a valid IPEI\" and exits 1",
           [ipeiText](TCliSession& s) { return IpeiCheck(s, *ipeiText); }, ipei)
        ->add_option("TEXT", *ipeiText, "the IPEI, blanks allowed")
        ->required()
        ->type_name("TEXT");
}

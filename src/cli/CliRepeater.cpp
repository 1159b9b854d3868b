// "repeater read" and "repeater write" on the rules and cell sequences of the Repeater page.
#include "CliApp.h"
#include "CliGroups.h"
#include "CliGuard.h"

#include "DeviceDetection.h"
#include "ProgramError.h"
#include "RepeaterDevice.h"
#include "RepeaterFields.h"
#include "RepeaterRules.h"
#include "SndMail.h"

#include <QJsonObject>
#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace {
namespace repeater {
const std::string kGroup = "Repeater commands";

const char* FieldName(RepeaterField field) { return RepeaterSetting(field).name; }

QString YesNoUnknown(std::optional<bool> v)
{
    return v ? (*v ? QStringLiteral("yes") : QStringLiteral("no")) : QStringLiteral("unknown");
}

QJsonValue JsonOf(std::optional<bool> v) { return v ? QJsonValue(*v) : QJsonValue(); }

// The code is octal digits, the other fields are numbers.
QJsonValue FieldValue(RepeaterField field, const QString& text)
{
    bool number = false;
    const int value = text.toInt(&number);
    return field == RepeaterField::Code || !number ? QJsonValue(text) : QJsonValue(value);
}

// The cell a field is written to, so that a field whose write was not confirmed is not reported as written.
std::uint16_t FieldCell(RepeaterField field, int layout) { return RepeaterSetting(field).In(layout).cell; }

// Collects what the read and write sequences report, printed in a fixed order.
class TCliRepeaterView final : public IRepeaterView {
public:
    void SetLayout(int layout) override { m_layout = layout; }
    void ShowField(RepeaterField field, const QString& text) override { m_fields[field] = text; }
    void SetDebugBeep(bool on) override { m_beep = on; }
    // The CLI prints the device's own answer (TRepeaterDevice::LastZeroBlindSlot), unknown included.
    void ShowBusyBitHint(bool) override {}
    void FieldSent(RepeaterField field) override { m_sent.push_back(field); }

    // A cell that did not answer reads "unknown" (null), never a default.
    void PrintRead(TCliOutput& out, int type, std::optional<bool> fourAllowed, std::optional<bool> altSync) const
    {
        const char* layout = m_layout == kMultiCellLayout ? "multi" : "single";
        const char* busyRange = fourAllowed ? (*fourAllowed ? "1-4" : "1-3") : nullptr;
        QString human = QStringLiteral("layout: %1\ntype: %2\n").arg(layout).arg(type);
        QJsonObject json{{"layout", layout}, {"repeater-type", type}};
        // Only the code can be empty: its cells hold no code (an erased repeater).
        for (const auto& [field, text] : m_fields) {
            human += QStringLiteral("%1: %2\n").arg(FieldName(field), text.isEmpty() ? QStringLiteral("none") : text);
            json.insert(FieldName(field), FieldValue(field, text));
        }
        human += QStringLiteral("debug-beep: %1\nbusy-range: %2\nalt-sync: %3\n")
                     .arg(m_beep ? (*m_beep ? "on" : "off") : "unknown", busyRange ? busyRange : "unknown",
                          YesNoUnknown(altSync));
        json.insert(QStringLiteral("debug-beep"), JsonOf(m_beep));
        json.insert(QStringLiteral("busy-range"), busyRange ? QJsonValue(busyRange) : QJsonValue());
        json.insert(QStringLiteral("alt-sync"), JsonOf(altSync));
        out.Result(QStringLiteral("repeater"), json, human);
    }
    // The fields written and confirmed, then the debug beep when it was.
    void PrintSent(TCliOutput& out, const TRepeaterInput& input, int layout,
                   const std::vector<std::uint16_t>& unconfirmed, std::optional<bool> beep) const
    {
        QString human;
        QJsonObject json;
        for (RepeaterField field : m_sent)
            if (std::find(unconfirmed.begin(), unconfirmed.end(), FieldCell(field, layout)) == unconfirmed.end()) {
                const QString text = RepeaterSetting(field).TextOf(input);
                human += QStringLiteral("%1: %2\n").arg(FieldName(field), text);
                json.insert(FieldName(field), FieldValue(field, text));
            }
        if (beep) {
            human += QStringLiteral("debug-beep: %1\n").arg(*beep ? "on" : "off");
            json.insert(QStringLiteral("debug-beep"), *beep);
        }
        out.Result(QStringLiteral("repeater-write"), json, human);
    }

private:
    int m_layout = kMultiCellLayout;
    std::map<RepeaterField, QString> m_fields;
    std::optional<bool> m_beep;
    std::vector<RepeaterField> m_sent;
};

struct TRepeaterArgs {
    std::string layout = "multi";
    std::map<RepeaterField, std::string> fields; // the typed fields' options
    std::string debugBeep = "off";
    bool force = false;

    [[nodiscard]] int Layout() const { return layout == "single" ? kSingleCellLayout : kMultiCellLayout; }
    [[nodiscard]] TRepeaterInput Input() const
    {
        TRepeaterInput input;
        for (const auto& [field, value] : fields)
            if (const TRepeaterSetting& setting = RepeaterSetting(field); setting.text)
                input.*setting.text = FromArg(value);
        input.debugBeep = debugBeep == "on";
        return input;
    }
};

// What the option takes, after the page's own message: the page shows its
// intervals beside the fields, a command line cannot.
QString ExpectedInput(RepeaterCheck check, int layout)
{
    const bool multi = layout == kMultiCellLayout;
    if (check == RepeaterCheck::CodeNotValid)
        return multi ? QStringLiteral("--code takes 11 octal digits (0 to 7) that begin with 1 and end in 0 or 4, "
                                      "e.g. 10000000040")
                     : QStringLiteral("--code takes 1 to 12 octal digits (0 to 7) with --layout single");
    const TRepeaterSetting& setting = RepeaterSetting(FieldOfCheck(check));
    // The busy bit's range depends on the repeater: its message says it.
    if (setting.field == RepeaterField::Busy || setting.field == RepeaterField::Code)
        return {};
    const TRepeaterFieldLayout& in = setting.In(layout);
    QString text = QStringLiteral("--%1 takes %2 to %3").arg(QLatin1String(setting.name)).arg(in.low).arg(in.high);
    if (in.noneIs255)
        text += QStringLiteral(", or 255 for none,");
    if (!multi)
        text += QStringLiteral(" with --layout single");
    return text;
}

int ReadRepeater(TSendmail& link, TCliOutput& out, QTextStream& err, const TRepeaterArgs& args)
{
    const RepeaterType type = TDeviceDetector(link).ReadRepeaterType();
    if (!type.answered) {
        err << "the repeater type cell 0780h gave no valid answer\n";
        return kExitNoAnswer;
    }
    if (!type.valid) {
        err << "This is not a DAVO repeater, not able to read data !\n";
        return kExitWrongModel;
    }
    TRepeaterDevice device(link);
    TCliRepeaterView view;
    if (TRepeaterRules::IsMultiCellType(type.type) && args.Layout() == kMultiCellLayout)
        device.ReadMultiCell(view);
    else
        device.ReadSingleCell(view);
    const std::optional<bool> altSync = device.ReadAltSync();
    const std::optional<bool> fourAllowed = device.LastZeroBlindSlot();
    view.PrintRead(out, type.type, fourAllowed, altSync);
    if (altSync && fourAllowed)
        return kExitDone;
    err << "A cell did not answer: " << (altSync ? "" : "alt-sync (0461h) ")
        << (fourAllowed ? "" : "busy-range (0460h)") << "\n";
    return kExitNoAnswer;
}

int WriteRepeater(TSendmail& link, TCliOutput& out, QTextStream& err, const TRepeaterArgs& args)
{
    const RepeaterType type = TDeviceDetector(link).ReadRepeaterType();
    if (!type.answered) {
        err << "the repeater type cell 0780h gave no valid answer\n";
        return kExitNoAnswer;
    }
    if (!type.valid) {
        err << "This is not a Davo repeater, not able to write data !\n";
        return kExitWrongModel;
    }
    TRepeaterDevice device(link);
    TRepeaterInput input = args.Input();
    const std::optional<bool> altSync = device.ReadAltSync();
    const bool altGiven = !input.altBase.isEmpty() || !input.altRepeater.isEmpty();
    if (altGiven && !altSync) {
        err << "The alternative sync cell (0461h) did not answer; the alternative fields cannot be written.\n";
        return kExitNoAnswer;
    }
    if (altGiven && !*altSync) {
        err << "This repeater takes no alternative base or repeater number (no alternative sync).\n";
        return kExitUsage;
    }
    input.altShown = altSync.value_or(false);
    if (input.altShown) {
        if (input.altBase.isEmpty())
            input.altBase = QStringLiteral("255");
        if (input.altRepeater.isEmpty())
            input.altRepeater = QStringLiteral("255");
    }
    // The page's busy-bit field refuses a digit beyond its hint as it is typed.
    const bool hintFour = device.ZeroBlindSlot();
    if (!TRepeaterRules::BusyBitTextAllowed(input.busy, hintFour))
        input.busy.clear();
    const int layout = args.Layout();
    const RepeaterCheck check = TRepeaterRules::Validate(
        layout, input, [&] { return device.ZeroBlindSlot(); }, [&] { return hintFour; });
    if (check != RepeaterCheck::Ok) {
        err << DefaultRepeaterMessage(check) << "\n";
        if (const QString expected = ExpectedInput(check, layout); !expected.isEmpty())
            err << expected << "\n";
        return kExitUsage;
    }
    const TRepeaterLayoutDecision decision = TRepeaterRules::LayoutVerdict(layout, type.type);
    if (!decision.Writes(args.force)) {
        if (decision.verdict == WriteVerdict::Refuse)
            err << "This is a Single Cell Solution repeater: write it with --layout single. Nothing was written.\n";
        else
            err << "This is a Multi Cell Solution repeater: the single cell settings overwrite its MXS code. Nothing "
                   "was written; --force writes them anyway.\n";
        return kExitWrongModel;
    }
    TCliRepeaterView view;
    if (layout == kMultiCellLayout)
        device.WriteMultiCell(input, view);
    else
        device.WriteSingleCell(input, view);
    const std::vector<std::uint16_t>& unconfirmed = device.UnconfirmedCells();
    view.PrintSent(out, input, layout, unconfirmed,
                   std::find(unconfirmed.begin(), unconfirmed.end(), RepeaterCell::DebugBeep) == unconfirmed.end()
                       ? std::optional<bool>(input.debugBeep)
                       : std::nullopt);
    if (unconfirmed.empty())
        return kExitDone;
    QStringList names;
    for (std::uint16_t cell : unconfirmed)
        names << RepeaterCellName(cell);
    err << "Not confirmed by the device: " << names.join(QStringLiteral(", ")) << "\n";
    return kExitNotConfirmed;
}

using TRepeaterSequence = int (*)(TSendmail&, TCliOutput&, QTextStream&, const TRepeaterArgs&);

// guard: the command writes, so it first makes sure that a repeater answers.
int RunOnRepeater(TCliSession& s, TRepeaterSequence sequence, const TRepeaterArgs& args, const char* guard = nullptr)
{
    TDeviceNeeds needs;
    if (guard) {
        needs.noAnswerText = "This is not a Davo repeater, not able to write data !";
        needs.kind = DeviceKind::Repeater;
        needs.command = guard;
        needs.force = args.force;
    }
    const TDeviceAccess access = OpenDevice(s, needs);
    if (!access)
        return access.exit;
    TSendmail* link = access.link;
    try {
        return sequence(*link, s.Output(), s.Err(), args);
    }
    catch (const EProgramError& e) {
        // An unreadable cell ends a repeater command as "no answer"; the message alone
        // ('"" is not a valid Hex value') would not say what happened.
        s.Err() << "the repeater command stopped at a cell without a valid answer: " << MessageAlone(e) << "\n";
    }
    s.Err().flush();
    return kExitNoAnswer;
}

void AddLayoutOption(CLI::App* command, TRepeaterArgs& args)
{
    command
        ->add_option("--layout", args.layout,
                     "the page layout (default multi); a single-cell type is always "
                     "read single-cell")
        ->type_name("multi|single")
        ->check(CLI::IsMember({"multi", "single"}).description(""));
}
} // namespace repeater
} // namespace

void AddRepeaterCommands(TCliApp& cli)
{
    using namespace repeater;
    CLI::App* family = cli.AddFamily(kGroup, "repeater", "read or write a repeater's configuration");

    auto read = std::make_shared<TRepeaterArgs>();
    CLI::App* readCommand = cli.AddCommand(
        kGroup, "read",
        "read the repeater's configuration; prints one \"name: value\" line per field\n"
        "and the layout it read in (code: none when its cells hold no code)",
        [read](TCliSession& s) { return RunOnRepeater(s, ReadRepeater, *read); }, family);
    AddLayoutOption(readCommand, *read);

    auto write = std::make_shared<TRepeaterArgs>();
    CLI::App* writeCommand = cli.AddCommand(
        kGroup, "write",
        "check the fields as the Repeater page does and write them in its order;\n"
        "empty alternatives become 255",
        [write](TCliSession& s) { return RunOnRepeater(s, WriteRepeater, *write, "repeater write"); }, family);
    AddLayoutOption(writeCommand, *write);
    AddForceOption(writeCommand, write->force);
    writeCommand->get_option("--force")->description(
        "write without identifying the device first (for a device that the\n"
        "detection cannot place), and --layout single into a multi cell repeater");
    for (const TRepeaterSetting& setting : RepeaterFields()) {
        if (setting.use == TRepeaterSetting::TUse::Fixed)
            continue;
        CLI::Option* option =
            writeCommand->add_option(std::string("--") + setting.name, write->fields[setting.field], setting.help)
                ->type_name(setting.field == RepeaterField::Code ? "OCTAL" : "N");
        if (setting.use == TRepeaterSetting::TUse::Typed)
            option->required();
    }
    writeCommand->add_option("--debug-beep", write->debugBeep, "debug beep (default off)")
        ->type_name("on|off")
        ->check(CLI::IsMember({"on", "off"}).description(""));
}

// "repeater read" and "repeater write" on the rules and cell sequences of the Repeater page.
#include "CliApp.h"
#include "CliGroups.h"

#include "DeviceDetection.h"
#include "ProgramError.h"
#include "RepeaterDevice.h"
#include "RepeaterRules.h"
#include "SndMail.h"

#include <map>
#include <vector>

namespace {
const std::string kGroup = "Repeater commands";

const char* FieldName(RepeaterField field)
{
    switch (field) {
    case RepeaterField::Code: return "code";
    case RepeaterField::Base: return "base";
    case RepeaterField::Repeater: return "repeater";
    case RepeaterField::Multibase: return "multibase";
    case RepeaterField::Jump: return "jump";
    case RepeaterField::Busy: return "busy";
    case RepeaterField::AltBase: return "alt-base";
    case RepeaterField::AltRepeater: return "alt-repeater";
    }
    return "";
}

// Collects what the read and write sequences report, printed in a fixed order.
class TCliRepeaterView final : public IRepeaterView {
public:
    void SetLayout(int layout) override { m_layout = layout; }
    void ShowField(RepeaterField field, const QString& text) override { m_fields[field] = text; }
    void SetDebugBeep(bool on) override { m_beep = on ? "on" : "off"; }
    void ShowBusyBitHint(bool fourAllowed) override { m_busyRange = fourAllowed ? "1-4" : "1-3"; }
    void FieldSent(RepeaterField field) override { m_sent.push_back(field); }

    void PrintRead(QTextStream& out, int type, bool altSync) const
    {
        out << "layout: " << (m_layout == kMultiCellLayout ? "multi" : "single") << "\n";
        out << "type: " << type << "\n";
        for (const auto& [field, text] : m_fields)
            out << FieldName(field) << ": " << text << "\n";
        out << "debug-beep: " << m_beep << "\n";
        out << "busy-range: " << m_busyRange << "\n";
        out << "alt-sync: " << (altSync ? "yes" : "no") << "\n";
    }
    void PrintSent(QTextStream& out, const std::map<RepeaterField, QString>& texts) const
    {
        for (RepeaterField field : m_sent)
            out << FieldName(field) << ": " << texts.at(field) << "\n";
    }

private:
    int m_layout = kMultiCellLayout;
    std::map<RepeaterField, QString> m_fields;
    const char* m_beep = "unknown";
    const char* m_busyRange = "1-3";
    std::vector<RepeaterField> m_sent;
};

struct TRepeaterArgs {
    std::string layout = "multi";
    std::string code, base, repeater, busy, altBase, altRepeater;
    std::string debugBeep = "off";

    [[nodiscard]] int Layout() const { return layout == "single" ? kSingleCellLayout : kMultiCellLayout; }
    [[nodiscard]] TRepeaterInput Input() const
    {
        TRepeaterInput input;
        input.code = FromArg(code);
        input.base = FromArg(base);
        input.repeater = FromArg(repeater);
        input.busy = FromArg(busy);
        input.altBase = FromArg(altBase);
        input.altRepeater = FromArg(altRepeater);
        input.debugBeep = debugBeep == "on";
        return input;
    }
};

int ReadRepeater(TSendmail& link, QTextStream& out, QTextStream& err, const TRepeaterArgs& args)
{
    const RepeaterType type = TDeviceDetector(link).ReadRepeaterType();
    if (!type.valid) {
        err << "This is not a DAVO repeater, not able to read data !\n";
        return kExitNoAnswer;
    }
    TRepeaterDevice device(link);
    TCliRepeaterView view;
    if (TRepeaterRules::IsMultiCellType(type.type) && args.Layout() == kMultiCellLayout)
        device.ReadMultiCell(view);
    else
        device.ReadSingleCell(view);
    view.PrintRead(out, type.type, device.AltSyncSupported());
    return kExitDone;
}

int WriteRepeater(TSendmail& link, QTextStream& out, QTextStream& err, const TRepeaterArgs& args)
{
    const RepeaterType type = TDeviceDetector(link).ReadRepeaterType();
    if (!type.valid) {
        err << "This is not a Davo repeater, not able to write data !\n";
        return kExitNoAnswer;
    }
    TRepeaterDevice device(link);
    TRepeaterInput input = args.Input();
    input.altShown = device.AltSyncSupported();
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
        return kExitUsage;
    }
    const bool multiType = TRepeaterRules::IsMultiCellType(type.type);
    if (!multiType && layout == kMultiCellLayout) {
        err << "This is a Single Cell Solution repeater ! Change to the Single Cell Solution repeater page !\n";
        return kExitUsage;
    }
    TCliRepeaterView view;
    if (multiType && layout == kMultiCellLayout)
        device.WriteMultiCell(input, view);
    else
        device.WriteSingleCell(input, view);
    view.PrintSent(out, {{RepeaterField::Code, input.code},
                         {RepeaterField::Base, input.base},
                         {RepeaterField::Repeater, input.repeater},
                         {RepeaterField::Multibase, QStringLiteral("1")},
                         {RepeaterField::Jump, QStringLiteral("0")},
                         {RepeaterField::Busy, input.busy},
                         {RepeaterField::AltBase, input.altBase},
                         {RepeaterField::AltRepeater, input.altRepeater}});
    out << "debug-beep: " << (input.debugBeep ? "on" : "off") << "\n";
    return kExitDone;
}

using TRepeaterSequence = int (*)(TSendmail&, QTextStream&, QTextStream&, const TRepeaterArgs&);

int RunOnRepeater(TCliSession& s, TRepeaterSequence sequence, const TRepeaterArgs& args)
{
    TSendmail* link = s.OpenLink();
    if (!link)
        return kExitPort;
    try {
        return sequence(*link, s.Out(), s.Err(), args);
    }
    catch (const EProgramError& e) {
        // An unreadable cell ends a repeater command as "no answer".
        s.Err() << QString(e.Message()).replace(QLatin1Char('\r'), QLatin1Char('\n')) << "\n";
    }
    s.Err().flush();
    return kExitNoAnswer;
}

void AddLayoutOption(CLI::App* command, TRepeaterArgs& args)
{
    command->add_option("--layout", args.layout, "the page layout (default multi); a single-cell type is always "
                                                 "read single-cell")
        ->type_name("multi|single")
        ->check(CLI::IsMember({"multi", "single"}).description(""));
}
} // namespace

void AddRepeaterCommands(TCliApp& cli)
{
    CLI::App* family = cli.AddFamily(kGroup, "repeater", "read or write a repeater's configuration");

    auto read = std::make_shared<TRepeaterArgs>();
    CLI::App* readCommand = cli.AddCommand(
        kGroup, "read",
        "read the repeater's configuration; prints one \"name: value\" line per field\n"
        "and the layout it read in",
        [read](TCliSession& s) { return RunOnRepeater(s, ReadRepeater, *read); }, family);
    AddLayoutOption(readCommand, *read);

    auto write = std::make_shared<TRepeaterArgs>();
    CLI::App* writeCommand = cli.AddCommand(
        kGroup, "write",
        "check the fields as the Repeater page does and write them in its order;\n"
        "empty alternatives become 255",
        [write](TCliSession& s) { return RunOnRepeater(s, WriteRepeater, *write); }, family);
    AddLayoutOption(writeCommand, *write);
    writeCommand->add_option("--code", write->code, "MXS code, octal")->type_name("OCTAL");
    writeCommand->add_option("--base", write->base, "base number")->type_name("N");
    writeCommand->add_option("--repeater", write->repeater, "repeater number")->type_name("N");
    writeCommand->add_option("--busy", write->busy, "channels to transfer (busy bit)")->type_name("N");
    writeCommand->add_option("--alt-base", write->altBase, "alternative base number")->type_name("N");
    writeCommand->add_option("--alt-repeater", write->altRepeater, "alternative repeater number")->type_name("N");
    writeCommand->add_option("--debug-beep", write->debugBeep, "debug beep (default off)")
        ->type_name("on|off")
        ->check(CLI::IsMember({"on", "off"}).description(""));
}

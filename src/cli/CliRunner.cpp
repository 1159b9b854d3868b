#include "CliRunner.h"

#include "AssertionError.h"
#include "DeviceDetection.h"
#include "MachineSettings.h"
#include "NumberConverting.h"
#include "PortDiagnosis.h"
#include "RepeaterDevice.h"
#include "SndMail.h"
#include "TpaProComImpl.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <map>
#include <vector>

TCliRunner::TCliRunner(TCliOptions options, QTextStream& out, QTextStream& err)
    : m_options(std::move(options)), m_out(out), m_err(err)
{
}

TCliRunner::~TCliRunner() = default;

int TCliRunner::Usage(const QString& message)
{
    m_err << "tunebench-cli: " << message << "\n" << "Try 'tunebench-cli --help'.\n";
    m_err.flush();
    return kExitUsage;
}

int TCliRunner::Run()
{
    const QString& c = m_options.command;
    try {
        if (c == QLatin1String("ports"))
            return Ports();
        if (c == QLatin1String("probe"))
            return Probe();
        if (c == QLatin1String("detect"))
            return Detect();
        if (c == QLatin1String("read"))
            return Read();
        if (c == QLatin1String("write"))
            return Write();
        if (c == QLatin1String("mail"))
            return Mail();
        if (c == QLatin1String("repeater"))
            return Repeater();
    }
    catch (const EProgramError& e) {
        return Usage(QString(e.Message()).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    }
    return Usage(QStringLiteral("unknown command: %1").arg(c));
}

int TCliRunner::ComNumber() const
{
    if (m_options.com > 0)
        return m_options.com;
    const auto stored = TMachineSettings().ReadInteger(QStringLiteral("COMPORT"));
    return stored && *stored >= 1 && *stored <= 9 ? *stored : 1;
}

QString TCliRunner::PortName() const
{
    return m_options.portPath.isEmpty() ? QStringLiteral("COM%1").arg(ComNumber()) : m_options.portPath;
}

bool TCliRunner::OpenLink()
{
    m_link = std::make_unique<TSendmail>();
    m_link->ShowDialogs = false;
    const int com = ComNumber();
    if (!m_options.portPath.isEmpty())
        m_link->Port().PortMap().SetOverride(com, m_options.portPath);
    if (m_options.twoWire) {
        m_link->DisableEcho();
        m_link->SetEchoBack(true);
        m_link->PollInterval = 50;
        m_link->AnswerTimeout = 1000;
        m_link->GapTimeout = 500;
        m_link->ReadbackDelay = 10;
    }
    if (m_link->OpenPort(static_cast<std::uint8_t>(com), m_options.baud))
        return true;
    m_err << PortName() << ": This Serial Device is not Accessible!\n";
    const QString why = DescribeOpenFailure(m_link->Port().LastOpenFailure(), m_link->Port().DevicePath(),
                                            m_link->Port().LastOpenErrorText());
    if (!why.isEmpty())
        m_err << why << "\n";
    m_err.flush();
    return false;
}

int TCliRunner::Ports()
{
    TComPortMap map;
    QStringList mapped;
    for (int com = 1; com <= 9; ++com) {
        const QString path = map.DevicePath(com);
        mapped << QFileInfo(path).canonicalFilePath();
        m_out << QStringLiteral("COM%1  %2  %3\n").arg(com).arg(path, QFileInfo::exists(path) ? "present" : "missing");
    }
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (mapped.contains(QFileInfo(info.systemLocation()).canonicalFilePath()))
            continue;
        m_out << info.systemLocation() << "  " << (info.description().isEmpty() ? QStringLiteral("-") : info.description())
              << "\n";
    }
    return kExitDone;
}

int TCliRunner::Probe()
{
    if (!OpenLink())
        return kExitPort;
    const int attempt = m_link->ProbeDevice(1000);
    m_out << attempt << "\n";
    return attempt >= 1 && attempt <= 6 ? kExitDone : kExitNoAnswer;
}

int TCliRunner::Detect()
{
    if (!OpenLink())
        return kExitPort;
    const int attempt = m_link->ProbeDevice(1000);
    const DeviceKind kind = attempt >= 1 && attempt <= 6 ? TDeviceDetector(*m_link).DetectDevice() : DeviceKind::Nothing;
    m_out << DeviceKindStatusText(kind) << "\n";
    return kind == DeviceKind::Nothing ? kExitNoAnswer : kExitDone;
}

int TCliRunner::Read()
{
    const QStringList& a = m_options.args;
    if (a.isEmpty() || a.size() > 2)
        return Usage(QStringLiteral("read needs ADDR [COUNT]"));
    const auto address = ParseHexAddress(a[0]);
    if (!address)
        return Usage(QStringLiteral("not a hexadecimal address: %1").arg(a[0]));
    int count = 1;
    if (a.size() == 2) {
        if (!IsDecimalText(a[1]) || a[1].size() > 3 || a[1].toInt() < 1 || a[1].toInt() > 200)
            return Usage(QStringLiteral("COUNT must be a decimal number 1..200: %1").arg(a[1]));
        count = a[1].toInt();
    }
    if (!OpenLink())
        return kExitPort;
    const QString answer = m_link->ReadEepromText(static_cast<std::uint8_t>(*address % 256),
                                                  static_cast<std::uint8_t>(*address / 256),
                                                  static_cast<std::uint8_t>(count));
    m_out << answer << "\n";
    return answer.isEmpty() ? kExitNoAnswer : kExitDone;
}

int TCliRunner::Write()
{
    const QStringList& a = m_options.args;
    if (a.size() < 2)
        return Usage(QStringLiteral("write needs ADDR BYTE..."));
    const auto address = ParseHexAddress(a[0]);
    if (!address)
        return Usage(QStringLiteral("not a hexadecimal address: %1").arg(a[0]));
    std::vector<std::uint8_t> data;
    for (int i = 1; i < a.size(); ++i) {
        const auto b = ParseHexByte(a[i]);
        if (!b)
            return Usage(QStringLiteral("not a hexadecimal byte: %1").arg(a[i]));
        data.push_back(static_cast<std::uint8_t>(*b));
    }
    if (*address + static_cast<int>(data.size()) > 0x10000)
        return Usage(QStringLiteral("the bytes run past address FFFF"));
    if (!OpenLink())
        return kExitPort;
    int done = 0;
    m_link->OnBlockProgress = [&](int k) {
        done += k;
        m_err << QStringLiteral("written %1 of %2 bytes\n").arg(done).arg(data.size());
        m_err.flush();
    };
    const int confirmed = m_link->WriteEepromBlock(static_cast<std::uint16_t>(*address), data,
                                                   static_cast<int>(data.size()));
    m_out << confirmed << "\n";
    return confirmed == static_cast<int>(data.size()) ? kExitDone : kExitNotConfirmed;
}

int TCliRunner::Mail()
{
    if (m_options.args.isEmpty())
        return Usage(QStringLiteral("mail needs TEXT"));
    const QString text = m_options.args.join(QLatin1Char(' '));
    (void)TMailControl::CorrectMail(text); // refuse bad text before touching the port
    if (!OpenLink())
        return kExitPort;
    m_out << m_link->SendMail(text) << "\n";
    return kExitDone;
}

namespace {
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
} // namespace

int TCliRunner::Repeater()
{
    const TRepeaterParseResult parsed = ParseRepeaterArguments(m_options.args);
    if (!parsed.args)
        return Usage(parsed.error);
    if (!OpenLink())
        return kExitPort;
    try {
        return parsed.args->write ? RepeaterWrite(*parsed.args) : RepeaterRead(*parsed.args);
    }
    catch (const EProgramError& e) {
        // An unreadable cell ends a repeater command as "no answer".
        m_err << QString(e.Message()).replace(QLatin1Char('\r'), QLatin1Char('\n')) << "\n";
    }
    m_err.flush();
    return kExitNoAnswer;
}

int TCliRunner::RepeaterRead(const TRepeaterArgs& args)
{
    const RepeaterType type = TDeviceDetector(*m_link).ReadRepeaterType();
    if (!type.valid) {
        m_err << "This is not a DAVO repeater, not able to read data !\n";
        return kExitNoAnswer;
    }
    TRepeaterDevice device(*m_link);
    TCliRepeaterView view;
    if (TRepeaterRules::IsMultiCellType(type.type) && args.layout == kMultiCellLayout)
        device.ReadMultiCell(view);
    else
        device.ReadSingleCell(view);
    view.PrintRead(m_out, type.type, device.AltSyncSupported());
    return kExitDone;
}

int TCliRunner::RepeaterWrite(const TRepeaterArgs& args)
{
    const RepeaterType type = TDeviceDetector(*m_link).ReadRepeaterType();
    if (!type.valid) {
        m_err << "This is not a Davo repeater, not able to write data !\n";
        return kExitNoAnswer;
    }
    TRepeaterDevice device(*m_link);
    TRepeaterInput input = args.input;
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
    const RepeaterCheck check = TRepeaterRules::Validate(
        args.layout, input, [&] { return device.ZeroBlindSlot(); }, [&] { return hintFour; });
    if (check != RepeaterCheck::Ok) {
        m_err << DefaultRepeaterMessage(check) << "\n";
        return kExitUsage;
    }
    const bool multiType = TRepeaterRules::IsMultiCellType(type.type);
    if (!multiType && args.layout == kMultiCellLayout) {
        m_err << "This is a Single Cell Solution repeater ! Change to the Single Cell Solution repeater page !\n";
        return kExitUsage;
    }
    TCliRepeaterView view;
    if (multiType && args.layout == kMultiCellLayout)
        device.WriteMultiCell(input, view);
    else
        device.WriteSingleCell(input, view);
    view.PrintSent(m_out, {{RepeaterField::Code, input.code},
                           {RepeaterField::Base, input.base},
                           {RepeaterField::Repeater, input.repeater},
                           {RepeaterField::Multibase, QStringLiteral("1")},
                           {RepeaterField::Jump, QStringLiteral("0")},
                           {RepeaterField::Busy, input.busy},
                           {RepeaterField::AltBase, input.altBase},
                           {RepeaterField::AltRepeater, input.altRepeater}});
    m_out << "debug-beep: " << (input.debugBeep ? "on" : "off") << "\n";
    return kExitDone;
}

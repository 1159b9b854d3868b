#include "RepeaterDevice.h"

#include "AssertionError.h"
#include "NumberConverting.h"
#include "SndMail.h"

#include <array>

namespace {
constexpr int kAltAttempts = 5;

std::uint8_t Low(std::uint16_t address) { return static_cast<std::uint8_t>(address & 0xFF); }
std::uint8_t High(std::uint16_t address) { return static_cast<std::uint8_t>(address >> 8); }
QString Decimal(int v) { return QString::number(v); }

// A code cell that did not answer ends the read like a one-byte cell does,
// instead of showing a code made of nothing.
QString Answered(const QString& answer)
{
    if (answer.isEmpty())
        (void)Hex2Dec(answer);
    return answer;
}
} // namespace

QString TRepeaterDevice::ReadText(std::uint16_t address, std::uint8_t count)
{
    return m_link.ReadEepromText(Low(address), High(address), count);
}

std::uint8_t TRepeaterDevice::ReadByteCell(std::uint16_t address) { return Hex2Dec(ReadText(address, 1).left(2)); }

bool TRepeaterDevice::ZeroBlindSlot()
{
    QString answer = ReadText(RepeaterCell::ZeroBlindSlot, 1);
    if (answer.isEmpty() && m_link.Pause(m_retryPauseMs))
        answer = ReadText(RepeaterCell::ZeroBlindSlot, 1);
    const bool answered = answer.size() >= 2 && IsHexText(answer.left(2), false);
    m_lastZeroBlindSlot.reset();
    if (answered)
        m_lastZeroBlindSlot = Hex2Dec(answer.left(2)) == RepeaterCell::ZeroBlindSlotValue;
    return m_lastZeroBlindSlot.value_or(false);
}

std::optional<bool> TRepeaterDevice::ReadAltSync()
{
    std::array<std::uint8_t, 1> b{};
    if (m_link.ReadEepromBytesAt(RepeaterCell::AltSync, 1, b) != 1)
        return std::nullopt;
    return b[0] == RepeaterCell::AltSyncValue;
}

std::uint8_t TRepeaterDevice::ReadAltCell(std::uint16_t address, const char* function)
{
    std::array<std::uint8_t, 1> b{};
    for (int i = 0; i < kAltAttempts; ++i) {
        if (i > 0 && !m_link.Pause(m_retryPauseMs))
            break;
        if (m_link.ReadEepromBytesAt(address, 1, b) == 1)
            return b[0];
    }
    throw EAssertionFailed(QStringLiteral("%1: Cell not readable!").arg(QLatin1String(function)));
}

std::uint8_t TRepeaterDevice::ReadAltBase() { return ReadAltCell(RepeaterCell::AltBase, "ReadAltBase"); }

std::uint8_t TRepeaterDevice::ReadAltRepeater() { return ReadAltCell(RepeaterCell::AltRepeater, "ReadAltRepeater"); }

void TRepeaterDevice::WriteAltCell(std::uint16_t address, int value, const char* function)
{
    const std::array<std::uint8_t, 1> b{static_cast<std::uint8_t>(value & 0xFF)};
    for (int i = 0; i < kAltAttempts; ++i) {
        if (i > 0 && !m_link.Pause(m_retryPauseMs))
            break;
        if (m_link.WriteEepromBytes(Low(address), High(address), 1, b))
            return;
    }
    m_unconfirmed.push_back(address);
    throw EAssertionFailed(QStringLiteral("%1: Cell not written!").arg(QLatin1String(function)));
}

void TRepeaterDevice::WriteAltBase(int value) { WriteAltCell(RepeaterCell::AltBase, value, "WriteAltBase"); }

void TRepeaterDevice::WriteAltRepeater(int value)
{
    WriteAltCell(RepeaterCell::AltRepeater, value, "WriteAltRepeater");
}

bool TRepeaterDevice::WriteCellsHex(std::uint16_t address, const QString& hexText, std::uint8_t count)
{
    const bool ok = m_link.WriteEepromText(Low(address), High(address), count, TRepeaterRules::CellsHexText(hexText));
    if (!ok)
        m_unconfirmed.push_back(address);
    return ok;
}

bool TRepeaterDevice::WriteByte(std::uint16_t address, std::uint8_t value)
{
    return WriteCellsHex(address, ByteToHex(value), 1);
}

bool TRepeaterDevice::ClearBlock()
{
    const std::array<std::uint8_t, RepeaterCell::ClearedCount> zeros{};
    const int done = m_link.WriteEepromBlock(RepeaterCell::Cleared, zeros, RepeaterCell::ClearedCount);
    if (done < RepeaterCell::ClearedCount)
        m_unconfirmed.push_back(static_cast<std::uint16_t>(RepeaterCell::Cleared + done));
    return done == RepeaterCell::ClearedCount;
}

void TRepeaterDevice::ReadBeepAndAlternatives(IRepeaterView& view)
{
    const std::uint8_t beep = ReadByteCell(RepeaterCell::DebugBeep);
    if (beep == RepeaterCell::DebugBeepOff)
        view.SetDebugBeep(false);
    else if (beep == RepeaterCell::DebugBeepOn)
        view.SetDebugBeep(true);
    // Read whether or not the alternative fields are shown.
    view.ShowField(RepeaterField::AltBase, Decimal(ReadAltBase()));
    view.ShowField(RepeaterField::AltRepeater, Decimal(ReadAltRepeater()));
    view.ShowBusyBitHint(ZeroBlindSlot());
}

void TRepeaterDevice::ReadMultiCell(IRepeaterView& view)
{
    view.SetLayout(kMultiCellLayout);
    view.ShowField(RepeaterField::Code, TRepeaterRules::MultiCellCodeToText(Answered(ReadText(RepeaterCell::Code, 4))));
    view.ShowField(RepeaterField::Base, Decimal(ReadByteCell(RepeaterCell::MultiCellBase)));
    view.ShowField(RepeaterField::Repeater, Decimal(ReadByteCell(RepeaterCell::RepeaterNumber)));
    if (const auto multibase = TRepeaterRules::MultibaseFromCode(ReadByteCell(RepeaterCell::Multibase)))
        view.ShowField(RepeaterField::Multibase, Decimal(*multibase));
    view.ShowField(RepeaterField::Jump, Decimal(ReadByteCell(RepeaterCell::RepeaterJump)));
    view.ShowField(RepeaterField::Busy, Decimal(ReadByteCell(RepeaterCell::BusyBit)));
    ReadBeepAndAlternatives(view);
}

void TRepeaterDevice::ReadSingleCell(IRepeaterView& view)
{
    view.SetLayout(kSingleCellLayout);
    view.ShowField(RepeaterField::Busy, Decimal(ReadByteCell(RepeaterCell::BusyBit)));
    view.ShowField(RepeaterField::Code,
                   TRepeaterRules::SingleCellCodeToText(Answered(ReadText(RepeaterCell::Code, 5))));
    view.ShowField(RepeaterField::Base, Decimal(ReadByteCell(RepeaterCell::MultiCellBase) & 7));
    view.ShowField(RepeaterField::Repeater, Decimal(ReadByteCell(RepeaterCell::RepeaterNumber)));
    ReadBeepAndAlternatives(view);
}

namespace {
// Reports a field sent when its cells were confirmed, and collects it otherwise.
class TFieldReport {
public:
    TFieldReport(IRepeaterView& view, TRepeaterWriteResult& result) : m_view(view), m_result(result) {}
    void operator()(RepeaterField field, bool confirmed)
    {
        if (confirmed)
            m_view.FieldSent(field);
        else
            m_result.fields.push_back(field);
    }

private:
    IRepeaterView& m_view;
    TRepeaterWriteResult& m_result;
};
} // namespace

void TRepeaterDevice::WriteAlternatives(const TRepeaterInput& input, IRepeaterView& view, TRepeaterWriteResult& result)
{
    if (!input.altShown)
        return;
    TFieldReport report(view, result);
    // Each cell on its own: a failure leaves just that field marked as changed.
    const struct {
        RepeaterField field;
        const QString& text;
        void (TRepeaterDevice::*write)(int);
    } cells[] = {
        {RepeaterField::AltBase, input.altBase, &TRepeaterDevice::WriteAltBase},
        {RepeaterField::AltRepeater, input.altRepeater, &TRepeaterDevice::WriteAltRepeater},
    };
    for (const auto& cell : cells) {
        bool confirmed = false;
        if (const auto v = TRepeaterRules::Number(cell.text)) {
            try {
                (this->*cell.write)(*v);
                confirmed = true;
            }
            catch (const EAssertionFailed&) {
            }
        }
        report(cell.field, confirmed);
    }
}

TRepeaterWriteResult TRepeaterDevice::WriteMultiCell(const TRepeaterInput& input, IRepeaterView& view)
{
    TRepeaterWriteResult result;
    TFieldReport report(view, result);
    const bool cleared = ClearBlock();
    result.fixedCells = !WriteByte(RepeaterCell::Fixed, RepeaterCell::FixedValue) || !cleared;
    report(RepeaterField::Code, WriteCellsHex(RepeaterCell::Code, TRepeaterRules::TextToMultiCellCode(input.code), 4));
    const auto base = TRepeaterRules::Number(input.base);
    report(RepeaterField::Base,
           base && WriteByte(RepeaterCell::MultiCellBase, static_cast<std::uint8_t>(*base & 0xFF)));
    WriteAlternatives(input, view, result);
    const auto repeater = TRepeaterRules::Number(input.repeater);
    report(RepeaterField::Repeater,
           repeater && WriteByte(RepeaterCell::RepeaterNumber, static_cast<std::uint8_t>(*repeater & 0xFF)));
    report(RepeaterField::Multibase, WriteByte(RepeaterCell::Multibase, RepeaterCell::MultibaseOne));
    report(RepeaterField::Jump, WriteByte(RepeaterCell::RepeaterJump, 0x00));
    const auto busy = TRepeaterRules::Number(input.busy);
    report(RepeaterField::Busy, busy && WriteByte(RepeaterCell::BusyBit, static_cast<std::uint8_t>(*busy & 0xFF)));
    result.debugBeep =
        !WriteByte(RepeaterCell::DebugBeep, input.debugBeep ? RepeaterCell::DebugBeepOn : RepeaterCell::DebugBeepOff);
    return result;
}

TRepeaterWriteResult TRepeaterDevice::WriteSingleCell(const TRepeaterInput& input, IRepeaterView& view)
{
    TRepeaterWriteResult result;
    TFieldReport report(view, result);
    const bool cleared = ClearBlock();
    result.debugBeep =
        !WriteByte(RepeaterCell::DebugBeep, input.debugBeep ? RepeaterCell::DebugBeepOn : RepeaterCell::DebugBeepOff);
    const int base = TRepeaterRules::Number(input.base).value_or(0);
    const bool code = WriteCellsHex(RepeaterCell::Code, TRepeaterRules::TextToSingleCellCode(input.code, base), 5);
    report(RepeaterField::Code, code);
    report(RepeaterField::Base, code);
    const int repeater = TRepeaterRules::Number(input.repeater).value_or(0);
    report(RepeaterField::Repeater,
           WriteCellsHex(RepeaterCell::RepeaterNumber, QString::number(repeater & 0xFF, 16).toUpper(), 1));
    const bool multibase = WriteByte(RepeaterCell::Multibase, RepeaterCell::MultibaseOne);
    const bool fixed = WriteByte(RepeaterCell::Fixed, RepeaterCell::FixedValue);
    result.fixedCells = !cleared || !multibase || !fixed;
    WriteAlternatives(input, view, result);
    const auto busy = TRepeaterRules::Number(input.busy);
    report(RepeaterField::Busy, busy && WriteByte(RepeaterCell::BusyBit, static_cast<std::uint8_t>(*busy & 0xFF)));
    return result;
}

#include "RepeaterRules.h"

#include "AssertionError.h"
#include "NumberConverting.h"
#include "RepeaterFields.h"

namespace {

QString OctalDigits(std::uint64_t value, int width)
{
    return PadLeft(QString::number(value, 8), QLatin1Char('0'), width);
}

bool IsOctalText(const QString& s)
{
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('7'))
            return false;
    return true;
}

// Octal text to a number; digits 8 and 9 count with their decimal value, as
// the device's own tools did.
std::uint64_t DigitsValue(const QString& code, const char* function)
{
    std::uint64_t n = 0;
    for (QChar c : code) {
        if (!c.isDigit() || c.unicode() > '9')
            throw EAssertionFailed(QStringLiteral("%1: Not a digit!").arg(QLatin1String(function)));
        n = n * 8u + static_cast<std::uint64_t>(c.unicode() - '0');
    }
    return n;
}

bool InRange(int v, int low, int high) { return v >= low && v <= high; }

void CheckLayout(int layout, const char* function)
{
    if (layout != kSingleCellLayout && layout != kMultiCellLayout)
        throw EAssertionFailed(QStringLiteral("%1: Type not in range").arg(QLatin1String(function)));
}

} // namespace

QString DefaultRepeaterMessage(RepeaterCheck check)
{
    switch (check) {
    case RepeaterCheck::Ok:
        return {};
    case RepeaterCheck::CodeNotValid:
        return QStringLiteral("The MXS code is not valid !");
    case RepeaterCheck::BaseNotNumber:
        return QStringLiteral("The base number is not a number");
    case RepeaterCheck::BaseNotInInterval:
        return QStringLiteral("The base is not in the interval !");
    case RepeaterCheck::AltBaseNotNumber:
        return QStringLiteral("The alt. base number is not a number");
    case RepeaterCheck::AltBaseNotInInterval:
        return QStringLiteral("The alt. base is not in the interval !");
    case RepeaterCheck::AltRepeaterNotNumber:
        return QStringLiteral("Alt. repeater number is not a number");
    case RepeaterCheck::AltRepeaterOutOfRange0To255:
        return QStringLiteral("Alt. repeater number out of range. Has to be between 0 and 255.");
    case RepeaterCheck::AltRepeaterOutOfRange2To7:
        return QStringLiteral("Alt. repeater number out of range. Has to be between 2 and 7.");
    case RepeaterCheck::RepeaterNotNumber:
        return QStringLiteral("Repeater number is not a number");
    case RepeaterCheck::RepeaterOutOfRange0To255:
        return QStringLiteral("Repeater number out of range. Has to be between 0 and 255.");
    case RepeaterCheck::RepeaterOutOfRange2To7:
        return QStringLiteral("Repeater number out of range. Has to be between 2 and 7.");
    case RepeaterCheck::BusyBitOutOfRange:
        return QStringLiteral("Number of channels to transfer (Busy Bit) is out of range. Has to be \"1, 2, 3\"");
    case RepeaterCheck::BusyBitOutOfRange4:
        return QStringLiteral("Number of channels to transfer (Busy Bit) is out of range. Has to be \"1, 2, 3, 4\"");
    }
    return {};
}

bool TRepeaterRules::IsMultiCellType(int type)
{
    switch (type) {
    case 6:
    case 7:
    case 8:
    case 18:
    case 19:
    case 30:
    case 31:
        return false;
    default:
        return !InRange(type, 34, 41);
    }
}

TRepeaterLayoutDecision TRepeaterRules::LayoutVerdict(int layout, int type)
{
    CheckLayout(layout, "LayoutVerdict");
    const bool multiType = IsMultiCellType(type);
    if (!multiType && layout == kMultiCellLayout)
        return {WriteVerdict::Refuse, RepeaterLayoutRule::SingleCellTypeMultiCellLayout};
    if (multiType && layout == kSingleCellLayout)
        return {WriteVerdict::Ask, RepeaterLayoutRule::MultiCellTypeSingleCellLayout};
    return {WriteVerdict::Write, RepeaterLayoutRule::Fits};
}

QString TRepeaterRules::MultiCellCodeToText(const QString& answer)
{
    const std::uint32_t v = HexTextToInt32(RemoveBlanks(answer).left(8));
    // Only these cells hold a code ("1" and ten octal digits); others (an erased
    // FF FF FF FF) would show as a code that writes back as other cells.
    if (v < (1u << 28) || v >= (1u << 29))
        return {};
    const std::uint64_t shifted = (static_cast<std::uint64_t>(v) * 4u) % (1ull << 30);
    return QLatin1Char('1') + OctalDigits(shifted, 10);
}

QString TRepeaterRules::TextToMultiCellCode(const QString& code)
{
    const std::uint64_t n = DigitsValue(code, "TextToMultiCellCode");
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(n & 0xFFFFFFFFu));
    const auto quarter = static_cast<std::uint32_t>(low / 4);
    return PadLeft(QString::number(quarter, 16).toUpper(), QLatin1Char('0'), 8);
}

QString TRepeaterRules::SingleCellCodeToText(const QString& answer)
{
    const auto w = static_cast<std::uint64_t>(HexTextToInt64(RemoveBlanks(answer).left(10).toUpper()));
    // Twelve octal digits and the base hold 39 bits; a higher bit is no code.
    if (w >= (1ull << 39))
        return {};
    // Twelve octal digits: a code whose first digit is not 0 reads back as it
    // was written; any other code shows as "0" and eleven digits.
    const std::uint64_t modulus = 1ull << 36; // 8^12
    return OctalDigits((w / 8u) % modulus, 12);
}

QString TRepeaterRules::TextToSingleCellCode(const QString& code, int base)
{
    const std::uint64_t n = DigitsValue(code, "TextToSingleCellCode");
    const std::uint64_t w = n * 8u + static_cast<std::uint64_t>(base);
    return PadLeft(QString::number(w, 16).toUpper(), QLatin1Char('0'), 10);
}

std::optional<int> TRepeaterRules::MultibaseFromCode(std::uint8_t code)
{
    if (code < 0xA0 || code > 0xA8)
        return std::nullopt;
    return 1 << (0xA8 - code);
}

QString TRepeaterRules::CellsHexText(const QString& hex)
{
    if (hex.size() < 3)
        return hex;
    QString out;
    for (int i = 0; i < hex.size(); i += 2)
        out += hex.mid(i, 2) + QLatin1Char(' ');
    return out;
}

bool TRepeaterRules::BusyBitTextAllowed(const QString& text, bool fourAllowed)
{
    if (text.isEmpty())
        return true;
    const QChar c = text.at(0);
    return c >= QLatin1Char('1') && c <= (fourAllowed ? QLatin1Char('4') : QLatin1Char('3'));
}

bool TRepeaterRules::MultiCellCodeValid(const QString& code)
{
    if (code.size() < 4)
        return false;
    const QString t = code.mid(3, 8);
    const QChar last = t.back();
    if (last != QLatin1Char('0') && last != QLatin1Char('4'))
        return false;
    if (!ParseInteger(t).ok() || code.size() != 11)
        return false;
    // Beyond the classic checks: anything else cannot be converted into the four cells.
    return IsOctalText(code) && code.front() == QLatin1Char('1');
}

bool TRepeaterRules::SingleCellCodeValid(const QString& code)
{
    return !code.isEmpty() && code.size() <= 12 && IsOctalText(code);
}

std::optional<int> TRepeaterRules::Number(const QString& text)
{
    const ParsedInteger p = ParseInteger(text);
    if (!p.ok())
        return std::nullopt;
    return p.value;
}

RepeaterCheck TRepeaterRules::CheckNumber(RepeaterField field, int layout, const QString& text)
{
    const TRepeaterSetting& setting = RepeaterSetting(field);
    const auto v = Number(text);
    if (!v)
        return setting.notNumber;
    return setting.In(layout).Accepts(*v) ? RepeaterCheck::Ok : setting.In(layout).outOfRange;
}

RepeaterCheck TRepeaterRules::CheckAltBase(int layout, const QString& text)
{
    CheckLayout(layout, "AltBaseNumberGuiValid");
    return CheckNumber(RepeaterField::AltBase, layout, text);
}

RepeaterCheck TRepeaterRules::CheckAltRepeater(int layout, const QString& text)
{
    CheckLayout(layout, "AltRepeaterNumberGuiValid");
    return CheckNumber(RepeaterField::AltRepeater, layout, text);
}

RepeaterCheck TRepeaterRules::Validate(int layout, const TRepeaterInput& input,
                                       const std::function<bool()>& zeroBlindSlot,
                                       const std::function<bool()>& hintShowsFour)
{
    CheckLayout(layout, "ValidateRepeaterInput");
    const bool multi = layout == kMultiCellLayout;
    auto alternatives = [&]() {
        if (!input.altShown)
            return RepeaterCheck::Ok;
        const RepeaterCheck base = CheckAltBase(layout, input.altBase);
        return base != RepeaterCheck::Ok ? base : CheckAltRepeater(layout, input.altRepeater);
    };
    auto base = [&]() { return CheckNumber(RepeaterField::Base, layout, input.base); };
    auto repeater = [&]() { return CheckNumber(RepeaterField::Repeater, layout, input.repeater); };
    auto busy = [&]() {
        const auto v = Number(input.busy);
        if (multi) {
            const bool four = zeroBlindSlot && zeroBlindSlot();
            if (four)
                return v && InRange(*v, 1, 4) ? RepeaterCheck::Ok : RepeaterCheck::BusyBitOutOfRange4;
            return v && InRange(*v, 1, 3) ? RepeaterCheck::Ok : RepeaterCheck::BusyBitOutOfRange;
        }
        if (v && InRange(*v, 1, 4))
            return RepeaterCheck::Ok;
        return hintShowsFour && hintShowsFour() ? RepeaterCheck::BusyBitOutOfRange4 : RepeaterCheck::BusyBitOutOfRange;
    };

    const bool codeOk = multi ? MultiCellCodeValid(input.code) : SingleCellCodeValid(input.code);
    if (!codeOk)
        return RepeaterCheck::CodeNotValid;
    const std::function<RepeaterCheck()> multiOrder[] = {base, alternatives, repeater, busy};
    const std::function<RepeaterCheck()> singleOrder[] = {busy, base, alternatives, repeater};
    for (const auto& check : multi ? multiOrder : singleOrder) {
        const RepeaterCheck result = check();
        if (result != RepeaterCheck::Ok)
            return result;
    }
    return RepeaterCheck::Ok;
}

#include "CliOptions.h"

#include "NumberConverting.h"

namespace {
QString StripHexPrefix(QString text)
{
    if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        return text.mid(2);
    if (text.startsWith(QLatin1Char('$')))
        return text.mid(1);
    return text;
}

CLI::Validator Check(std::function<bool(const QString&)> valid, std::string complaint)
{
    return CLI::Validator(
        [valid = std::move(valid), complaint = std::move(complaint)](std::string& text) {
            return valid(FromArg(text)) ? std::string() : complaint + ": " + text;
        },
        std::string());
}
} // namespace

std::optional<int> ParseDecimal(const QString& text)
{
    if (!IsDecimalText(text) || text.size() > 9)
        return std::nullopt;
    return text.toInt();
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

CLI::Validator HexAddressCheck()
{
    return Check([](const QString& t) { return ParseHexAddress(t).has_value(); }, "not a hexadecimal address");
}

CLI::Validator HexByteCheck()
{
    return Check([](const QString& t) { return ParseHexByte(t).has_value(); }, "not a hexadecimal byte");
}

CLI::Validator DecimalCheck(const std::string& values, std::function<bool(int)> allowed)
{
    return Check(
        [allowed = std::move(allowed)](const QString& t) {
            const auto n = ParseDecimal(t);
            return n && allowed(*n);
        },
        "must be " + values);
}

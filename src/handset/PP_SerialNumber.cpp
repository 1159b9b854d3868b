#include "PP_SerialNumber.h"

#include "NumberConverting.h"

namespace {
constexpr std::int64_t kMaxSerial = 0xFFFFF;
constexpr std::int64_t kManufacturerLimit = 100000;
} // namespace

QString TPP_SerialNumber::HexToIpei(const QString& hex, bool withCheckDigit) const
{
    const QString digits = RemoveBlanks(hex);
    if (digits.size() != 10 || !IsHexText(digits, false))
        return {};
    const std::int64_t manufacturer = Hex2Int64(digits.left(5));
    if (manufacturer >= kManufacturerLimit)
        return {};
    const QString emc = PadLeft(QString::number(manufacturer), QLatin1Char('0'), 5);
    const QString psn = PadLeft(QString::number(Hex2Int64(digits.mid(5))), QLatin1Char('0'), 7);
    QString ipei = emc + QLatin1Char(' ') + psn;
    if (withCheckDigit)
        ipei += QLatin1Char(' ') + IpeiCheckDigit(emc + psn);
    return ipei;
}

QString TPP_SerialNumber::CheckCharacter(const QString& twelveDigits)
{
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (i + 1) * (twelveDigits.at(i).unicode() - '0');
    const int remainder = sum % 11;
    return remainder == 10 ? QStringLiteral("*") : QString::number(remainder);
}

QString TPP_SerialNumber::IpeiCheckDigit(const QString& ipei) const
{
    const QString digits = RemoveBlanks(ipei);
    if (digits.size() != 12 || !IsValidIpei(digits))
        return {};
    return CheckCharacter(digits);
}

bool TPP_SerialNumber::IsValidIpei(const QString& ipei) const
{
    const QString text = RemoveBlanks(ipei);
    if (text.size() == 12)
        return IsDecimalText(text) && text.mid(5).toLongLong() <= kMaxSerial;
    if (text.size() == 13)
        return IsValidIpeiWithCheckDigit(text);
    return false;
}

bool TPP_SerialNumber::IsValidIpeiWithCheckDigit(const QString& ipei) const
{
    const QString text = RemoveBlanks(ipei);
    if (text.size() != 13 || !IsValidIpei(text.left(12)))
        return false;
    return text.mid(12) == CheckCharacter(text.left(12));
}

QString TPP_SerialNumber::WhyNotIpei(const QString& ipei) const
{
    const QString text = RemoveBlanks(ipei);
    if (text.size() != 12 && text.size() != 13)
        return QStringLiteral("%1 digits; an IPEI has 12 (5 of the manufacturer code, 7 of the serial number), 13 "
                              "with its check character")
            .arg(text.size());
    if (!IsDecimalText(text.left(12)))
        return QStringLiteral("the first 12 characters must be decimal digits");
    if (text.mid(5, 7).toLongLong() > kMaxSerial)
        return QStringLiteral("the serial number %1 is above %2").arg(text.mid(5, 7)).arg(kMaxSerial);
    if (text.size() == 13 && text.mid(12) != CheckCharacter(text.left(12)))
        return QStringLiteral("the check character is %1, not %2").arg(CheckCharacter(text.left(12)), text.mid(12));
    return {};
}

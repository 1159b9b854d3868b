#include "NumberConverting.h"

#include <QCoreApplication>

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";

int DigitIndex(QChar c)
{
    const char u = c.toUpper().toLatin1();
    for (int i = 0; i < 16; ++i)
        if (kDigits[i] == u)
            return i;
    return -1;
}

// The "$"-prefixed string-to-integer conversion: up to 32 bits, leading zeros free.
bool ParseHex32(const QString& s, std::uint32_t& out)
{
    if (s.isEmpty())
        return false;
    std::uint64_t v = 0;
    for (QChar c : s) {
        const int d = DigitIndex(c);
        if (d < 0)
            return false;
        v = v * 16 + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull)
            return false;
    }
    out = static_cast<std::uint32_t>(v);
    return true;
}

[[noreturn]] void ThrowHexError(const QString& s, const char* function)
{
    const QString message =
        QStringLiteral("\"%1\" ").arg(s) + QCoreApplication::translate("NumberConverting", kNotAValidHexValue);
    throw ENumberConvertingError(
        FormatErrorText(message, QStringLiteral("NumberConverting"), QString::fromLatin1(function)));
}
} // namespace

QString FormatErrorText(const QString& message, const QString& unit, const QString& function)
{
    return message + QStringLiteral("\r\rUnit: ") + unit + QStringLiteral("\rFunction: ") + function;
}

std::uint8_t Hex2Dec(const QString& s)
{
    std::uint32_t v = 0;
    if (!ParseHex32(s, v))
        ThrowHexError(s, "Hex2Dec(s: string):byte");
    return static_cast<std::uint8_t>(v & 0xFF);
}

std::int64_t Hex2Int64(const QString& s)
{
    std::uint32_t v = 0;
    if (!ParseHex32(s, v))
        ThrowHexError(s, "Hex2Int64(s:string): Int64");
    return static_cast<std::int32_t>(v);
}

std::uint8_t HexTextToByte(const QString& s)
{
    auto value = [](QChar c) { return std::max(DigitIndex(c), 0); };
    if (s.size() == 2)
        return static_cast<std::uint8_t>(16 * value(s[0]) + value(s[1]));
    if (s.size() == 1)
        return static_cast<std::uint8_t>(value(s[0]));
    return 0;
}

std::uint32_t HexTextToInt32(const QString& s)
{
    std::uint32_t sum = 0;
    for (QChar c : s) {
        const char ch = c.toLatin1();
        std::int32_t d;
        if (ch >= 'A' && ch <= 'F')
            d = ch - 'A' + 10;
        else if (ch >= 'a' && ch <= 'f')
            d = ch - 'a' + 10;
        else
            d = c.unicode() - '0';
        sum = sum * 16u + static_cast<std::uint32_t>(d);
    }
    return sum;
}

std::int64_t HexTextToInt64(const QString& s)
{
    std::uint64_t sum = 0;
    for (QChar c : s)
        sum = sum * 16u + static_cast<std::uint64_t>(std::max(DigitIndex(c), 0));
    return static_cast<std::int64_t>(sum);
}

QString Int64ToHex(std::int64_t v)
{
    auto u = static_cast<std::uint64_t>(v);
    QString result;
    do {
        result.prepend(QLatin1Char(kDigits[u & 0xF]));
        u >>= 4;
    } while (u != 0);
    return result;
}

QString HexDigit(std::uint8_t b) { return QString(QLatin1Char(kDigits[b & 0xF])); }

QString ByteToHex(std::uint8_t b)
{
    const char text[3] = {kDigits[b >> 4], kDigits[b & 0xF], 0};
    return QString::fromLatin1(text, 2);
}

bool IsHexText(const QString& s, bool blanksAllowed)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (c == QLatin1Char(' ') && blanksAllowed)
            continue;
        if (DigitIndex(c) < 0)
            return false;
    }
    return true;
}

bool IsDecimalText(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QString PadLeft(const QString& s, QChar fill, int width)
{
    if (s.size() >= width)
        return s;
    return QString(width - s.size(), fill) + s;
}

QString RemoveBlanks(const QString& s)
{
    QString r = s;
    r.remove(QLatin1Char(' '));
    return r;
}

bool CopySlice(std::uint8_t* dest, const std::uint8_t* source, std::size_t sourceSize, int count, int start)
{
    if (count <= 0)
        return true;
    if (start < 0 || start + count > 65535 || static_cast<std::size_t>(start + count) > sourceSize)
        return false;
    std::copy(source + start, source + start + count, dest);
    return true;
}

ParsedInteger ParseInteger(const QString& s)
{
    ParsedInteger r;
    int i = 0;
    const int n = static_cast<int>(s.size());
    while (i < n && s[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n && (s[i] == QLatin1Char('$') || s[i] == QLatin1Char('x') || s[i] == QLatin1Char('X'))) {
        hex = true;
        ++i;
    }
    else if (i + 1 < n && s[i] == QLatin1Char('0') && (s[i + 1] == QLatin1Char('x') || s[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= n) {
        r.errorPosition = i + 1;
        return r;
    }
    std::uint64_t v = 0;
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    for (; i < n; ++i) {
        const int d = hex ? DigitIndex(s[i]) : (s[i].isDigit() && s[i].unicode() < 128 ? s[i].unicode() - '0' : -1);
        if (d < 0) {
            r.errorPosition = i + 1;
            return r;
        }
        v = v * (hex ? 16 : 10) + static_cast<unsigned>(d);
        if (v > limit) {
            r.errorPosition = i + 1;
            return r;
        }
    }
    const auto value32 = static_cast<std::uint32_t>(v);
    r.value = negative ? static_cast<std::int32_t>(0u - value32) : static_cast<std::int32_t>(value32);
    return r;
}

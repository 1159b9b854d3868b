#pragma once

#include "ProgramError.h"

#include <QString>
#include <cstdint>

// Conversion error with the program's message layout (see FormatErrorText).
class ENumberConvertingError : public EProgramError {
public:
    using EProgramError::EProgramError;
};

// message CR CR "Unit: " unit CR "Function: " function - carriage returns only.
[[nodiscard]] QString FormatErrorText(const QString& message, const QString& unit, const QString& function);

// Translatable resource text used in the conversion error.
inline constexpr const char* kNotAValidHexValue = "is not a valid Hex value";

[[nodiscard]] std::uint8_t Hex2Dec(const QString& s);
[[nodiscard]] std::int64_t Hex2Int64(const QString& s);
[[nodiscard]] std::uint8_t HexTextToByte(const QString& s);
[[nodiscard]] std::uint32_t HexTextToInt32(const QString& s);
[[nodiscard]] std::int64_t HexTextToInt64(const QString& s);
[[nodiscard]] QString Int64ToHex(std::int64_t v);
[[nodiscard]] QString HexDigit(std::uint8_t b);
[[nodiscard]] QString ByteToHex(std::uint8_t b);
[[nodiscard]] bool IsHexText(const QString& s, bool blanksAllowed);
[[nodiscard]] bool IsDecimalText(const QString& s);
[[nodiscard]] QString PadLeft(const QString& s, QChar fill, int width);
[[nodiscard]] QString RemoveBlanks(const QString& s);
// Copies count bytes from source[start..] to dest[0..]; false (nothing copied)
// when start + count exceeds 65535 or the source is too short.
bool CopySlice(std::uint8_t* dest, const std::uint8_t* source, std::size_t sourceSize, int count, int start);

struct ParsedInteger {
    std::int32_t value = 0;
    int errorPosition = 0; // 1-based position of the offending character; 0 = success
    [[nodiscard]] bool ok() const { return errorPosition == 0; }
};
// Decimal, or hexadecimal after "$", "x", "X" or "0x"; optional sign; leading blanks skipped.
[[nodiscard]] ParsedInteger ParseInteger(const QString& s);

#pragma once

#include <QString>

// A handset's identity as its printed IPEI: five decimal digits of the
// manufacturer code, a blank, seven of the serial number (at most 1048575),
// and optionally a blank and the check character (a digit or "*").
class TPP_SerialNumber {
public:
    // 10 hexadecimal digits (blanks ignored) to "01914 0000291" or, with the
    // check character, "01914 0000291 8"; empty when they do not convert.
    [[nodiscard]] QString HexToIpei(const QString& hex, bool withCheckDigit) const;
    // The check character of 12 decimal digits (blanks ignored); empty when
    // they are no valid IPEI.
    [[nodiscard]] QString IpeiCheckDigit(const QString& ipei) const;
    // 12 digits with a serial number up to 1048575, or 13 characters whose last
    // is the right check character (blanks ignored).
    [[nodiscard]] bool IsValidIpei(const QString& ipei) const;
    [[nodiscard]] bool IsValidIpeiWithCheckDigit(const QString& ipei) const;
    // Why a text that IsValidIpei refuses is none, for the technician who typed
    // it; empty for a valid one.
    [[nodiscard]] QString WhyNotIpei(const QString& ipei) const;

private:
    [[nodiscard]] static QString CheckCharacter(const QString& twelveDigits);
};

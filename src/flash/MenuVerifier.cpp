#include "MenuVerifier.h"

#include "NumberConverting.h"
#include "SndMail.h"

#include <QScopeGuard>
#include <array>

QString TMenuDifference::Text() const
{
    return QStringLiteral("line %1: %2%3 device %4 file %5")
        .arg(line)
        .arg(ByteToHex(address >> 8), ByteToHex(address & 0xFF), device, file);
}

TMenuVerifyResult TMenuVerifier::Verify(const QStringList& lines)
{
    TMenuVerifyResult result;
    result.check = TMenuFile::Check(lines);
    if (!result.check.Ok()) {
        result.end = TMenuVerifyResult::TEnd::Refused;
        return result;
    }
    const std::uint16_t tries = m_link.ReadTries;
    m_link.ReadTries = kReadTries;
    const auto restoreTries = qScopeGuard([&] { m_link.ReadTries = tries; });
    const int total = static_cast<int>(lines.size());
    std::array<std::uint8_t, TMenuFile::kMaxCount> cells{};
    for (int i = 0; i < total; ++i) {
        const TMenuLine line = TMenuFile::ReadLine(lines[i]);
        if (!line.skipped) {
            const TMenuWrite& w = line.write;
            const QStringList wanted = w.dataText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (m_link.ReadEepromBytes(w.addressLow, w.addressHigh, w.count, cells) != w.count) {
                result.end =
                    m_link.StopRequested ? TMenuVerifyResult::TEnd::Stopped : TMenuVerifyResult::TEnd::NoAnswer;
                result.failedLine = i + 1;
                return result;
            }
            int first = -1;
            int last = -1;
            for (int k = 0; k < w.count; ++k) {
                if (ByteToHex(cells[k]) != wanted.value(k)) {
                    first = first < 0 ? k : first;
                    last = k;
                }
            }
            if (first >= 0) {
                TMenuDifference d;
                d.line = i + 1;
                d.address = static_cast<std::uint16_t>((w.addressHigh << 8 | w.addressLow) + first);
                QStringList device;
                for (int k = first; k <= last; ++k)
                    device << ByteToHex(cells[k]);
                d.device = device.join(QLatin1Char(' '));
                d.file = wanted.mid(first, last - first + 1).join(QLatin1Char(' '));
                result.differences.push_back(d);
            }
        }
        if (OnLineDone)
            OnLineDone(i + 1, TMenuFile::GaugePercent(i + 1, total));
    }
    return result;
}

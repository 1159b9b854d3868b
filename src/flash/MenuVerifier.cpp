#include "MenuVerifier.h"

#include "DeviceBackup.h"
#include "NumberConverting.h"
#include "SndMail.h"

#include <optional>

QString TMenuDifference::Text() const
{
    return QStringLiteral("line %1: %2%3 device %4 file %5")
        .arg(line)
        .arg(ByteToHex(address >> 8), ByteToHex(address & 0xFF), device, file);
}

namespace {

struct TPendingLine {
    int index = 0; // counted from 0
    int address = 0;
    TMenuWrite write;
};

// The cells of `line` within `cells`, read from `start` on, against its data.
std::optional<TMenuDifference> Compare(const TPendingLine& line, int start, const QByteArray& cells)
{
    const QStringList wanted = line.write.dataText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int first = -1;
    int last = -1;
    for (int k = 0; k < line.write.count; ++k) {
        if (ByteToHex(static_cast<std::uint8_t>(cells[line.address - start + k])) != wanted.value(k)) {
            first = first < 0 ? k : first;
            last = k;
        }
    }
    if (first < 0)
        return std::nullopt;
    TMenuDifference d;
    d.line = line.index + 1;
    d.address = static_cast<std::uint16_t>(line.address + first);
    QStringList device;
    for (int k = first; k <= last; ++k)
        device << ByteToHex(static_cast<std::uint8_t>(cells[line.address - start + k]));
    d.device = device.join(QLatin1Char(' '));
    d.file = wanted.mid(first, last - first + 1).join(QLatin1Char(' '));
    return d;
}

} // namespace

TMenuVerifyResult TMenuVerifier::Verify(const QStringList& lines)
{
    TMenuVerifyResult result;
    result.check = TMenuFile::Check(lines);
    if (!result.check.Ok()) {
        result.end = TMenuVerifyResult::TEnd::Refused;
        return result;
    }
    const int total = static_cast<int>(lines.size());
    TCellReader reader(m_link);
    std::vector<TPendingLine> group;
    int done = 0;
    // Reads the group's cells in one go and compares its lines; false when a
    // cell got no valid answer.
    const auto flush = [&]() -> bool {
        if (group.empty())
            return true;
        const int start = group.front().address;
        const int count = group.back().address + group.back().write.count - start;
        QByteArray cells;
        reader.Read(start, count, cells); // the lines it could not reach say so below
        for (const TPendingLine& line : group) {
            if (line.address + line.write.count - start > cells.size()) {
                result.end =
                    m_link.StopRequested ? TMenuVerifyResult::TEnd::Stopped : TMenuVerifyResult::TEnd::NoAnswer;
                result.failedLine = line.index + 1;
                return false;
            }
            if (const auto difference = Compare(line, start, cells))
                result.differences.push_back(*difference);
        }
        group.clear();
        return true;
    };
    const auto progress = [&](int upTo) {
        for (; done < upTo; ++done)
            if (OnLineDone)
                OnLineDone(done + 1, TMenuFile::GaugePercent(done + 1, total));
    };
    for (int i = 0; i < total; ++i) {
        const TMenuLine line = TMenuFile::ReadLine(lines[i]);
        if (line.skipped)
            continue;
        const int address = line.write.addressHigh << 8 | line.write.addressLow;
        const bool follows = !group.empty() && address == group.back().address + group.back().write.count &&
                             address + line.write.count - group.front().address <= TCellReader::kLongRead;
        if (!follows) {
            const int upTo = group.empty() ? i : group.back().index + 1;
            if (!flush())
                return result;
            progress(upTo);
        }
        group.push_back({i, address, line.write});
    }
    if (!flush())
        return result;
    progress(total);
    return result;
}

#include "MenuVerifier.h"

#include "NumberConverting.h"
#include "SndMail.h"

#include <algorithm>
#include <map>

QString TMenuDifference::Text() const
{
    return QStringLiteral("line %1: %2%3 %4device %5 file %6")
        .arg(line)
        .arg(ByteToHex(address >> 8), ByteToHex(address & 0xFF), identity ? QStringLiteral("identity ") : QString(),
             device, file);
}

int TMenuVerifyResult::SettingDifferences() const
{
    return static_cast<int>(
        std::count_if(differences.begin(), differences.end(), [](const TMenuDifference& d) { return !d.identity; }));
}

namespace {

struct TCellWanted {
    std::uint8_t value = 0;
    int line = 0; // counted from 0: the last line that writes the cell
};

using TCellMap = std::map<int, TCellWanted>;

// The value each cell has once the whole file has been played.
TCellMap LastWrites(const TMenuLines& lines)
{
    TCellMap cells;
    for (int i = 0; i < lines.size(); ++i) {
        const TMenuLine line = TMenuFile::ReadLine(lines[i]);
        if (line.skipped)
            continue;
        const int address = line.write.addressHigh << 8 | line.write.addressLow;
        const QStringList data = line.write.dataText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (int k = 0; k < line.write.count; ++k)
            cells[address + k] = {static_cast<std::uint8_t>(data.value(k).toUInt(nullptr, 16)), lines.Number(i) - 1};
    }
    return cells;
}

// Runs of cells that follow each other in the EEPROM.
std::vector<TCellRun> Runs(const TCellMap& cells)
{
    std::vector<TCellRun> runs;
    for (const auto& [address, wanted] : cells) {
        if (!runs.empty() && runs.back().Last() + 1 == address)
            ++runs.back().count;
        else
            runs.push_back({static_cast<std::uint16_t>(address), 1});
    }
    return runs;
}

// The differing cells of one line (those it writes last), the identity cells
// apart from the others: from the first differing cell to the last of each.
void CompareLine(int line, const std::vector<int>& addresses, const TCellMap& wanted,
                 const std::map<int, std::uint8_t>& device, const std::optional<TCellRun>& apart,
                 std::vector<TMenuDifference>& out)
{
    for (const bool identity : {false, true}) {
        int first = -1;
        int last = -1;
        for (const int a : addresses) {
            const bool inApart = apart && a >= apart->address && a <= apart->Last();
            if (inApart == identity && device.at(a) != wanted.at(a).value) {
                first = first < 0 ? a : first;
                last = a;
            }
        }
        if (first < 0)
            continue;
        TMenuDifference d;
        d.line = line + 1;
        d.address = static_cast<std::uint16_t>(first);
        d.identity = identity;
        QStringList deviceText;
        QStringList fileText;
        for (int a = first; a <= last; ++a) {
            deviceText << ByteToHex(device.at(a));
            fileText << ByteToHex(wanted.at(a).value);
        }
        d.device = deviceText.join(QLatin1Char(' '));
        d.file = fileText.join(QLatin1Char(' '));
        out.push_back(d);
    }
}

} // namespace

TMenuVerifyResult TMenuVerifier::Verify(const TMenuLines& lines)
{
    TMenuVerifyResult result;
    result.check = TMenuFile::Check(lines);
    if (!result.check.Ok()) {
        result.end = TMenuVerifyResult::TEnd::Refused;
        return result;
    }
    if (result.check.writes == 0) {
        result.end = TMenuVerifyResult::TEnd::Empty;
        return result;
    }
    const int total = lines.LineCount();
    const TCellMap wanted = LastWrites(lines);
    const int cellCount = static_cast<int>(wanted.size());
    TCellReader reader(m_link);
    reader.OnCells = [&](int cells) {
        if (OnLineDone && cellCount > 0)
            OnLineDone(static_cast<int>(qint64(total) * cells / cellCount), TMenuFile::GaugePercent(cells, cellCount));
    };
    std::map<int, std::uint8_t> device;
    for (const TCellRun& run : Runs(wanted)) {
        QByteArray cells;
        const bool complete = reader.Read(run.address, run.count, cells);
        for (int k = 0; k < cells.size(); ++k)
            device[run.address + k] = static_cast<std::uint8_t>(cells[k]);
        if (!complete) {
            result.end = m_link.StopRequested ? TMenuVerifyResult::TEnd::Stopped : TMenuVerifyResult::TEnd::NoAnswer;
            result.failedLine = wanted.at(run.address + static_cast<int>(cells.size())).line + 1;
            return result;
        }
    }
    std::map<int, std::vector<int>> byLine; // the cells each line writes last
    for (const auto& [address, cell] : wanted)
        byLine[cell.line].push_back(address);
    for (const auto& [line, addresses] : byLine)
        CompareLine(line, addresses, wanted, device, SetApart, result.differences);
    if (OnLineDone)
        OnLineDone(total, 100);
    return result;
}

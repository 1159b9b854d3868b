#include "DeviceBackup.h"

#include "HandsetCells.h"
#include "NumberConverting.h"
#include "RepeaterFields.h"
#include "SndMail.h"
#include "StartupText.h"

#include <QScopeGuard>
#include <algorithm>
#include <array>

namespace {

const QString kKindKey = QStringLiteral("REM kind: ");
// The repeater type, which the detection reads on every device that is no handset.
constexpr std::uint16_t kRepeaterTypeCell = 0x0780;

// Sorted, with overlapping and touching runs joined.
std::vector<TCellRun> Joined(std::vector<TCellRun> runs)
{
    std::sort(runs.begin(), runs.end(), [](const TCellRun& a, const TCellRun& b) { return a.address < b.address; });
    std::vector<TCellRun> joined;
    for (const TCellRun& run : runs) {
        if (!joined.empty() && run.address <= joined.back().Last() + 1)
            joined.back().count = std::max(joined.back().Last(), run.Last()) - joined.back().address + 1;
        else
            joined.push_back(run);
    }
    return joined;
}

QString Address(int address) { return ByteToHex(address >> 8) + ByteToHex(address & 0xFF); }

} // namespace

std::vector<TCellRun> ProgramCells(DeviceKind kind)
{
    // Every device is probed at 0000h and identified at 0040h (3 bytes) and 0780h.
    std::vector<TCellRun> runs{{0x0000, 1}, {0x0040, 3}};
    switch (kind) {
    case DeviceKind::Handset:
        runs.insert(runs.end(), {{HandsetCell::ModelMarker, 1},
                                 {HandsetCell::Gain, 1},
                                 {HandsetCell::HandsfreeGain, 1},
                                 {HandsetCell::Identity, HandsetCell::IdentityCount}});
        // The text's blocks as both layouts write them: three lines run on past their text to 01C5h.
        for (bool threeLine : {false, true})
            for (const TTextBlock& block : TStartupText::Encode({}, threeLine).blocks)
                runs.push_back({block.address, static_cast<int>(block.bytes.size())});
        break;
    case DeviceKind::Repeater:
        for (const TRepeaterCellBlock& block : RepeaterProgramCells())
            runs.push_back({block.address, block.count});
        runs.push_back({kRepeaterTypeCell, 1});
        break;
    case DeviceKind::Base:
    case DeviceKind::Unknown:
        runs.push_back({kRepeaterTypeCell, 1});
        break;
    }
    return Joined(runs);
}

QString RunsText(const std::vector<TCellRun>& runs)
{
    QStringList parts;
    for (const TCellRun& run : runs)
        parts << (run.count == 1 ? Address(run.address)
                                 : Address(run.address) + QLatin1Char('-') + Address(run.Last()));
    return parts.join(QLatin1Char(' '));
}

QStringList TBackupHeader::Lines() const
{
    QStringList lines{QStringLiteral("REM Tunebench backup of a device's cells; play it back with restore"),
                      kKindKey + QLatin1String(DeviceKindName(kind))};
    if (!identity.isEmpty())
        lines << QStringLiteral("REM identity: ") + identity;
    lines << QStringLiteral("REM port: ") + port << QStringLiteral("REM rate: %1").arg(rate)
          << QStringLiteral("REM range: ") + RunsText(runs)
          << QStringLiteral("REM date: ") + date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return lines;
}

QByteArray BackupFileBytes(const TBackupHeader& header, const QStringList& dataLines)
{
    return ((header.Lines() + dataLines).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

std::optional<DeviceKind> BackupKindOf(const TMenuLines& lines)
{
    for (const QString& line : lines)
        if (line.startsWith(kKindKey, Qt::CaseInsensitive))
            return DeviceKindFromName(line.mid(kKindKey.size()));
    return std::nullopt;
}

QByteArray TCellReader::ReadPiece(int address, int count)
{
    std::array<std::uint8_t, kLongRead> cells{};
    const std::uint16_t tries = m_link.ReadTries;
    m_link.ReadTries = kReadTries;
    const auto restoreTries = qScopeGuard([&] { m_link.ReadTries = tries; });
    const auto n = static_cast<std::uint8_t>(count);
    if (m_link.ReadEepromBytesAt(static_cast<std::uint16_t>(address), n, cells) != n)
        return {};
    return QByteArray(reinterpret_cast<const char*>(cells.data()), n);
}

QByteArray TCellReader::ReadAgreed(int address, int count)
{
    // A copy of an earlier answer can pass for this one; two reads of the
    // same cells that agree are the cells.
    QByteArray last = ReadPiece(address, count);
    for (int read = 1; !last.isEmpty() && read < kAgreeReads; ++read) {
        QByteArray again = ReadPiece(address, count);
        if (again == last)
            return last;
        ++m_disagreements;
        last = std::move(again);
    }
    return {};
}

bool TCellReader::Read(int address, int count, QByteArray& out)
{
    out.clear();
    while (out.size() < count) {
        const int at = address + static_cast<int>(out.size());
        const int rest = count - static_cast<int>(out.size());
        QByteArray piece = ReadAgreed(at, std::min(m_piece, rest));
        if (piece.isEmpty() && m_piece > TMenuFile::kMaxCount && rest > TMenuFile::kMaxCount && !m_link.StopRequested) {
            m_piece = TMenuFile::kMaxCount;
            piece = ReadAgreed(at, std::min(m_piece, rest));
        }
        if (piece.isEmpty())
            return false;
        out += piece;
        m_cells += static_cast<int>(piece.size());
        if (OnCells)
            OnCells(m_cells);
    }
    return true;
}

TBackupRead TDeviceBackup::Read(const std::vector<TCellRun>& runs)
{
    TBackupRead result;
    int total = 0;
    for (const TCellRun& run : runs)
        total += run.count;
    TCellReader reader(m_link);
    reader.OnCells = [&](int cells) {
        if (OnProgress)
            OnProgress(cells, total);
    };
    for (const TCellRun& run : runs) {
        QByteArray cells;
        const bool complete = reader.Read(run.address, run.count, cells);
        // Whole lines only: a line holds the cells of one write.
        const int whole = complete ? static_cast<int>(cells.size())
                                   : static_cast<int>(cells.size()) / TMenuFile::kMaxCount * TMenuFile::kMaxCount;
        for (int offset = 0; offset < whole; offset += TMenuFile::kMaxCount) {
            const int address = run.address + offset;
            const int count = std::min(TMenuFile::kMaxCount, whole - offset);
            QString line = ByteToHex(count) + QLatin1Char(' ') + ByteToHex(address & 0xFF) + QLatin1Char(' ') +
                           ByteToHex(address >> 8);
            for (int k = 0; k < count; ++k)
                line += QLatin1Char(' ') + ByteToHex(static_cast<std::uint8_t>(cells[offset + k]));
            result.lines << line;
        }
        if (!complete) {
            result.stopped = m_link.StopRequested;
            result.failedAddress = static_cast<std::uint16_t>(run.address + cells.size());
            return result;
        }
    }
    result.complete = true;
    return result;
}

#include "DeviceIdentity.h"

#include "HandsetCells.h"
#include "HandsetDevice.h"
#include "MenuFile.h"
#include "PP_SerialNumber.h"

#include <algorithm>

namespace {
const QString kIdentityLine = QStringLiteral("REM identity: ");
} // namespace

std::optional<TCellRun> IdentityCells(DeviceKind kind)
{
    if (kind == DeviceKind::Handset)
        return TCellRun{HandsetCell::Identity, HandsetCell::IdentityCount};
    return std::nullopt;
}

QString TDeviceIdentity::Described() const
{
    switch (state) {
    case TState::Valid:
        return text;
    case TState::Blank:
        return QStringLiteral("blank or invalid");
    case TState::Unread:
        break;
    }
    return QStringLiteral("not read");
}

TDeviceIdentity IdentityOfCells(const QByteArray& cells)
{
    if (cells.size() != HandsetCell::IdentityCount)
        return {};
    const QString ipei = TPP_SerialNumber().HexToIpei(QString::fromLatin1(cells.toHex().toUpper()), true);
    const bool blank = cells.count('\0') == cells.size() || cells.count('\xFF') == cells.size();
    if (blank || ipei.isEmpty())
        return {TDeviceIdentity::TState::Blank, {}};
    return {TDeviceIdentity::TState::Valid, ipei};
}

TDeviceIdentity ReadDeviceIdentity(TMailControl& link, DeviceKind kind)
{
    const std::optional<TCellRun> run = IdentityCells(kind);
    if (!run)
        return {};
    const auto cells = THandsetDevice(link).ReadCells(run->address, static_cast<std::uint8_t>(run->count));
    return cells ? IdentityOfCells(*cells) : TDeviceIdentity{};
}

namespace {

// What the lines would write into the cells of run, where they write all of them.
std::optional<QByteArray> WrittenCells(const TMenuLines& lines, const TCellRun& run)
{
    QByteArray cells(run.count, '\0');
    std::vector<bool> written(run.count, false);
    for (const QString& line : lines) {
        if (TMenuFile::IsSkipped(line))
            continue;
        const TMenuLine read = TMenuFile::ReadLine(line);
        if (!read.Ok())
            return std::nullopt;
        const int address = read.write.addressHigh << 8 | read.write.addressLow;
        const QStringList data = read.write.dataText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (int k = 0; k < data.size(); ++k) {
            const int at = address + k - run.address;
            if (at < 0 || at >= run.count)
                continue;
            cells[at] = static_cast<char>(data[k].toUInt(nullptr, 16));
            written[at] = true;
        }
    }
    if (std::find(written.begin(), written.end(), false) != written.end())
        return std::nullopt;
    return cells;
}

} // namespace

TFileIdentity FileIdentityOf(const TMenuLines& lines)
{
    TFileIdentity file;
    file.kind = BackupKindOf(lines);
    for (const QString& line : lines) {
        if (line.startsWith(kIdentityLine, Qt::CaseInsensitive)) {
            file.identity = line.mid(kIdentityLine.size()).trimmed();
            break;
        }
    }
    const std::optional<TCellRun> run = IdentityCells(file.kind.value_or(DeviceKind::Handset));
    if (!file.Carried() || !run)
        return file;
    // The identity compared is the one the file would write, not its header's.
    if (const std::optional<QByteArray> cells = WrittenCells(lines, *run)) {
        const TDeviceIdentity data = IdentityOfCells(*cells);
        const QString written = data.state == TDeviceIdentity::TState::Valid ? data.text : QString();
        file.headerDisagrees = !file.identity.isEmpty() && QString(file.identity).remove(QLatin1Char(' ')) !=
                                                               QString(written).remove(QLatin1Char(' '));
        file.identity = written;
    }
    return file;
}

DeviceKind MenuTargetKind(const TMenuLines& lines) { return BackupKindOf(lines).value_or(DeviceKind::Handset); }

TIdentityDecision DecideIdentity(const TFileIdentity& file, const TDeviceIdentity& device, bool writeIdentity,
                                 bool force)
{
    using TAction = TIdentityDecision::TAction;
    TIdentityDecision decision;
    // A file names the identity it was read from only where its kind has one.
    decision.cells = IdentityCells(file.kind.value_or(DeviceKind::Handset));
    if (!file.Carried() || !decision.cells)
        return decision;
    if (file.headerDisagrees) {
        decision.action = TAction::FileDisagrees;
        return decision;
    }
    const bool same = device.state == TDeviceIdentity::TState::Valid && !file.identity.isEmpty() &&
                      TPP_SerialNumber().IsValidIpeiWithCheckDigit(file.identity) &&
                      QString(file.identity).remove(QLatin1Char(' ')) == QString(device.text).remove(QLatin1Char(' '));
    if (same)
        decision.action = TAction::WriteAll;
    else if (!writeIdentity)
        decision.action = TAction::KeepDevice;
    else if (force || device.state == TDeviceIdentity::TState::Blank)
        decision.action = TAction::WriteIdentity;
    else
        decision.action = TAction::Refuse;
    return decision;
}

TIdentityCheck CheckIdentity(TMailControl& link, const TMenuLines& lines, bool writeIdentity, bool force)
{
    TIdentityCheck check;
    check.file = FileIdentityOf(lines);
    check.decision = DecideIdentity(check.file, {}, false, false);
    if (!check.file.Carried() || !check.decision.cells || check.file.headerDisagrees)
        return check;
    check.device = ReadDeviceIdentity(link, check.file.kind.value_or(DeviceKind::Handset));
    check.decision = DecideIdentity(check.file, check.device, writeIdentity, force);
    return check;
}

std::vector<TMenuWrite> WritesOutside(const TMenuWrite& write, const TCellRun& run)
{
    const int address = write.addressHigh << 8 | write.addressLow;
    const QStringList data = write.dataText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<TMenuWrite> parts;
    const auto part = [&](int from, int to) { // cells [from, to) of the write
        if (to <= from)
            return;
        TMenuWrite w;
        w.count = static_cast<std::uint8_t>(to - from);
        w.addressLow = static_cast<std::uint8_t>((address + from) & 0xFF);
        w.addressHigh = static_cast<std::uint8_t>((address + from) >> 8);
        for (int k = from; k < to; ++k)
            w.dataText += data.value(k) + QLatin1Char(' ');
        parts.push_back(w);
    };
    part(0, std::clamp(run.address - address, 0, int(write.count)));
    part(std::clamp(run.Last() + 1 - address, 0, int(write.count)), write.count);
    return parts;
}

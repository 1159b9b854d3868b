#include "DeviceIdentity.h"

#include "HandsetCells.h"
#include "HandsetDevice.h"
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

TFileIdentity FileIdentityOf(const QStringList& lines)
{
    TFileIdentity file;
    file.kind = BackupKindOf(lines);
    for (const QString& line : lines) {
        if (line.startsWith(kIdentityLine, Qt::CaseInsensitive)) {
            file.identity = line.mid(kIdentityLine.size()).trimmed();
            break;
        }
    }
    return file;
}

TIdentityDecision DecideIdentity(const TFileIdentity& file, const TDeviceIdentity& device, bool writeIdentity,
                                 bool force)
{
    using TAction = TIdentityDecision::TAction;
    TIdentityDecision decision;
    // A file names the identity it was read from only where its kind has one.
    decision.cells = IdentityCells(file.kind.value_or(DeviceKind::Handset));
    if (!file.Carried() || !decision.cells)
        return decision;
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

TIdentityCheck CheckIdentity(TMailControl& link, const QStringList& lines, bool writeIdentity, bool force)
{
    TIdentityCheck check;
    check.file = FileIdentityOf(lines);
    check.decision = DecideIdentity(check.file, {}, false, false);
    if (!check.file.Carried() || !check.decision.cells)
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

#include "HandsetDevice.h"

#include "GainRules.h"
#include "HandsetCells.h"
#include "NumberConverting.h"
#include "SndMail.h"

#include <array>

TDeviceDemand HandsetWriteDemand(THandsetWrite write, bool force)
{
    // The text and the handsfree gains are written where the pages asked for an answer first.
    const bool answerCheck = write == THandsetWrite::Text || write == THandsetWrite::HandsfreeGain;
    return {answerCheck, DeviceKind::Handset, false, force};
}

bool THandsetDevice::WriteCellsHex(std::uint16_t address, const QString& hexText, std::uint8_t count)
{
    QString data = hexText;
    if (hexText.size() >= 3) {
        data.clear();
        for (int i = 0; i < hexText.size(); i += 2)
            data += hexText.mid(i, 2) + QLatin1Char(' ');
    }
    return m_link.WriteEepromText(static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(address >> 8),
                                  count, data);
}

std::optional<QByteArray> THandsetDevice::ReadCells(std::uint16_t address, std::uint8_t count)
{
    // At most 200 bytes: a longer answer cannot be one to these reads.
    std::array<std::uint8_t, 200> buffer{};
    if (count == 0 || m_link.ReadEepromBytesAt(address, count, buffer) != count || !m_link.Mail().RxChecksumOk)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), count);
}

std::optional<std::uint8_t> THandsetDevice::ReadByte(std::uint16_t address)
{
    const auto cells = ReadCells(address, 1);
    if (!cells)
        return std::nullopt;
    return static_cast<std::uint8_t>(cells->at(0));
}

int THandsetDevice::WriteTextBlocks(const std::vector<TTextBlock>& blocks,
                                    const std::function<void(const TTextBlock&)>& onConfirmed)
{
    int confirmed = 0;
    for (const TTextBlock& block : blocks) {
        if (!WriteCellsHex(block.address, block.HexDigits(), static_cast<std::uint8_t>(block.bytes.size())))
            break;
        ++confirmed;
        if (onConfirmed)
            onConfirmed(block);
    }
    return confirmed;
}

std::optional<QByteArray> THandsetDevice::ReadStartupText(bool threeLine)
{
    return ReadCells(HandsetCell::StartupText, static_cast<std::uint8_t>(TStartupText::TextBytes(threeLine)));
}

TTextLayoutDecision THandsetDevice::CheckTextLayout(bool threeLine)
{
    if (!threeLine)
        return {};
    const std::optional<QByteArray> stored = ReadStartupText(true);
    if (stored && TStartupText::LooksThreeLine(*stored))
        return {};
    return TStartupText::JudgeLayout(true, stored, ReadByteTries(HandsetCell::ModelMarker, kGainReadTries));
}

TTransducerOutcome THandsetDevice::SetTransducer(std::uint8_t value)
{
    std::optional<std::uint8_t> stored;
    for (int i = 0; i < kTransducerReadTries && !stored && !m_link.StopRequested; ++i) {
        stored = ReadByte(HandsetCell::Gain);
        if (!m_link.Pause(kTransducerReadPauseMs))
            break;
    }
    if (!stored)
        return TTransducerOutcome::NoAnswer;
    if (*stored == value)
        return TTransducerOutcome::AlreadySet;
    return WriteCellsHex(HandsetCell::Gain, ByteToHex(value), 1) ? TTransducerOutcome::Written
                                                                 : TTransducerOutcome::WriteFailed;
}

std::optional<std::uint8_t> THandsetDevice::ReadByteTries(std::uint16_t address, int tries)
{
    std::optional<std::uint8_t> value;
    for (int i = 0; i < tries && !value && !m_link.StopRequested; ++i)
        value = ReadByte(address);
    return value;
}

std::optional<std::uint8_t> THandsetDevice::ReadGain() { return ReadByteTries(HandsetCell::Gain, kGainReadTries); }

bool THandsetDevice::WriteGain(std::uint8_t value) { return WriteCellsHex(HandsetCell::Gain, ByteToHex(value), 1); }

THandsfreeModel THandsetDevice::CheckHandsfreeModel()
{
    const auto marker = ReadByteTries(HandsetCell::ModelMarker, kGainReadTries);
    if (!marker)
        return THandsfreeModel::NoAnswer;
    return TGainRules::IsHandsfreeModel(marker) ? THandsfreeModel::Qualifies : THandsfreeModel::OtherModel;
}

std::optional<std::uint8_t> THandsetDevice::ReadHandsfreeGain() { return ReadByte(HandsetCell::HandsfreeGain); }

bool THandsetDevice::WriteHandsfreeGain(std::uint8_t value)
{
    return m_link.WriteEepromText(HandsetCell::HandsfreeGain & 0xFF, HandsetCell::HandsfreeGain >> 8, 1,
                                  ByteToHex(value));
}

QString THandsetDevice::ReadIdentityDigits()
{
    const auto cells = ReadCells(HandsetCell::Identity, HandsetCell::IdentityCount);
    return cells ? QString::fromLatin1(cells->toHex().toUpper()) : QString();
}

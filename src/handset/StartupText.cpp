#include "StartupText.h"

#include <algorithm>

#include "GainRules.h"
#include "HandsetCells.h"
#include "NumberConverting.h"
#include "Windows1252.h"

QString TTextBlock::HexDigits() const
{
    QString digits;
    for (char b : bytes)
        digits += ByteToHex(static_cast<std::uint8_t>(b));
    return digits;
}

QString TTextBlock::Report() const
{
    QString text = PadLeft(QString::number(address, 16).toUpper(), QLatin1Char('0'), 4);
    for (char b : bytes)
        text += QLatin1Char(' ') + ByteToHex(static_cast<std::uint8_t>(b));
    return text;
}

QString TStartupText::PadLine(const QString& text, int length)
{
    return text.size() >= length ? text : text + QString(length - text.size(), QLatin1Char(' '));
}

std::optional<QString> TStartupText::FirstUnstorable(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            return text.mid(i, 2);
        // C0 and C1 controls, DEL, and whatever has no byte in the code page.
        if (c.category() == QChar::Other_Control || c.isSurrogate() || CharToWindows1252(c) < 0)
            return QString(c);
    }
    return std::nullopt;
}

TStartupText::TEncoded TStartupText::Encode(const QStringList& lines, bool threeLine)
{
    TEncoded result;
    const int lineCount = threeLine ? 3 : 1;
    const int length = threeLine ? kLineLength : kOneLineLength;
    if (lines.size() > lineCount) {
        result.refused =
            TTextRefusal{TTextRefusal::Reason::TooManyLines, static_cast<int>(lines.size()), 0, lineCount, {}};
        return result;
    }
    QByteArray bytes;
    for (int i = 0; i < lineCount; ++i) {
        const QString line = lines.value(i);
        if (const auto bad = FirstUnstorable(line)) {
            result.refused = TTextRefusal{TTextRefusal::Reason::UnstorableCharacter, i + 1, 0, 0, *bad};
            return result;
        }
        // Longer than its cells: typed in the three-line layout before it was switched to one line.
        if (line.size() > length) {
            result.refused =
                TTextRefusal{TTextRefusal::Reason::LineTooLong, i + 1, static_cast<int>(line.size()), length, {}};
            return result;
        }
        bytes += ToWindows1252(PadLine(line, length));
    }
    if (!threeLine) {
        result.blocks.push_back({HandsetCell::StartupText, bytes.left(kBlockSize)});
        result.blocks.push_back(
            {static_cast<std::uint16_t>(HandsetCell::StartupText + kBlockSize), bytes.mid(kBlockSize)});
        return result;
    }
    // Six blocks cover 48 cells; those past the 36 characters get zeros.
    bytes.append(QByteArray(kThreeLineBlocks * kBlockSize - bytes.size(), '\0'));
    for (int k = 0; k < kThreeLineBlocks; ++k)
        result.blocks.push_back({static_cast<std::uint16_t>(HandsetCell::StartupText + kBlockSize * k),
                                 bytes.mid(kBlockSize * k, kBlockSize)});
    return result;
}

bool TStartupText::LooksThreeLine(const QByteArray& bytes)
{
    const QByteArray rest = bytes.mid(kOneLineLength, TextBytes(true) - kOneLineLength);
    return bytes.size() >= TextBytes(true) && std::all_of(rest.begin(), rest.end(), [](char c) {
               // FFh is an erased cell, never a character of a text written here.
               const auto b = static_cast<unsigned char>(c);
               return b >= 0x20 && b != 0x7F && b != 0xFF;
           });
}

TTextLayoutDecision TStartupText::JudgeLayout(bool threeLine, const std::optional<QByteArray>& stored,
                                              std::optional<std::uint8_t> marker)
{
    // The marker names the DAVO 8240 and 8280, both three-line models.
    if (!threeLine || (stored && LooksThreeLine(*stored)) || TGainRules::IsHandsfreeModel(marker))
        return {};
    return {WriteVerdict::Ask, TTextLayoutRule::NoThreeLineSign};
}

QStringList TStartupText::DecodeEitherLayout(const QByteArray& bytes)
{
    if (!LooksThreeLine(bytes))
        return Decode(bytes, false);
    QStringList lines = Decode(bytes, true);
    while (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList TStartupText::Decode(const QByteArray& bytes, bool threeLine)
{
    const int lineCount = threeLine ? 3 : 1;
    const int length = threeLine ? kLineLength : kOneLineLength;
    QStringList lines;
    for (int i = 0; i < lineCount; ++i) {
        QString line = FromWindows1252(bytes.mid(i * length, length));
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        // A control byte (never written by Encode) must not reach a terminal as
        // itself: ESC would start a sequence, LF or NUL would split the line.
        QString shown;
        for (const QChar c : line)
            shown += c.category() == QChar::Other_Control
                         ? QStringLiteral("\\x") + ByteToHex(static_cast<std::uint8_t>(c.unicode()))
                         : QString(c);
        lines << shown;
    }
    return lines;
}

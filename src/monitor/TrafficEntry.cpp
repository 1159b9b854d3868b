#include "TrafficEntry.h"

#include "Timing.h"
#include "Windows1252.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr int kHintPiece = 96;
const QChar kCr = QLatin1Char('\r');

void AppendHintLine(QString& hint, const QString& caption, const QString& value)
{
    hint += QStringLiteral("* ") + caption + QStringLiteral(": ");
    if (value.isEmpty()) {
        // Still end the line, so an empty column does not run into the next one.
        hint += kCr;
        return;
    }
    for (qsizetype pos = 0; pos < value.size(); pos += kHintPiece) {
        hint += value.mid(pos, kHintPiece);
        hint += kCr;
    }
}

} // namespace

QString HexBlockText(const QByteArray& bytes)
{
    QString text(bytes.size() * 3, Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QLatin1Char(kHexDigits[b >> 4]);
        *out++ = QLatin1Char(kHexDigits[b & 0x0F]);
        *out++ = QLatin1Char(' ');
    }
    return text;
}

QString AsciiBlockText(const QByteArray& bytes)
{
    QString text(bytes.size() + 1, Qt::Uninitialized);
    QChar* out = text.data();
    *out++ = QLatin1Char(' ');
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = b < 0x20 ? QLatin1Char('.') : Windows1252ToChar(b);
    }
    return text;
}

QString LineText(const TTrafficEntry& e, const TColumnCaptions& c)
{
    const QString head = e.info + QStringLiteral("  ") + c.time + QStringLiteral(": ") + e.time;
    if (e.kind == EntryKind::PortState)
        return head + QStringLiteral(" => ") + e.hexComment;
    return head + QLatin1Char(' ') + c.count + QStringLiteral(": ") + e.count + QStringLiteral(" => ") + c.hexComment +
           QStringLiteral(": ") + e.hexComment + QStringLiteral("   => ") + c.ascii + QStringLiteral(": ") + e.ascii;
}

QString HintText(const TTrafficEntry& e, const TColumnCaptions& c)
{
    QString hint;
    hint += QStringLiteral("* ") + c.info + QStringLiteral(": ") + e.info + kCr;
    hint += QStringLiteral("* ") + c.time + QStringLiteral(": ") + e.time + kCr;
    hint += QStringLiteral("* ") + c.count + QStringLiteral(": ") + e.count + kCr;
    AppendHintLine(hint, c.hexComment, e.hexComment);
    AppendHintLine(hint, c.ascii, e.ascii);
    return hint;
}

TTrafficEntryBuilder::TTrafficEntryBuilder() : m_clock([] { return TimeStamp(true); }) {}

TTrafficEntry TTrafficEntryBuilder::FromTraffic(TrafficDirection direction, const QByteArray& bytes) const
{
    const bool sent = direction == TrafficDirection::Sent;
    return TTrafficEntry{
        sent ? EntryKind::Sent : EntryKind::Received,
        sent ? m_labels.sent : m_labels.received,
        m_clock(),
        QString::number(bytes.size()),
        HexBlockText(bytes),
        AsciiBlockText(bytes),
    };
}

TTrafficEntry TTrafficEntryBuilder::FromInfo(InfoKind kind, const QString& text, const QString& comment) const
{
    const bool portState = kind == InfoKind::PortState;
    return TTrafficEntry{
        portState ? EntryKind::PortState : EntryKind::Comment,
        portState ? m_labels.portState : comment,
        m_clock(),
        QString(),
        text,
        QString(),
    };
}

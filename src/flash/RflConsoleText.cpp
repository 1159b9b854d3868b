#include "RflConsoleText.h"

namespace {
constexpr char kHorizontal = char(0xC4); // box drawing, code page 437
constexpr char kVertical = char(0xB3);

QString Text(const QByteArray& bytes) { return QString::fromLatin1(bytes); }
} // namespace

void TRflConsoleText::SetLine(int index, const QString& text)
{
    // The log may have been cleared since the line was remembered.
    if (index >= 0 && index < m_log.LineCount())
        m_log.SetLine(index, text);
    else
        m_log.AddLine(text);
}

void TRflConsoleText::TextOut(const QByteArray& piece)
{
    if (piece.isEmpty())
        return;
    if (piece.contains("Erased") && PauseAfterErased)
        PauseAfterErased();

    if (!m_programmingMode)
        m_programmingMode = piece.contains("Programming .");
    if (m_programmingMode) {
        m_programmingMode = !piece.contains("Checksum");
        if (m_programmingMode)
            m_log.SetLastLine(QStringLiteral(" Programming.......: ") + Text(piece.left(6)));
        else
            m_log.AddLine(Text(piece.mid(2, piece.size() - 3)));
        return;
    }

    if (piece.contains(QByteArray(3, kHorizontal)) || piece.at(0) == kVertical)
        return;

    if (piece.contains('\r')) {
        m_lineState = 10;
        if (m_crToggle) {
            m_savedLine = m_log.LineCount() - 1;
            m_crToggle = false;
        }
        else
            m_crToggle = true;
        return;
    }

    if (const qsizetype lf = piece.indexOf('\n'); lf >= 0) {
        m_lineState = 0;
        m_log.AddLine(Text(lf == 0 ? piece.mid(1) : piece.left(lf)));
        return;
    }

    switch (m_lineState) {
    case 0:
        m_log.AddLine(Text(piece));
        m_lineState = 1;
        break;
    case 10:
        SetLine(m_savedLine, Text(piece));
        break;
    default:
        m_log.SetLastLine(m_log.LastLine() + Text(piece));
        break;
    }
}

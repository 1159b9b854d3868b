#include "MemoLogLines.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

QString TMemoLogLines::Line(int index) const
{
    if (index < 0 || index >= m_count)
        return {};
    return m_memo.document()->findBlockByNumber(index).text();
}

void TMemoLogLines::SetLine(int index, const QString& text)
{
    if (index < 0 || index >= m_count)
        return;
    QTextCursor cursor(m_memo.document()->findBlockByNumber(index));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    // A text with its own line breaks (the CRC banner) makes more lines.
    m_count = m_memo.document()->blockCount();
}

void TMemoLogLines::AddLine(const QString& text)
{
    if (m_count == 0)
        m_memo.setPlainText(text);
    else
        m_memo.appendPlainText(text);
    m_count = m_memo.document()->blockCount();
    m_memo.moveCursor(QTextCursor::End);
}

void TMemoLogLines::Clear()
{
    m_memo.clear();
    m_count = 0;
}

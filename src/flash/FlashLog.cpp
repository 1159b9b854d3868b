#include "FlashLog.h"

void TFlashLogLines::SetLastLine(const QString& text)
{
    if (LineCount() == 0)
        AddLine(text);
    else
        SetLine(LineCount() - 1, text);
}

void AddLoaderLogLine(TFlashLogLines& log, const QString& text)
{
    static const QString progress = QStringLiteral("PROGRAM_PROGRESS_IND");
    if (log.LineCount() > 0 && log.LastLine().contains(progress) && text.contains(progress))
        log.SetLastLine(text);
    else
        log.AddLine(text);
}

void TFlashLogList::SetLine(int index, const QString& text)
{
    if (index < 0 || index >= m_lines.size())
        return;
    m_lines[index] = text;
    if (OnChange)
        OnChange(index, false);
}

void TFlashLogList::AddLine(const QString& text)
{
    m_lines.append(text);
    if (OnChange)
        OnChange(int(m_lines.size()) - 1, true);
}

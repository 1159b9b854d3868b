#include "FlashLog.h"

#include "RflLib.h"

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

TFlashFailure FlashFailureOfIndication(const QString& line)
{
    if (line.contains(QLatin1String("COMMUNICATION_ERROR_IND")))
        return TFlashFailure::NoAnswer;
    if (line.contains(QLatin1String("MAIL_ERROR_IND")))
        return TFlashFailure::Refused;
    return TFlashFailure::None;
}

TFlashFailure FlashFailureOfRflResult(int result)
{
    return result == RFL_RESULT_NO_ANSWER ? TFlashFailure::NoAnswer
           : result == RFL_RESULT_REFUSED ? TFlashFailure::Refused
                                          : TFlashFailure::None;
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

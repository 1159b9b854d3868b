#include "FlashLog.h"

#include "RflLib.h"

#include <QRegularExpression>
#include <algorithm>
#include <optional>

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

namespace {
// The hexadecimal value of "[Name=XXXXXXXX]" in an indication line.
std::optional<qint64> IndicationValue(const QString& line, QLatin1String name)
{
    const qsizetype at = line.indexOf(QLatin1Char('[') + name + QLatin1Char('='));
    if (at < 0)
        return std::nullopt;
    const qsizetype from = at + name.size() + 2;
    const qsizetype end = line.indexOf(QLatin1Char(']'), from);
    bool ok = false;
    const qint64 value = line.mid(from, end - from).toLongLong(&ok, 16);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}
} // namespace

bool TFlashProgress::Set(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == m_percent)
        return false;
    m_percent = percent;
    return true;
}

bool TFlashProgress::Take(const QString& line)
{
    if (line.contains(QLatin1String("PROGRAM_OFFSET_IND"))) {
        m_offset = IndicationValue(line, QLatin1String("Offset")).value_or(0);
        return false;
    }
    if (line.contains(QLatin1String("PROGRAM_SIZE_IND"))) {
        m_size = IndicationValue(line, QLatin1String("Size")).value_or(0);
        return false;
    }
    if (line.contains(QLatin1String("PROGRAM_PROGRESS_IND"))) {
        const std::optional<qint64> address = IndicationValue(line, QLatin1String("Addr"));
        if (!address || m_size <= 0)
            return false;
        return Set(int((*address - m_offset) * 100 / m_size));
    }
    if (line.contains(QLatin1String("CRC_OK_IND")))
        return Set(100);
    // " Programming.......:  12 %"
    static const QRegularExpression rfl(QStringLiteral("Programming\\.*:\\s*(\\d{1,3})\\s*%"));
    if (const QRegularExpressionMatch m = rfl.match(line); m.hasMatch())
        return Set(m.captured(1).toInt());
    return false;
}

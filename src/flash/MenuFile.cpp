#include "MenuFile.h"

#include "BoundedFile.h"
#include "NumberConverting.h"
#include "TextLines.h"
#include "Windows1252.h"

#include <algorithm>

namespace {

bool IsByteField(const QString& field) { return (field.size() == 1 || field.size() == 2) && IsHexText(field, false); }

} // namespace

TMenuLines::TMenuLines(const QStringList& lines) : m_utf8(true), m_lineCount(static_cast<int>(lines.size()))
{
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QByteArray text = lines[i].toUtf8();
        m_spans.push_back({std::uint32_t(m_bytes.size()), std::uint32_t(text.size()), std::uint32_t(i + 1)});
        m_bytes += text;
    }
}

QString TMenuLines::operator[](int i) const
{
    const TSpan& span = m_spans[size_t(i)];
    const QByteArray raw = QByteArray::fromRawData(m_bytes.constData() + span.start, span.size);
    return m_utf8 ? QString::fromUtf8(raw) : FromWindows1252(raw);
}

QString TMenuLines::TextOfLine(int number) const
{
    const auto at = std::lower_bound(m_spans.begin(), m_spans.end(), number,
                                     [](const TSpan& span, int n) { return int(span.number) < n; });
    return at != m_spans.end() && int(at->number) == number ? (*this)[int(at - m_spans.begin())] : QString();
}

QStringList TMenuLines::AllLines() const
{
    QStringList lines;
    lines.reserve(m_lineCount);
    for (int i = 0; i < size(); ++i) {
        while (lines.size() < Number(i) - 1)
            lines << QString();
        lines << (*this)[i];
    }
    while (lines.size() < m_lineCount)
        lines << QString();
    return lines;
}

TMenuLines TMenuFile::SplitLines(const QByteArray& bytes)
{
    // The lines point into the bytes, which stay shared, not copied.
    TMenuLines lines;
    lines.m_bytes = bytes;
    tbtext::TextLineReader reader(std::string_view(bytes.constData(), size_t(bytes.size())));
    lines.m_utf8 = reader.Utf8Bom();
    for (std::string_view line; reader.Next(line);) {
        ++lines.m_lineCount;
        if (!line.empty())
            lines.m_spans.push_back({std::uint32_t(line.data() - bytes.constData()), std::uint32_t(line.size()),
                                     std::uint32_t(lines.m_lineCount)});
    }
    return lines;
}

bool TMenuFile::Load(const QString& path, TMenuLines& lines, QString& error)
{
    TBoundedFile file(path, TFileKind::Menu);
    QByteArray bytes;
    if (!file.ReadAll(bytes)) {
        error = file.Reason();
        return false;
    }
    lines = SplitLines(bytes);
    return true;
}

bool TMenuFile::IsSkipped(const QString& line)
{
    const QString upper = line.toUpper();
    return upper.trimmed().isEmpty() || upper.contains(QLatin1String("REM"));
}

TMenuLine TMenuFile::ReadLine(const QString& line)
{
    TMenuLine result;
    if (IsSkipped(line)) {
        result.skipped = true;
        return result;
    }
    // Only blanks separate fields; a tab stays inside its field and makes it bad.
    const QStringList fields = line.toUpper().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (fields.size() > kMaxFields) {
        result.problem = TMenuLineProblem::TooManyFields;
        return result;
    }
    for (int i = 0; i < fields.size(); ++i) {
        if (!IsByteField(fields[i])) {
            result.problem = TMenuLineProblem::FieldNotHex;
            result.field = i + 1;
            return result;
        }
    }
    // A line that ends before field 3 lacks a field: the first missing one is named.
    if (fields.size() < 3) {
        result.problem = TMenuLineProblem::FieldNotHex;
        result.field = static_cast<int>(fields.size()) + 1;
        return result;
    }
    TMenuWrite& write = result.write;
    write.count = HexTextToByte(fields[0]);
    write.addressLow = HexTextToByte(fields[1]);
    write.addressHigh = HexTextToByte(fields[2]);
    result.dataFields = static_cast<int>(fields.size()) - 3;
    if (write.count < 1 || write.count > kMaxCount) {
        result.problem = TMenuLineProblem::CountOutOfRange;
        return result;
    }
    if (result.dataFields != write.count) {
        result.problem = TMenuLineProblem::DataCountMismatch;
        return result;
    }
    if (write.addressLow + 256 * write.addressHigh + write.count > 0x10000) {
        result.problem = TMenuLineProblem::PastLastAddress;
        return result;
    }
    for (int i = 3; i < fields.size(); ++i)
        write.dataText += PadLeft(fields[i], QLatin1Char('0'), 2) + QLatin1Char(' ');
    return result;
}

TMenuCheck TMenuFile::Check(const TMenuLines& lines)
{
    TMenuCheck check;
    for (int i = 0; i < lines.size(); ++i) {
        const TMenuLine line = ReadLine(lines[i]);
        if (!line.Ok()) {
            check.badLine = lines.Number(i);
            check.line = line;
            return check;
        }
        if (!line.skipped)
            ++check.writes;
    }
    return check;
}

int TMenuFile::GaugePercent(int done, int total)
{
    if (total <= 0)
        return 0;
    const long long scaled = 100LL * done;
    long long quotient = scaled / total;
    const long long twiceRest = 2 * (scaled % total);
    if (twiceRest > total || (twiceRest == total && quotient % 2 == 1))
        ++quotient;
    return static_cast<int>(quotient);
}

QString TMenuFile::ProblemText(const TMenuLine& line, const TMenuProblemTexts& texts)
{
    switch (line.problem) {
    case TMenuLineProblem::None:
        return {};
    case TMenuLineProblem::TooManyFields:
        return texts.tooManyFields;
    case TMenuLineProblem::FieldNotHex:
        return texts.fieldNotHex.arg(line.field);
    case TMenuLineProblem::CountOutOfRange:
        return texts.countOutOfRange;
    case TMenuLineProblem::DataCountMismatch:
        return texts.dataCountMismatch.arg(QString::number(line.write.count), QString::number(line.dataFields));
    case TMenuLineProblem::PastLastAddress:
        return texts.pastLastAddress;
    }
    return {};
}

QString TMenuFile::CheckText(const TMenuCheck& check, const TMenuProblemTexts& texts)
{
    return texts.lineFormat.arg(QString::number(check.badLine), ProblemText(check.line, texts));
}

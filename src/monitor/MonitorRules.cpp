#include "MonitorRules.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace {
constexpr int kExactLimitBelow = 125;
constexpr int kTrimSlack = 25;
} // namespace

int EntriesToTrim(int count, int maxLines)
{
    if (maxLines <= 0)
        return 0;
    if (maxLines < kExactLimitBelow)
        return count > maxLines ? count - maxLines : 0;
    if (count > maxLines + kTrimSlack)
        return count - (maxLines - kTrimSlack);
    return 0;
}

TTrafficEntry ConcatenateEntries(std::span<const TTrafficEntry> selected)
{
    if (selected.empty())
        return {};
    TTrafficEntry merged = selected.front();
    QString counts = merged.count;
    bool allNumbers = true;
    qint64 sum = merged.count.toLongLong(&allNumbers);
    for (const TTrafficEntry& e : selected.subspan(1)) {
        merged.hexComment += e.hexComment;
        merged.ascii += e.ascii;
        counts += QLatin1Char('+') + e.count;
        bool ok = false;
        sum += e.count.toLongLong(&ok);
        allNumbers = allNumbers && ok;
    }
    merged.count = allNumbers ? QString::number(sum) + QStringLiteral(" (") + counts + QLatin1Char(')') : counts;
    return merged;
}

QString LinesText(std::span<const TTrafficEntry> entries, const TColumnCaptions& captions)
{
    QString text;
    for (const TTrafficEntry& e : entries)
        text += LineText(e, captions) + QStringLiteral("\r\n");
    return text;
}

QString DialogFilterToQt(const QString& filter)
{
    static const QRegularExpression parens(QStringLiteral("\\s*\\(([^)]*)\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns;
        const QRegularExpressionMatch m = parens.match(description);
        if (m.hasMatch()) {
            patterns += m.captured(1).split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
            description.truncate(m.capturedStart());
        }
        patterns += parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        QStringList unique;
        for (const QString& p : patterns) {
            const QString t = p.trimmed();
            if (!t.isEmpty() && !unique.contains(t))
                unique += t;
        }
        filters += description + QStringLiteral(" (") + unique.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString WithDefaultExtension(const QString& fileName, const QString& ext)
{
    if (fileName.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + QLatin1Char('.') + ext;
}

#include "LanguageGrid.h"

#include "LanguageFile.h"
#include "ProfileFile.h"
#include "Windows1252.h"

#include <QDir>

std::array<int, kLanguageColumnCount> LanguageColumnWidths(int gridWidth, bool additionalInfo, bool captions,
                                                           bool hints)
{
    const int info = additionalInfo ? 100 : -1;
    const int divisor = captions && hints ? 4 : captions || hints ? 2 : 1;
    const int share = (gridWidth - 3 * info - 30) / divisor;
    const int caption = captions ? share : -1;
    const int hint = hints ? share : -1;
    return {info, info, info, caption, caption, hint, hint};
}

std::array<int, kLanguageColumnCount> InitialLanguageColumnWidths(int gridWidth)
{
    const int quarter = (gridWidth - 20) / 4;
    return {-1, -1, -1, quarter, quarter, quarter, quarter};
}

QString EncodeTranslation(const QString& translation)
{
    QString value = translation;
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const bool padded = value != value.trimmed();
    const bool quoted = value.size() >= 2 &&
                        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
                        value.back() == value.front();
    return padded || quoted ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

TTranslationProblem CheckTranslation(const QString& translation)
{
    for (const QChar c : translation)
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n') && CharToWindows1252(c) < 0)
            return TTranslationProblem::NotInCodePage;
    if (translation.size() > TProfileFile::kMaxValueLength)
        return TTranslationProblem::TooLong;
    return TTranslationProblem::None;
}

QStringList LanguageNames(const QStringList& folders)
{
    QStringList names{QLatin1String(kEnglish)};
    QStringList seen;
    for (const QString& folder : folders) {
        QStringList fromFolder;
        const QStringList files = QDir(folder).entryList({QStringLiteral("*")}, QDir::Files, QDir::Name);
        for (const QString& file : files) {
            const QString name = file.left(file.size() - 4);
            if (file.endsWith(QLatin1String(kLanguageFileSuffix), Qt::CaseInsensitive) && file.size() > 4 &&
                !seen.contains(name, Qt::CaseInsensitive))
                fromFolder << name;
        }
        names << fromFolder;
        seen << fromFolder;
    }
    return names;
}

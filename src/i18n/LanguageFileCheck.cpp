#include "LanguageFileCheck.h"

#include "ProfileFile.h"
#include "TextLines.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <cstring>

namespace {

QString Stem(const QString& key)
{
    const qsizetype dot = key.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? key : key.left(dot);
}

} // namespace

QStringList LanguageFileLineProblems(const TProfileFile& file)
{
    QStringList problems;
    for (const auto& [number, line] : file.LinesOfNoKind()) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')))
            problems << QStringLiteral("line %1: the window name \"%2\" lacks its closing \"]\"")
                            .arg(number)
                            .arg(line.left(60));
        else
            problems
                << QStringLiteral("line %1: \"%2\" has no \"=\" (a line is key=text)").arg(number).arg(line.left(60));
    }
    return problems;
}

bool TLanguageCheck::HasUnknownKeys() const
{
    for (const TSection& section : sections)
        if (!section.unknownKeys.isEmpty())
            return true;
    return false;
}

TLanguageCheck CheckLanguageFile(const TProfileFile& file, const TProfileFile& keyTemplate,
                                 const QHash<QString, QStringList>& runTimeComponents)
{
    TLanguageCheck check;
    QSet<QString> templateSections;
    for (const QString& sectionName : keyTemplate.Sections()) {
        templateSections.insert(sectionName.toCaseFolded());
        TLanguageCheck::TSection section;
        section.name = sectionName;
        const QStringList known = keyTemplate.Keys(sectionName);
        QSet<QString> knownFolded;
        for (const QString& key : known)
            knownFolded.insert(key.toCaseFolded());
        QSet<QString> runTime;
        for (const QString& component : runTimeComponents.value(sectionName.toCaseFolded()))
            runTime.insert(component.toCaseFolded());
        for (const QString& key : file.Keys(sectionName))
            if (!knownFolded.contains(key.toCaseFolded()) && !runTime.contains(Stem(key).toCaseFolded()))
                section.unknownKeys << key;
        QStringList components;
        QSet<QString> translated;
        for (const QString& key : known) {
            const QString stem = Stem(key);
            if (components.isEmpty() || components.back() != stem)
                components << stem;
            if (!file.ReadString(sectionName, key).isEmpty())
                translated.insert(stem);
        }
        for (const QString& component : components)
            if (!translated.contains(component))
                section.untranslated << component;
        check.sections << section;
    }
    for (const QString& sectionName : file.Sections()) {
        if (templateSections.contains(sectionName.toCaseFolded()))
            continue;
        TLanguageCheck::TSection section;
        section.name = sectionName;
        section.knownWindow = false;
        section.unknownKeys = file.Keys(sectionName);
        check.sections << section;
    }
    return check;
}

TLanguageCheck CheckLanguageFile(const TProfileFile& file)
{
    // Profile files are read from disk: the built-in template goes through a temporary copy.
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("Template.lng"));
    QFile::copy(QStringLiteral(":/i18n/Template.lng"), copy);
    QHash<QString, QStringList> runTime;
    if (QByteArray text; ReadBoundedFile(copy, TFileKind::Language, text)) {
        QString section;
        for (const QByteArray& raw : text.split('\n')) {
            const QString line = QString::fromLatin1(raw).trimmed();
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
                section = line.mid(1, line.size() - 2).toCaseFolded();
            else if (line.startsWith(QLatin1String(kRunTimeComponents)))
                runTime[section] =
                    line.mid(qsizetype(std::strlen(kRunTimeComponents))).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        }
    }
    return CheckLanguageFile(file, TProfileFile(copy, TProfileFile::TEncoding::Windows1252, TFileKind::Language),
                             runTime);
}

QString FormatLanguageCheck(const TLanguageCheck& check)
{
    QString text;
    for (const TLanguageCheck::TSection& section : check.sections) {
        text += QLatin1Char('[') + section.name + QStringLiteral("]\n");
        if (!section.knownWindow)
            text += QStringLiteral("  no window of that name is translated\n");
        for (const QString& key : section.unknownKeys)
            text += QStringLiteral("  names no component: ") + key + QLatin1Char('\n');
        if (!section.untranslated.isEmpty())
            text += QStringLiteral("  not translated (%1): ").arg(section.untranslated.size()) +
                    section.untranslated.join(QStringLiteral(", ")) + QLatin1Char('\n');
    }
    return text;
}

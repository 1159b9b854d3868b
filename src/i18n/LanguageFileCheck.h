#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class TProfileFile;

// What a translator would otherwise never notice in a language file: keys
// that name no translatable component of their window (typos, renamed
// components, unknown windows), and components left untranslated. The known
// keys are those of the template built into the program.
struct TLanguageCheck {
    struct TSection {
        QString name;
        bool knownWindow = true;
        QStringList unknownKeys;  // in file order
        QStringList untranslated; // components with no value for any key, in template order
    };
    QList<TSection> sections; // template sections first, then the file's unknown ones

    [[nodiscard]] bool HasUnknownKeys() const;
};

// In the template, a window's components with Tag 1 (not in the editor, texts
// set at run time) follow its keys on one comment line that begins so.
inline constexpr char kRunTimeComponents[] = "; set at run time, not in the editor:";

// runTimeComponents: per window (case-folded name), components that a file
// may translate although the template lists no key for them.
[[nodiscard]] TLanguageCheck CheckLanguageFile(const TProfileFile& file, const TProfileFile& keyTemplate,
                                               const QHash<QString, QStringList>& runTimeComponents = {});
// Against the template built into the program (translations/Template.lng).
[[nodiscard]] TLanguageCheck CheckLanguageFile(const TProfileFile& file);
// Lines an INI reader would pass over without a word: a key without "=", a
// section name without its "]". Each as "line N: reason", lines counted as the reader counts them.
[[nodiscard]] QStringList LanguageFileLineProblems(const TProfileFile& file);
// The report as `lng check` prints it.
[[nodiscard]] QString FormatLanguageCheck(const TLanguageCheck& check);

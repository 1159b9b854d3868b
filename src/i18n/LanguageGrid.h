#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <array>

// Rules of the language editor's grid and of the files it writes, without widgets.

// Grid columns: ClassName, Name, Parent, Caption, Translation of Caption, Hint,
// Translation of Hint.
enum TLanguageColumn : int {
    lcClassName = 0,
    lcName,
    lcParent,
    lcCaption,
    lcCaptionTranslation,
    lcHint,
    lcHintTranslation
};
inline constexpr int kLanguageColumnCount = 7;

// Column widths for a grid of that width; -1 hides a column. The info columns
// get 100 when shown; the shown caption and hint columns share the rest.
[[nodiscard]] std::array<int, kLanguageColumnCount> LanguageColumnWidths(int gridWidth, bool additionalInfo,
                                                                         bool captions, bool hints);
// The widths right after the window is created: info columns hidden, the four
// others a quarter each.
[[nodiscard]] std::array<int, kLanguageColumnCount> InitialLanguageColumnWidths(int gridWidth);

// The text stored for a translation: line breaks become blanks; a value with
// leading or trailing blanks, or enclosed in quotes, goes into one pair of
// double quotes, which reading strips again.
[[nodiscard]] QString EncodeTranslation(const QString& translation);
// Why a translation cannot be stored (a character outside Windows-1252, or
// longer than a language file value may be); empty when it can.
enum class TTranslationProblem { None, NotInCodePage, TooLong };
[[nodiscard]] TTranslationProblem CheckTranslation(const QString& translation);

// "English" first, then the language of every "*.lng" file in the folders
// (any case of the suffix), by name within each folder; a language already
// listed from an earlier folder is not listed again.
[[nodiscard]] QStringList LanguageNames(const QStringList& folders);

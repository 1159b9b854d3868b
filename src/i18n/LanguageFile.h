#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Language files: "<language>.lng" in the program folder, one section per
// window (named by the window's object name), keys "<component>.Caption" and
// "<component>.Hint". "English" stands for the built-in texts and has no file.

inline constexpr const char* kLanguageFileSuffix = ".lng";
inline constexpr const char* kEnglish = "English";
inline constexpr const char* kDefaultLanguage = "Default";

// The windows that language files translate, in the order they are translated
// at start.
[[nodiscard]] QStringList TranslatedWindowNames();

// The file of a language in the first of the folders (each ending with a
// separator) that has one: the exact name, else a file whose name matches
// regardless of case. Empty when there is none, or when the name holds a path
// separator or "..".
[[nodiscard]] QString LanguageFilePath(const QStringList& folders, const QString& language);

// Sets every caption and hint that the file has a value for on the window's
// components (section: the window's object name). Empty and missing values
// leave the built-in text. False when the file does not exist.
bool ApplyLanguageFile(const QString& filePath, QWidget& window);
// The same by language name; false when no folder holds such a file.
bool ApplyLanguage(const QString& language, QWidget& window, const QStringList& folders);

// Finds one of the program's windows by its object name (nullptr: none).
using TWindowFinder = std::function<QWidget*(const QString& objectName)>;

// The start-up step for a chosen language other than English: applies it to
// every translated window that exists, in order, and then copies the dialog
// texts from the dialog texts window. Nothing is read for an empty name or
// exactly "English".
void ApplyLanguageToWindows(const QString& language, const QStringList& folders, const TWindowFinder& findWindow);

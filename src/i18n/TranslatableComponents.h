#pragma once

#include <QList>
#include <QString>

class QObject;
class QWidget;

// Which components of a window the language files reach, and how.
//
// A component is a widget or action below the window (not inside another
// window such as a menu or a child dialog) with an object name of the
// project's own: Qt's internal children ("qt_..." names, a tab bar's scroll
// buttons) are not components. Kinds are told by the project's classes before
// Qt's: a radio group is no group box, a picture or a status panel no label.

// The rows of the translation table a component matches; one component may
// match several (a bitmap button is also a push button).
enum TTranslationRow : unsigned {
    trRadioButton = 1u << 0,
    trCheckBox = 1u << 1,
    trPushButton = 1u << 2, // not when the name begins with "SC_"
    trGroupBox = 1u << 3,   // caption shown with a blank on each side
    trLabel = 1u << 4,
    trSpinEdit = 1u << 5, // hint only
    trTabSheet = 1u << 6,
    trBitBtn = 1u << 7,
    trSpeedButton = 1u << 8, // only while its Tag is 0
};
using TTranslationRows = unsigned;

// The window's components, depth first in creation order; tab pages come in
// tab order.
[[nodiscard]] QList<QObject*> WindowComponents(const QWidget& window);

// The rows a language file applies to the component (0: not translated).
[[nodiscard]] TTranslationRows TranslationRows(const QObject& component);
// True when some row gives the component a caption (all but spin edits).
[[nodiscard]] bool HasCaptionRow(TTranslationRows rows);
// Listed in the language editor: a kind with a caption, Tag 0, and a caption
// that a language file can change (not a plain push button named "SC_...").
[[nodiscard]] bool ListedInEditor(const QObject& component);

// The component's dynamic property "Tag" (0 when unset).
[[nodiscard]] int ComponentTag(const QObject& component);
// Caption: the text, a group box's title, a tab sheet's Caption property.
[[nodiscard]] QString ComponentCaption(const QObject& component);
void SetComponentCaption(QObject& component, const QString& caption);
// Hint: the tool tip (a tab sheet's Hint property, which also sets its tab's).
[[nodiscard]] QString ComponentHint(const QObject& component);
void SetComponentHint(QObject& component, const QString& hint);
// The name of the nearest enclosing component (empty at the window).
[[nodiscard]] QString ParentComponentName(const QObject& component);

#pragma once

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

// Thin classes that give a window's components the kinds the language files
// tell apart. Qt alone would see a push button, a tool button or a label;
// these classes decide whether and how a language file translates them.

// A push button with a picture: translated even when its name begins with "SC_".
class TBitBtn : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
};

// A flat tool-bar style button: translated only while its Tag is 0.
class TSpeedButton : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;
};

// A picture. A label to Qt, but it has no caption to translate.
class TImage : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

// A status bar panel, filled at run time; never translated.
class TStatusPanel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

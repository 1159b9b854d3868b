#pragma once

#include <QRect>
#include <QString>

class QWidget;

// Window geometry in an INI section named after the form's object name:
// Maximized (1/0), Height, Width, Top, Left.

// From the file: no section centres the form; Maximized=1 maximises it and
// leaves the stored size for later; otherwise size (unless positionOnly) and
// position, centred when that puts it off the desktop. On any error Top and
// Left become 10.
void RestoreFormPosition(const QString& iniPath, QWidget& form, bool positionOnly);
// Maximised: only Maximized=1; otherwise Height, Width, Top, Left, Maximized=0.
// False when the file could not be written.
bool SaveFormPosition(const QString& iniPath, const QWidget& form, QString* error = nullptr);
// Middle of the first monitor's work area.
void CenterForm(QWidget& form);
// True unless the form fits the desktop vertically and touches it sideways.
[[nodiscard]] bool FormOffDesktop(const QWidget& form);
[[nodiscard]] bool FormOffDesktop(const QRect& form, const QRect& desktop);

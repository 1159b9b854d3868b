#pragma once

#include <QString>

class QWidget;

// The monitor's "Show": a modal window over `owner`, of its size, with the
// text in a Courier box without word wrap. Returns when the user closes it.
void ShowMonitorText(QWidget* owner, const QString& text);

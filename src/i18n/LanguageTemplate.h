#pragma once

#include "LanguageFile.h"

#include <QByteArray>

// A language file with every key of every translated window and no values:
// what a translator fills in, and the list of keys that `lng check` knows.
// Keys come in the order the language editor lists the components; spin
// edits, which the editor does not list, carry only their hint.
[[nodiscard]] QByteArray LanguageTemplate(const TWindowFinder& findWindow);

#pragma once

#include <QString>

// A menu caption with an Alt-key mnemonic on its first letter, as desktop
// users expect of menus. The caption itself (a hidden label's, translated)
// stays as it is; one that already marks a mnemonic or holds an ampersand
// is left alone.
[[nodiscard]] QString WithMnemonic(const QString& caption);
// The caption without its mnemonic mark ("&File" -> "File", "&&" -> "&").
[[nodiscard]] QString WithoutMnemonic(const QString& text);

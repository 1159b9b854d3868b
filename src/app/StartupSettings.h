#pragma once

#include <QString>
#include <map>
#include <optional>

class TMachineSettings;

// The page configuration of config.ini, section "Tabsheets".
struct TPageConfiguration {
    int startPosition = 1;          // n of the page "TabSheet<n>" active at start
    std::map<int, bool> tabVisible; // page number -> tab shown
};

// The keys read and their defaults: pages 1, 3, 4, 6, 7, 8, 9 shown, 2 hidden.
[[nodiscard]] TPageConfiguration ReadPageConfiguration(const QString& configIniPath);

// "BaudrateIndex" in section "User" of the user settings file (default 1).
[[nodiscard]] int LoadBaudrateIndex(const QString& settingsPath);
bool SaveBaudrateIndex(const QString& settingsPath, int index, QString* error = nullptr);

// The language to apply at start: the registry value, or "Default" when that
// is empty and Default.lng exists. Empty, or exactly "English": none.
[[nodiscard]] QString LanguageToApply(const std::optional<QString>& registryValue, bool defaultLngExists);

// The first start after an installer wrote "SourceDir": copies the five
// installation files from that folder into the program folder (a file that
// cannot be copied is skipped) and deletes the value. True when it ran.
bool RunInstallationStep(TMachineSettings& settings, const QString& programFolder);
// Replaces (or creates) target with a copy of from; on any failure the old
// target is left as it was.
bool ReplaceFile(const QString& from, const QString& target);
inline constexpr const char* kInstalledFiles[] = {"Default.lng", "user.ico", "logo.bmp", "Tunebench.hlp", "config.ini"};

#pragma once

#include <QProcessEnvironment>
#include <QString>

// Whether ports ask USB serial adapters for low latency: TUNEBENCH_LOW_LATENCY
// when it is set (0: no), else [Link] LowLatency in the program's
// Tunebench.ini, on when neither says. The link, the raw ports and the flash
// loaders of one program all follow it.
namespace LowLatencySetting {

inline constexpr const char* kVariable = "TUNEBENCH_LOW_LATENCY";

[[nodiscard]] bool Wanted();
[[nodiscard]] bool Wanted(const QProcessEnvironment& environment, const QString& settingsFile);
// For this process and the loaders it runs.
void TurnOff();

} // namespace LowLatencySetting

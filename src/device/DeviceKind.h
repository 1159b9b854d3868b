#pragma once

#include <QString>
#include <optional>

// What answers on the line. A base is a device that answers with values that
// are neither a handset's nor a repeater's. Unknown: a read the detection
// needs got no valid answer; it is never taken for a kind.
enum class DeviceKind { Unknown, Handset, Repeater, Base };

// "handset", "repeater", "base", "unknown": backup headers and the journal.
[[nodiscard]] const char* DeviceKindName(DeviceKind kind);
// The name of one of the three kinds a device can be; Unknown is no such name.
[[nodiscard]] std::optional<DeviceKind> DeviceKindFromName(const QString& name);
// "PP Connected", "Repeater Connected" or "Nothing Connected" (a base and an
// unknown device enable no page).
[[nodiscard]] const char* DeviceKindStatusText(DeviceKind kind);
// "a handset", ...: what a command that refuses another kind says it needs.
[[nodiscard]] const char* DeviceKindNoun(DeviceKind kind);

#include "DeviceKind.h"

#include <array>

namespace {

struct TKindNames {
    DeviceKind kind;
    const char* name;
    const char* status;
    const char* noun;
};

constexpr std::array<TKindNames, 4> kNames{{
    {DeviceKind::Handset, "handset", "PP Connected", "a handset"},
    {DeviceKind::Repeater, "repeater", "Repeater Connected", "a repeater"},
    {DeviceKind::Base, "base", "Nothing Connected",
     "a base station (a device that answers as neither a handset nor a repeater)"},
    {DeviceKind::Unknown, "unknown", "Nothing Connected", "a device whose identity can be read"},
}};

const TKindNames& Names(DeviceKind kind)
{
    for (const TKindNames& names : kNames)
        if (names.kind == kind)
            return names;
    return kNames.back();
}

} // namespace

const char* DeviceKindName(DeviceKind kind) { return Names(kind).name; }
const char* DeviceKindStatusText(DeviceKind kind) { return Names(kind).status; }
const char* DeviceKindNoun(DeviceKind kind) { return Names(kind).noun; }

std::optional<DeviceKind> DeviceKindFromName(const QString& name)
{
    for (const TKindNames& names : kNames)
        if (names.kind != DeviceKind::Unknown &&
            name.trimmed().compare(QLatin1String(names.name), Qt::CaseInsensitive) == 0)
            return names.kind;
    return std::nullopt;
}

#pragma once

#include <QMap>
#include <QString>

// COM1..COM9 -> device path: an explicit override, then TUNEBENCH_COM<n>, then
// the machine settings value Ports/COM<n>, then the platform default.
class TComPortMap {
public:
    [[nodiscard]] QString DevicePath(int com) const;
    void SetOverride(int com, const QString& path);
    [[nodiscard]] static QString PlatformDefault(int com);

private:
    QMap<int, QString> m_overrides;
};

#pragma once

#include "SerialPortList.h"

#include <QMap>
#include <QString>
#include <functional>

class TMachineSettings;

// COM1..COM9 -> device path. Lookup order: an explicit override, then
// TUNEBENCH_COM<n>, then the machine settings value Ports/COM<n>; when no COM
// is mapped there and exactly one USB serial adapter is present, COM1 is that
// adapter; otherwise the platform default.
class TComPortMap {
public:
    enum class Source { Override, Environment, Stored, SingleUsbAdapter, PlatformDefault };
    struct Resolution {
        QString path;
        Source source = Source::PlatformDefault;
    };
    using Scanner = std::function<QList<TSerialPortEntry>()>;

    static constexpr int kFirstCom = 1;
    static constexpr int kLastCom = 9;
    // No device path is longer (the system's PATH_MAX); a longer one is a mistake.
    static constexpr int kMaxPathLength = 4096;

    [[nodiscard]] Resolution Resolve(int com) const;
    [[nodiscard]] QString DevicePath(int com) const { return Resolve(com).path; }
    void SetOverride(int com, const QString& path);
    // Where the port list comes from (the machine's ports unless a test says otherwise).
    void SetScanner(Scanner scanner) { m_scanner = std::move(scanner); }
    [[nodiscard]] QList<TSerialPortEntry> Scan() const { return m_scanner ? m_scanner() : SerialPortList::Scan(); }
    [[nodiscard]] static QString PlatformDefault(int com);

    // The stored assignment "Ports/COM<n>"; empty when there is none.
    [[nodiscard]] static QString StoredPath(const TMachineSettings& settings, int com);
    // Stores or, with an empty path, removes it. False when the store cannot be written.
    static bool Store(TMachineSettings& settings, int com, const QString& path);
    [[nodiscard]] static bool AnyStored(const TMachineSettings& settings);
    [[nodiscard]] static QString SettingName(int com);

private:
    QMap<int, QString> m_overrides;
    Scanner m_scanner;
};

#pragma once

#include <QString>
#include <optional>

class QSettings;

// The machine settings store: what the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\VUREZIVO holds on Windows (values "SourceDir",
// "Language", "COMPORT", and the serial port map "Ports/COM<n>").
//
// A value name may contain "/" to reach a subkey ("Ports/COM3" is the value
// COM3 of the subkey Ports). Names match without regard to case, as in the
// registry. Values are strings or 32-bit integers and keep their type: reading
// a value as the other type gives "not set", as does a missing file, key or
// value. Reading never creates anything.
//
// Where it lives:
// - a path beginning with "HKEY_" (Windows only): that registry key, through
//   QSettings' native format, in the 32-bit view that the original 32-bit
//   program used (HKLM\SOFTWARE\WOW6432Node\VUREZIVO on 64-bit Windows);
// - any other path: an INI file in UTF-8, top-level values in [General],
//   subkeys as sections, strings as "sz:<text>", integers as
//   "dword:<8 hex digits>", e.g.
//       [General]
//       COMPORT=dword:00000003
//       Language=sz:German
//       [Ports]
//       COM3=sz:/dev/ttyUSB0
//   A value without one of these prefixes is taken as a string. Writes lock
//   the file and replace it atomically; missing folders are created.
class TMachineSettings {
public:
    // Environment variable that points the store at an INI file (tests, simulator).
    static constexpr const char* kPathVariable = "TUNEBENCH_REGISTRY";

    explicit TMachineSettings(QString path = DefaultPath());

    // $TUNEBENCH_REGISTRY if set; else on Windows the registry key; elsewhere
    // <system config folder>/Tunebench/VUREZIVO.ini (/etc/xdg/...) if this
    // process may write it, else <user config folder>/Tunebench/VUREZIVO.ini
    // (~/.config/...).
    [[nodiscard]] static QString DefaultPath();

    [[nodiscard]] const QString& Path() const { return m_path; }

    [[nodiscard]] std::optional<QString> ReadString(const QString& name) const;
    [[nodiscard]] std::optional<qint32> ReadInteger(const QString& name) const;
    [[nodiscard]] bool ValueExists(const QString& name) const;

    // Create the key (and file) if needed; false, with ErrorString(), when the
    // store cannot be written.
    bool WriteString(const QString& name, const QString& value);
    bool WriteInteger(const QString& name, qint32 value);
    // True also when there was no such value.
    bool DeleteValue(const QString& name);

    [[nodiscard]] const QString& ErrorString() const { return m_error; }

private:
    [[nodiscard]] bool IsRegistry() const;
    [[nodiscard]] QString StoredName(QSettings& settings, const QString& name) const;
    bool Finish(QSettings& settings);

    QString m_path;
    QString m_error;
};

#pragma once

#include "ProfileFile.h"

#include <QString>
#include <functional>
#include <optional>

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
// - any other path: an INI file in UTF-8 with the rules of TProfileFile (so a
//   person may edit it: comments, unknown keys, order and values stay exactly
//   as written, a write changes only its own line). Top-level values are in
//   [General], subkeys are sections, strings are "sz:<text>", integers
//   "dword:<8 hex digits>", e.g.
//       [General]
//       COMPORT=dword:00000003
//       Language=sz:German
//       [Ports]
//       COM3=sz:/dev/ttyUSB0
//   A value without one of these prefixes is taken as a string. A value in
//   double quotes may hold \" and \\ (as files of the earlier store have).
//   Writes are atomic: a file that cannot be read, or cannot be written whole,
//   stays as it was and the write fails with the reason.
//
// The user's store (DefaultPath) reads two more files: while it does not
// exist yet, the store of earlier versions (~/.config/Tunebench/VUREZIVO.ini)
// stands in for it and is copied into it by the first write; and a value
// missing from both comes from the system-wide file
// (<first of $XDG_CONFIG_DIRS, /etc/xdg>/tunebench/VUREZIVO.ini), which an
// administrator may preset and which is written only when TUNEBENCH_REGISTRY
// names it. Run as root through sudo, the store is the invoking user's: it is
// read and written with that user's identity (InvokingUser.h), so what it
// makes belongs to that user; a store or folder on its way that is a
// symbolic link or another's is refused, naming it, and nothing is written.
class TMachineSettings {
public:
    // Environment variable that names the store file (tests, simulator, and
    // an administrator writing the system-wide defaults).
    static constexpr const char* kPathVariable = "TUNEBENCH_REGISTRY";

    explicit TMachineSettings(QString path = DefaultPath());

    // $TUNEBENCH_REGISTRY if set; else on Windows the registry key; elsewhere
    // <user config folder>/tunebench/VUREZIVO.ini ($XDG_CONFIG_HOME or
    // ~/.config; under sudo the invoking user's ~/.config).
    [[nodiscard]] static QString DefaultPath();
    // The system-wide defaults file (not used on Windows).
    [[nodiscard]] static QString SystemDefaultsPath();

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
    [[nodiscard]] std::optional<QString> RawValue(const QString& name) const;
    bool Write(const QString& name, const QString& raw);
    bool Change(const std::function<bool(TProfileFile&)>& change);

    QString m_path;
    QString m_legacy;         // read while m_path does not exist
    QString m_defaults;       // read for values the store lacks
    bool m_userStore = false; // under sudo the invoking user's, touched with that user's identity
    QString m_userHome;       // under sudo: the invoking user's home
    QString m_error;
};

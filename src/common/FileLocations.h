#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Where the program's files live. A program folder the user can write that is
// not part of an installation (a build tree, an unpacked folder) keeps
// everything beside the program ("portable"). An installed program reads what
// ships from <prefix>/share/tunebench (on Windows: its own folder) and writes
// into the user's own folders (on Windows: %APPDATA%\Tunebench), so that
// nothing is written into the installation and two users never share a
// settings file. Run as root through sudo, "the user" is the invoking user
// (InvokingUser.h): the program folder is portable when that user may write
// it, and the user's folders are under that user's home.
class TFileLocations {
public:
    // Windows: the installer's uninstaller, beside the program of an installation.
    static constexpr const char* kWindowsUninstaller = "Uninstall.exe";

    explicit TFileLocations(const QString& programFolder,
                            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    [[nodiscard]] bool Portable() const { return m_portable; }

    // Each folder ends with a separator.
    [[nodiscard]] QString DataFolder() const { return m_data; }         // what ships; read only
    [[nodiscard]] QString ConfigFolder() const { return m_config; }     // INI files the program writes
    [[nodiscard]] QString UserDataFolder() const { return m_userData; } // language files the user saves

    [[nodiscard]] QString DataFile(const QString& name) const { return m_data + name; }
    // A file the program writes; its folder is made on the way.
    [[nodiscard]] QString ConfigFile(const QString& name) const;
    [[nodiscard]] QString UserDataFile(const QString& name) const;
    // A file that ships and that the user may replace (config.ini, logo.bmp):
    // the user's copy when there is one, else the shipped one.
    [[nodiscard]] QString UserOrShippedFile(const QString& name) const;
    // Folders searched for language files, the user's own first.
    [[nodiscard]] QStringList LanguageFolders() const;

    // The installed data folder that belongs to a program folder "<prefix>/bin/":
    // "<prefix>/share/tunebench/" when it exists, else empty.
    [[nodiscard]] static QString InstalledDataFolder(const QString& programFolder);

private:
    bool m_portable = true;
    QString m_data;
    QString m_config;
    QString m_userData;
};

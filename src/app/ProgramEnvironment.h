#pragma once

#include "FileLocations.h"

#include <QString>
#include <QStringList>

// Where the main window finds its files and switches. The program takes it
// from the application; tests point it at a temporary folder.
struct TProgramEnvironment {
    QString programFile;      // full path of the program file
    QString startedAs;        // the program's file name as it was started (argv[0]); empty: programFile's
    QStringList arguments;    // without the program name
    QString machineSettings;  // path of the machine settings store
    QString instanceLockPath; // single-instance lock; empty: no guard

    [[nodiscard]] static TProgramEnvironment FromApplication();

    // The program file's folder with a trailing separator.
    [[nodiscard]] QString ProgramFolder() const;
    // The program file's bare name with the extension ".ini" (x.exe -> x.ini).
    [[nodiscard]] QString SettingsFileName() const;
    // Where the running copy listens for a second start: beside the lock.
    [[nodiscard]] QString InstanceSocketPath() const;
    // The name the usage text gives the program: as it was started.
    [[nodiscard]] QString ProgramName() const;
    [[nodiscard]] QString InFolder(const QString& fileName) const { return ProgramFolder() + fileName; }
    // Where the files the program reads and writes live (beside the program
    // in a build tree, in the user's folders when installed).
    [[nodiscard]] TFileLocations Files() const { return TFileLocations(ProgramFolder()); }
    [[nodiscard]] bool HasSwitch(const QString& name) const;
};

// Window positions always go to this file, whatever the program is called.
inline constexpr const char* kPositionFileName = "Tunebench.ini";
inline constexpr const char* kPageConfigFileName = "config.ini";

// A whole argument "/name" or "-name", name compared without regard to case.
[[nodiscard]] bool HasSwitch(const QStringList& arguments, const QString& name);
// The text of the "?" switch's information box, for the program as it was started.
[[nodiscard]] QString UsageText(const QString& programName);

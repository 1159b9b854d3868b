#pragma once

#include <QString>

// The folder in which "Load Menu" offers its files: the one the last menu file
// came from, kept in the user's program INI, so that an installed program does
// not start in its own folder.
class TMenuFolder {
public:
    explicit TMenuFolder(QString settingsFile) : m_settingsFile(std::move(settingsFile)) {}

    // The remembered folder while it exists, else the fallback.
    [[nodiscard]] QString StartFolder(const QString& fallback) const;
    void Remember(const QString& chosenFile);

private:
    QString m_settingsFile;
};

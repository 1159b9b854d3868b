#pragma once

#include "CliSession.h"
#include "DeviceBackup.h"

#include <QStringList>
#include <string>

// Reads and checks a menu file; reports and returns false when it is unusable.
bool LoadCheckedMenu(TCliSession& s, const QString& path, QStringList& lines, TMenuCheck& check);

// Plays checked lines into a device of the kind given, after checking its kind
// (unless force): progress on standard error, the lines written on standard output.
int PlayMenuLines(TCliSession& s, const QStringList& lines, TBackupKind kind, const std::string& command, bool force);

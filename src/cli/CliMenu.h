#pragma once

#include "CliSession.h"
#include "DeviceBackup.h"
#include "DeviceKind.h"

#include <QStringList>
#include <optional>
#include <string>

// What a menu file is loaded for: counting its writes, or sending or
// comparing them, which a file without any refuses.
enum class TMenuUse { Count, Play, Verify };

// Reads and checks a menu file (its writes counted into writes); reports and
// returns none when it is unusable.
std::optional<TMenuLines> LoadCheckedMenu(TCliSession& s, const std::string& path, TMenuUse use, int* writes = nullptr);

struct TPlayRequest {
    DeviceKind kind = DeviceKind::Handset; // the kind the lines are for
    std::string command;
    bool force = false;         // no kind check; a valid identity may be written over
    bool writeIdentity = false; // write the file's identity cells too
};

// Plays checked lines into a device of the kind given, after checking its kind
// (unless force); a file read from a device of another identity leaves the
// device's identity cells as they are. Progress on standard error, the lines
// written on standard output.
int PlayMenuLines(TCliSession& s, const TMenuLines& lines, const TPlayRequest& request);

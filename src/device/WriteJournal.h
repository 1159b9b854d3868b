#pragma once

#include "DeviceKind.h"

#include <QString>
#include <QStringList>
#include <functional>

// The journal of writes: one tab-separated line for every EEPROM write mail
// the program sends, appended and flushed as the write ends, never rewritten.
// At kRotateBytes the file moves aside to "<path>.1" (replacing an older one)
// and a new one begins; programs that share it take turns through a lock
// file beside it to begin a file or move it aside (on Windows for every
// line, whose end each finds in turn). A journal that cannot be written is reported once and
// never stops the device work. Run through sudo, the journal is the invoking
// user's (in that user's data folder, written with that user's identity); a
// folder or file on its way that is a link or another's is not written.
class TWriteJournal {
public:
    static constexpr qint64 kRotateBytes = 1024 * 1024;
    static const QString kHeader; // the first line of every journal file

    // The journal's path: $TUNEBENCH_JOURNAL when set, else "journal" in the
    // user's data folder (beside a portable program).
    [[nodiscard]] static QString DefaultPath(const QString& programFolder);

    // Journals every later write of every link into path under the program's
    // name; a write of the file beyond the file size limit fails instead of
    // ending the program.
    static void Install(const QString& path, const QString& program);
    static void Uninstall();
    // Called once, with the journal's path and the reason, when the journal
    // cannot be written; by default a line on standard error.
    static void SetWarning(std::function<void(const QString& path, const QString& reason)> warning);
    // The device the next writes go to, as far as the program knows it
    // without asking: "handset", "repeater" or "base", and an identity.
    static void SetDevice(DeviceKind kind, const QString& identity);

    // The lines of the journal and its rotated predecessor, oldest first,
    // without their header lines. With last >= 0 only the last `last` of them,
    // read from the files' ends (at most the journal's size limit of them);
    // else the files whole, each within that limit. False with error naming
    // a file that cannot be read.
    [[nodiscard]] static bool Entries(const QString& path, int last, QStringList& entries, QString& error);
};

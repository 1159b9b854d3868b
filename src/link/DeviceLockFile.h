#pragma once

#include <QString>
#include <QStringList>

// The lock files by which programs on one machine mark a serial port as
// theirs: "LCK..<device>" (ttyUSB0, pts_3) in the system's lock folder,
// holding the owner's PID as ten ASCII digits, as a text line (as Qt writes
// it, with more lines after it), or as a 4-byte binary integer.
//
// QSerialPort and QLockFile write and honour such files, but take a file
// that has the PID alone for stale and delete it while its program runs.
// ForeignHolder() reads it first.
namespace DeviceLockFile {

// "LCK..ttyUSB0" for /dev/ttyUSB0, "LCK..pts_3" for /dev/pts/3.
[[nodiscard]] QString Name(const QString& devicePath);

// The folders looked in: /var/lock and /run/lock (the same on most systems).
[[nodiscard]] QStringList Folders();

// The PID of a live process other than this one that holds a lock file of the
// device (under its canonical name); 0 when there is none. A lock file of a
// process that no longer runs is removed, so the port can be taken over.
[[nodiscard]] qint64 ForeignHolder(const QString& devicePath);

// The PID in a lock file's bytes; 0 when they hold none.
[[nodiscard]] qint64 ParsePid(const QByteArray& bytes);

} // namespace DeviceLockFile

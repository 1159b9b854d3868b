#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at path with bytes so that it is either the old file or
// the whole new one: the bytes go to a temporary file in the same folder, every
// write is checked, and only a complete file is renamed over the old one. On
// any error (a full disk, a file-size limit, a folder that cannot be written)
// the old file stays as it was, the temporary one is removed, and false is
// returned with "Cannot write "<path>": <reason>" in *error and the bare
// reason in *reason (for a message of its own).
// What stands at path is replaced only when it is a regular file: a device,
// a pipe, a folder or a symbolic link (whose target would become a file of
// ours) is refused and left as it is.
// The new file keeps the old one's permissions. Under sudo it is written with
// the invoking user's identity (InvokingUser.h).
[[nodiscard]] bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                                       QString* reason = nullptr);

// False, with the reason, when what stands at path is not a regular file that
// WriteFileAtomically would replace; nothing there is fine. Callers ask it
// before long work whose result would have nowhere to go.
[[nodiscard]] bool MayReplaceFile(const QString& path, QString* reason = nullptr);

#pragma once

#include <QString>
#include <optional>

// Run as root through sudo, the files the programs keep for a person (the
// settings store, the INI files, the journal of writes, language files,
// backups) are that person's: the one who typed the command, not root.
struct TInvokingUser {
    unsigned uid = 0;
    unsigned gid = 0;
    QString name;
    QString home; // without a trailing separator
};

// The invoking user when the program runs as root through sudo for someone
// else (SUDO_USER, SUDO_UID and SUDO_GID naming an existing user other than
// root); none otherwise, and none on Windows.
[[nodiscard]] std::optional<TInvokingUser> InvokingUser();

// While it lives, the file work of this thread (opening, creating, renaming,
// making folders) is done with the invoking user's identity: what it creates
// is the user's, what the user may not touch stays untouched, and so nothing
// is handed over afterwards. The serial ports and their lock files are not
// the user's files and are opened outside it. Nests; does nothing outside
// sudo or inside a TAsProgramUser.
class TAsInvokingUser {
public:
    TAsInvokingUser();
    ~TAsInvokingUser();
    TAsInvokingUser(const TAsInvokingUser&) = delete;
    TAsInvokingUser& operator=(const TAsInvokingUser&) = delete;

private:
    bool m_dropped = false;
};

// While it lives, files of this thread keep the program's own identity: the
// system-wide settings store, which an administrator names to write it.
class TAsProgramUser {
public:
    TAsProgramUser();
    ~TAsProgramUser();
    TAsProgramUser(const TAsProgramUser&) = delete;
    TAsProgramUser& operator=(const TAsProgramUser&) = delete;
};

// Under sudo: why path, or a folder between `top` (not itself looked at) and
// path, is no place to keep the invoking user's files: a symbolic link, or
// something that belongs to another user. Names it. Empty when all that
// exists of it is the user's, and always outside sudo.
[[nodiscard]] QString ForeignPathProblem(const QString& path, const QString& top);

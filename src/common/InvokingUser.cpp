#include "InvokingUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <grp.h>
#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <vector>
#endif

namespace {

#ifdef Q_OS_LINUX
// Per thread: the identity of file work is the thread's own (fsuid, fsgid and
// the groups are per-thread attributes to the kernel; the C library's
// setgroups would change every thread, so the system call is made directly).
thread_local int t_dropDepth = 0;
thread_local int t_keepDepth = 0;
thread_local std::vector<gid_t> t_savedGroups;

bool SetThreadGroups(const std::vector<gid_t>& groups)
{
    return ::syscall(SYS_setgroups, groups.size(), groups.data()) == 0;
}

std::vector<gid_t> UserGroups(const TInvokingUser& user)
{
    const QByteArray name = user.name.toLocal8Bit();
    int count = 32;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    while (::getgrouplist(name.constData(), gid_t(user.gid), groups.data(), &count) < 0)
        groups.resize(size_t(count));
    groups.resize(size_t(count));
    return groups;
}
#endif

} // namespace

std::optional<TInvokingUser> InvokingUser()
{
#ifdef Q_OS_LINUX
    const QByteArray name = qgetenv("SUDO_USER");
    bool uidOk = false;
    bool gidOk = false;
    const uint uid = qEnvironmentVariable("SUDO_UID").toUInt(&uidOk);
    const uint gid = qEnvironmentVariable("SUDO_GID").toUInt(&gidOk);
    if (::geteuid() != 0 || name.isEmpty() || !uidOk || !gidOk || uid == 0)
        return std::nullopt;
    const passwd* pw = ::getpwnam(name.constData());
    if (pw == nullptr || pw->pw_uid != uid || pw->pw_dir == nullptr)
        return std::nullopt;
    TInvokingUser user;
    user.uid = uid;
    user.gid = gid;
    user.name = QString::fromLocal8Bit(name);
    user.home = QDir::cleanPath(QFile::decodeName(pw->pw_dir));
    return user;
#else
    return std::nullopt;
#endif
}

TAsInvokingUser::TAsInvokingUser()
{
#ifdef Q_OS_LINUX
    if (t_dropDepth > 0) {
        ++t_dropDepth;
        m_dropped = true;
        return;
    }
    if (t_keepDepth > 0)
        return;
    const std::optional<TInvokingUser> user = InvokingUser();
    if (!user)
        return;
    const int count = ::getgroups(0, nullptr);
    t_savedGroups.assign(size_t(std::max(count, 0)), 0);
    if (count > 0)
        ::getgroups(count, t_savedGroups.data());
    // Groups and group first: changing them needs a privilege that the file
    // identity alone does not take away, but better not to rely on it.
    SetThreadGroups(UserGroups(*user));
    ::setfsgid(gid_t(user->gid));
    ::setfsuid(uid_t(user->uid));
    ++t_dropDepth;
    m_dropped = true;
#endif
}

TAsInvokingUser::~TAsInvokingUser()
{
#ifdef Q_OS_LINUX
    if (!m_dropped || --t_dropDepth > 0)
        return;
    ::setfsuid(::geteuid());
    ::setfsgid(::getegid());
    SetThreadGroups(t_savedGroups);
#endif
}

TAsProgramUser::TAsProgramUser()
{
#ifdef Q_OS_LINUX
    ++t_keepDepth;
#endif
}

TAsProgramUser::~TAsProgramUser()
{
#ifdef Q_OS_LINUX
    --t_keepDepth;
#endif
}

QString ForeignPathProblem(const QString& path, const QString& top)
{
#ifdef Q_OS_LINUX
    const std::optional<TInvokingUser> user = InvokingUser();
    if (!user)
        return {};
    const QString stop = QDir::cleanPath(top);
    for (QString at = QDir::cleanPath(path); at != stop && at.size() > 1; at = QFileInfo(at).path()) {
        struct stat st {};
        if (::lstat(QFile::encodeName(at).constData(), &st) != 0)
            continue; // not there (yet): made by the user when it is needed
        if (S_ISLNK(st.st_mode))
            return QStringLiteral("\"%1\" is a symbolic link; run through sudo, the program does not follow it")
                .arg(QDir::toNativeSeparators(at));
        if (st.st_uid != user->uid) {
            const passwd* owner = ::getpwuid(st.st_uid);
            return QStringLiteral("\"%1\" belongs to %2, not to %3 who ran the program through sudo")
                .arg(QDir::toNativeSeparators(at),
                     owner != nullptr ? QString::fromLocal8Bit(owner->pw_name) : QString::number(st.st_uid),
                     user->name);
        }
    }
#else
    Q_UNUSED(path);
    Q_UNUSED(top);
#endif
    return {};
}

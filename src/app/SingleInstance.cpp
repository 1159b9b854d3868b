#include "SingleInstance.h"

#include <QLockFile>

TSingleInstanceGuard::TSingleInstanceGuard(QString lockPath) : m_path(std::move(lockPath)) {}

TSingleInstanceGuard::~TSingleInstanceGuard() = default;

bool TSingleInstanceGuard::AlreadyRunning()
{
    if (m_path.isEmpty())
        return false;
    if (m_lock && m_lock->isLocked())
        return false;
    m_lock = std::make_unique<QLockFile>(m_path);
    m_lock->setStaleLockTime(0); // stale only when its process is gone
    if (m_lock->tryLock(0))
        return false;
    return m_lock->error() == QLockFile::LockFailedError;
}

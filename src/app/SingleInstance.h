#pragma once

#include <QString>
#include <memory>

class QLockFile;

// One running copy per machine user: a lock file in the user's runtime folder
// (the temporary folder without one). The lock is held until the process ends;
// a lock left by a dead process does not block a start.
class TSingleInstanceGuard {
public:
    explicit TSingleInstanceGuard(QString lockPath);
    ~TSingleInstanceGuard();
    TSingleInstanceGuard(const TSingleInstanceGuard&) = delete;
    TSingleInstanceGuard& operator=(const TSingleInstanceGuard&) = delete;

    // True when another living process holds the lock. An empty path never is.
    [[nodiscard]] bool AlreadyRunning();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

#include "AtomicFile.h"

#include "InvokingUser.h"

#include <QFileInfo>
#include <QSaveFile>

bool MayReplaceFile(const QString& path, QString* reason)
{
    const QFileInfo at(path);
    QString why;
    if (at.isSymbolicLink())
        why = QStringLiteral("it is a symbolic link; name the file itself");
    else if (at.exists() && !at.isFile())
        why = QStringLiteral("it is not a regular file");
    if (!why.isEmpty() && reason != nullptr)
        *reason = why;
    return why.isEmpty();
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error, QString* reasonOut)
{
    if (QString why; !MayReplaceFile(path, &why)) {
        if (error != nullptr)
            *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, why);
        if (reasonOut != nullptr)
            *reasonOut = why;
        return false;
    }
    const TAsInvokingUser user;
    // Unbuffered, so that a failed write() is seen here and not lost in a
    // flush that commit() would not report.
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qint64 done = 0; ok && done < bytes.size();) {
        // A short write is followed by another, which then says why it stopped.
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        ok = written > 0;
        done += written;
    }
    ok = ok && file.flush() && file.error() == QFileDevice::NoError;
    QString reason;
    if (ok) {
        ok = file.commit();
        if (!ok)
            reason = file.errorString();
    }
    else {
        reason = file.errorString();
        file.cancelWriting();
    }
    if (!ok && error != nullptr)
        *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, reason);
    if (!ok && reasonOut != nullptr)
        *reasonOut = reason;
    return ok;
}

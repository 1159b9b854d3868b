#include "LineUnsettledNote.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {
// A note further off than this is no note of ours (a clock set back, a damaged file).
constexpr std::int64_t kLongestWaitMs = 60 * 1000;
} // namespace

TLineUnsettledNote::TLineUnsettledNote(const QString& devicePath)
{
    if (devicePath.isEmpty())
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray key = QCryptographicHash::hash(devicePath.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    m_path = folder + QStringLiteral("/tunebench-line-") + QString::fromLatin1(key);
}

void TLineUnsettledNote::Write(std::int64_t lateAnswerByMs)
{
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    // A note that cannot be written only costs the next program its wait.
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        m_written = file.write(QByteArray::number(qint64(lateAnswerByMs))) > 0;
}

void TLineUnsettledNote::Remove()
{
    if (m_path.isEmpty())
        return;
    if (m_written || QFile::exists(m_path))
        QFile::remove(m_path);
    m_written = false;
}

std::int64_t TLineUnsettledNote::LateAnswerBy() const
{
    if (m_path.isEmpty())
        return 0;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const std::int64_t by = file.read(32).trimmed().toLongLong(&ok);
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    return ok && by > now && by - now <= kLongestWaitMs ? by : 0;
}

#include "WriteJournal.h"

#include "FileLocations.h"
#include "NumberConverting.h"
#include "SndMail.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <memory>

const QString TWriteJournal::kHeader =
    QStringLiteral("time\tprogram\tport\trate\tkind\tidentity\taddress\tbytes\tresult");

namespace {

struct TJournalState {
    QString path;
    QString program;
    QString kind;
    QString identity;
    bool warned = false;
    std::function<void(const QString&, const QString&)> warning;
    // Kept open between writes; each line still goes to the file at once.
    std::unique_ptr<QFile> file;
};

TJournalState& State()
{
    static TJournalState state;
    return state;
}

QString PortText(const TWriteRecord& write)
{
    QString port = QStringLiteral("COM%1").arg(write.com);
    if (!write.devicePath.isEmpty())
        port += QLatin1Char(' ') + write.devicePath;
    return port;
}

const char* ResultText(TWriteResult result)
{
    switch (result) {
    case TWriteResult::Confirmed:
        return "confirmed";
    case TWriteResult::NotConfirmed:
        return "not confirmed";
    case TWriteResult::NoAnswer:
        break;
    }
    return "no answer";
}

QString EntryLine(const TWriteRecord& write)
{
    const TJournalState& s = State();
    QStringList bytes;
    for (const char byte : write.bytes)
        bytes << ByteToHex(static_cast<std::uint8_t>(byte));
    return QStringList{QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
                       s.program,
                       PortText(write),
                       QString::number(write.baud),
                       s.kind,
                       s.identity,
                       ByteToHex(static_cast<std::uint8_t>(write.address >> 8)) +
                           ByteToHex(static_cast<std::uint8_t>(write.address & 0xFF)),
                       bytes.join(QLatin1Char(' ')),
                       QLatin1String(ResultText(write.result))}
               .join(QLatin1Char('\t')) +
           QLatin1Char('\n');
}

void Warn(const QString& reason)
{
    TJournalState& s = State();
    if (s.warned)
        return;
    s.warned = true;
    if (s.warning)
        s.warning(QDir::toNativeSeparators(s.path), reason);
    else
        std::fprintf(stderr, "the journal of writes %s cannot be written (%s)\n", qPrintable(s.path),
                     qPrintable(reason));
}

bool Open(TJournalState& s)
{
    QDir().mkpath(QFileInfo(s.path).absolutePath());
    s.file = std::make_unique<QFile>(s.path);
    if (s.file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return true;
    Warn(s.file->errorString());
    s.file.reset();
    return false;
}

// Appends one line; the whole line goes to the file in one write.
void Append(const QString& line)
{
    TJournalState& s = State();
    const QFileInfo at(s.path);
    if (at.exists() && at.size() >= TWriteJournal::kRotateBytes) {
        s.file.reset();
        QFile::remove(s.path + QStringLiteral(".1"));
        QFile::rename(s.path, s.path + QStringLiteral(".1"));
    }
    else if (s.file && (!at.exists() || s.file->size() != at.size())) {
        s.file.reset(); // another program moved the journal aside: write into the new one
    }
    if (!s.file && !Open(s))
        return;
    const QByteArray bytes = (s.file->size() == 0 ? TWriteJournal::kHeader + QLatin1Char('\n') + line : line).toUtf8();
    if (s.file->write(bytes) != bytes.size()) {
        Warn(s.file->errorString());
        s.file.reset(); // opened again for the next write: the disk may have room by then
    }
}

} // namespace

QString TWriteJournal::DefaultPath(const QString& programFolder)
{
    const QString given = qEnvironmentVariable("TUNEBENCH_JOURNAL");
    if (!given.isEmpty())
        return given;
    return TFileLocations(programFolder).UserDataFolder() + QStringLiteral("journal");
}

void TWriteJournal::Install(const QString& path, const QString& program)
{
#ifdef SIGXFSZ
    // A file at the size limit fails its write (EFBIG) instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    TJournalState& s = State();
    s.file.reset();
    s.path = path;
    s.program = program;
    s.warned = false;
    TMailControl::SetWriteObserver([](const TWriteRecord& write) { Append(EntryLine(write)); });
}

void TWriteJournal::Uninstall()
{
    TMailControl::SetWriteObserver({});
    State().file.reset();
    State().path.clear();
}

void TWriteJournal::SetWarning(std::function<void(const QString&, const QString&)> warning)
{
    State().warning = std::move(warning);
}

void TWriteJournal::SetDevice(DeviceKind kind, const QString& identity)
{
    State().kind = QLatin1String(DeviceKindName(kind));
    State().identity = identity;
}

QStringList TWriteJournal::Entries(const QString& path, int last)
{
    QStringList entries;
    for (const QString& name : {path + QStringLiteral(".1"), path}) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& raw : file.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (!line.isEmpty() && line != kHeader)
                entries << line;
        }
    }
    if (last >= 0 && last < entries.size())
        entries = entries.mid(entries.size() - last);
    return entries;
}

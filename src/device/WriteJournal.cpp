#include "WriteJournal.h"

#include "BoundedFile.h"
#include "FileLocations.h"
#include "InvokingUser.h"
#include "NumberConverting.h"
#include "SndMail.h"
#include "StopRequest.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

const QString TWriteJournal::kHeader =
    QStringLiteral("time\tprogram\tport\trate\tkind\tidentity\taddress\tbytes\tresult");

namespace {

// Another program's append or move aside takes a few milliseconds at most.
constexpr int kLockWaitMs = 5000;
constexpr qint64 kTailBlock = 64 * 1024;

struct TJournalState {
    QString path;
    QString top; // under sudo, where the look at the journal's folders ends
    QString program;
    QString kind;
    QString identity;
    bool warned = false;
    std::function<void(const QString&, const QString&)> warning;
    // Kept open between writes; each line still goes to the file at once.
    std::unique_ptr<QFile> file;
    bool opened = false; // the file was opened for this line: its end is looked at
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
    // Opening a FIFO to append would wait for a reader.
    if (const QFileInfo at(s.path); at.exists() && !at.isFile()) {
        Warn(QStringLiteral("not a regular file"));
        return false;
    }
    s.file = std::make_unique<QFile>(s.path);
    if (s.file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        s.opened = true;
        return true;
    }
    Warn(s.file->errorString());
    s.file.reset();
    return false;
}

// A write cut short (the disk filled up on the way) says why only when the
// rest is written again and fails at once.
bool WriteWhole(QFile& file, const QByteArray& bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool EndsWithLineEnd(const QString& path)
{
    QFile reader(path);
    char last = '\n';
    return !reader.open(QIODevice::ReadOnly) || !reader.seek(reader.size() - 1) || !reader.getChar(&last) ||
           last == '\n';
}

#ifdef Q_OS_UNIX
// O_APPEND puts every write at the file's end, whoever else writes to it.
constexpr bool kWritesGoToTheEnd = true;
#else
// A write goes where this handle last was: lines another program added since
// would be overwritten, so the end is found in turn.
constexpr bool kWritesGoToTheEnd = false;
#endif

// Appends one line; the whole line goes to the end of the file in one write,
// so programs that share the journal need no turns for that. They take turns
// to begin a journal (one header) and to move a full one aside: one that did
// so while another did the same would throw away the journal just moved.
// (The lock file costs a flush to the disk, too slow for every write.) Under
// sudo the journal is the invoking user's, written with that user's identity.
void Append(const QString& line)
{
    TJournalState& s = State();
    const TAsInvokingUser user;
    if (const QString problem = ForeignPathProblem(s.path, s.top); !problem.isEmpty()) {
        s.file.reset();
        Warn(problem);
        return;
    }
    QDir().mkpath(QFileInfo(s.path).absolutePath());
    QFileInfo at(s.path);
    std::optional<QLockFile> lock;
    if (!kWritesGoToTheEnd || !at.exists() || at.size() == 0 || at.size() >= TWriteJournal::kRotateBytes) {
        lock.emplace(s.path + QStringLiteral(".lock"));
        if (!lock->tryLock(kLockWaitMs)) {
            const QString name = QDir::toNativeSeparators(lock->fileName());
            Warn(lock->error() == QLockFile::LockFailedError ? QStringLiteral("another program holds %1").arg(name)
                                                             : QStringLiteral("%1 cannot be made").arg(name));
            return;
        }
        at.refresh();
    }
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
    if (!kWritesGoToTheEnd)
        s.file->seek(s.file->size());
    const qint64 before = s.file->size();
    QByteArray bytes = (before == 0 ? TWriteJournal::kHeader + QLatin1Char('\n') + line : line).toUtf8();
    if (std::exchange(s.opened, false) && before > 0 && !EndsWithLineEnd(s.path))
        bytes.prepend('\n'); // a line cut short (by a program that left it so) ends here
    if (!WriteWhole(*s.file, bytes)) {
        Warn(s.file->errorString());
        // A line cut by the full disk would glue the next one onto it.
        s.file->resize(before);
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
    const QString folder = QFileInfo(path).absolutePath();
    const std::optional<TInvokingUser> user = InvokingUser();
    // In the user's home every folder down to the journal is looked at, elsewhere its own folder.
    s.top = user && folder.startsWith(user->home + QLatin1Char('/')) ? user->home : QFileInfo(folder).path();
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

namespace {

// An entry line: not empty, not a header.
void AddEntry(QStringList& lines, const QByteArray& raw)
{
    const QString line = QString::fromUtf8(raw);
    if (!line.isEmpty() && line != TWriteJournal::kHeader)
        lines << line;
}

// Up to `count` last entries of a file, newest first, read from its end in
// blocks: a huge journal costs only the blocks that hold them. `budget` is
// the most that may still be read.
bool TailEntries(const QString& name, int count, qint64& budget, QStringList& newestFirst, QString& error)
{
    TBoundedFile file(name, TFileKind::Journal);
    if (!file.OpenAnySize()) {
        if (file.Missing())
            return true;
        error = file.ErrorString();
        return false;
    }
    QByteArray rest; // the start of a line whose beginning lies before the blocks read
    qint64 pos = file.Size();
    const int wanted = newestFirst.size() + count;
    while (pos > 0 && budget > 0 && newestFirst.size() < wanted) {
        if (tbstop::Requested()) {
            error = QStringLiteral("Cannot read \"%1\": stopped").arg(QDir::toNativeSeparators(name));
            return false;
        }
        const qint64 n = std::min({kTailBlock, pos, budget});
        pos -= n;
        budget -= n;
        if (!file.File().seek(pos)) {
            error =
                QStringLiteral("Cannot read \"%1\": %2").arg(QDir::toNativeSeparators(name), file.File().errorString());
            return false;
        }
        const QByteArray block = file.File().read(n) + rest;
        qsizetype end = block.size();
        for (qsizetype lf = 0; end > 0 && newestFirst.size() < wanted && (lf = block.lastIndexOf('\n', end - 1)) >= 0;
             end = lf)
            AddEntry(newestFirst, block.mid(lf + 1, end - lf - 1));
        rest = block.left(end);
    }
    if (pos == 0 && newestFirst.size() < wanted)
        AddEntry(newestFirst, rest);
    return true;
}

} // namespace

bool TWriteJournal::Entries(const QString& path, int last, QStringList& entries, QString& error)
{
    entries.clear();
    const QString names[] = {path, path + QStringLiteral(".1")};
    if (last >= 0) {
        qint64 budget = FileSizeLimit(TFileKind::Journal);
        QStringList newestFirst;
        for (const QString& name : names)
            if (!TailEntries(name, last - int(newestFirst.size()), budget, newestFirst, error))
                return false;
        std::reverse(newestFirst.begin(), newestFirst.end());
        entries = newestFirst;
        return true;
    }
    for (const QString& name : {names[1], names[0]}) {
        TBoundedFile file(name, TFileKind::Journal);
        QByteArray bytes;
        if (!file.ReadAll(bytes)) {
            if (file.Missing())
                continue;
            error = file.ErrorString();
            return false;
        }
        for (const QByteArray& raw : bytes.split('\n'))
            AddEntry(entries, raw);
    }
    return true;
}

// Reads a settings store whose file holds one huge line, as a store or
// Tunebench.ini damaged by hand or by another program may, and prints the time
// and the growth of the peak resident memory: a file up to the limit of a
// settings file is read with each line kept only to its first
// TProfileFile::kMaxLineBytes; a larger one (200 MB by default) is refused
// before any of it is read.
//   tunebench-inibench [MEGABYTES]
#include "BoundedFile.h"
#include "MachineSettings.h"
#include "ProfileFile.h"
#include "Timing.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

long PeakKb()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A store of about `bytes` bytes, most of them one value's line.
bool WriteStore(const QString& path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray head("[General]\nCOMPORT=dword:00000002\nHuge=sz:");
    const QByteArray tail("\n[Ports]\nCOM1=sz:/dev/ttyUSB0\n");
    file.write(head);
    const QByteArray block(1024 * 1024, 'x');
    for (qint64 left = bytes - head.size() - tail.size(); left > 0; left -= block.size())
        file.write(block.left(qsizetype(std::min<qint64>(left, block.size()))));
    return file.write(tail) == tail.size();
}

struct TReading {
    std::optional<qint32> port;
    std::optional<QString> com1;
    std::optional<QString> huge;
    std::int64_t ms = 0;
    long kb = 0;
};

TReading ReadStore(const QString& path)
{
    TReading r;
    const long before = PeakKb();
    const std::int64_t t0 = ReadCounter();
    const TMachineSettings store(path);
    r.port = store.ReadInteger(QStringLiteral("COMPORT"));
    r.com1 = store.ReadString(QStringLiteral("Ports/COM1"));
    r.huge = store.ReadString(QStringLiteral("Huge"));
    r.ms = ElapsedMs(ReadCounter(), t0);
    r.kb = PeakKb() - before;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 200;
    QTemporaryDir dir;
    const QString atLimit = dir.filePath(QStringLiteral("limit.ini"));
    const QString beyond = dir.filePath(QStringLiteral("huge.ini"));
    if (!WriteStore(atLimit, FileSizeLimit(TFileKind::Settings)) || !WriteStore(beyond, megabytes << 20))
        return 1;
    const TReading limit = ReadStore(atLimit);
    std::printf("store of %lld KiB (the limit), one line: 3 reads in %lld ms, peak memory +%ld KB (COMPORT %d, COM1 "
                "%s, value %lld chars)\n",
                static_cast<long long>(FileSizeLimit(TFileKind::Settings) >> 10), static_cast<long long>(limit.ms),
                limit.kb, limit.port.value_or(-1), qPrintable(limit.com1.value_or(QStringLiteral("-"))),
                static_cast<long long>(limit.huge.value_or(QString()).size()));
    const TReading huge = ReadStore(beyond);
    std::printf("store of %lld MB: refused unread, 3 reads in %lld ms, peak memory +%ld KB (%s)\n",
                static_cast<long long>(megabytes), static_cast<long long>(huge.ms), huge.kb,
                qPrintable(TProfileFile(beyond).ReadProblem()));
    return limit.port == 2 && limit.com1 && limit.huge && limit.huge->size() > 2000 && !huge.port ? 0 : 1;
}

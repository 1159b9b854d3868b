// Reads an INI file with one 200 MB line, as a settings store or Tunebench.ini
// damaged by hand or by another program may hold, and prints the time and the
// growth of the peak resident memory: a line is kept only to its first
// TProfileFile::kMaxLineBytes, so neither should grow with the line.
//   tunebench-inibench [MEGABYTES]
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 200;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VUREZIVO.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write("[General]\nCOMPORT=dword:00000002\nHuge=sz:");
        const QByteArray block(1024 * 1024, 'x');
        for (qint64 i = 0; i < megabytes; ++i)
            file.write(block);
        file.write("\n[Ports]\nCOM1=sz:/dev/ttyUSB0\n");
    }
    const long before = PeakKb();
    const std::int64_t t0 = ReadCounter();
    const TMachineSettings store(path);
    const auto port = store.ReadInteger(QStringLiteral("COMPORT"));
    const auto com1 = store.ReadString(QStringLiteral("Ports/COM1"));
    const auto huge = store.ReadString(QStringLiteral("Huge"));
    const std::int64_t ms = ElapsedMs(ReadCounter(), t0);
    std::printf("line of %lld MB: 3 reads in %lld ms, peak memory +%ld KB (COMPORT %d, COM1 %s, value %lld chars)\n",
                static_cast<long long>(megabytes), static_cast<long long>(ms), PeakKb() - before, port.value_or(-1),
                qPrintable(com1.value_or(QStringLiteral("-"))),
                static_cast<long long>(huge.value_or(QString()).size()));
    return port == 2 && com1 && huge && huge->size() > 2000 ? 0 : 1;
}

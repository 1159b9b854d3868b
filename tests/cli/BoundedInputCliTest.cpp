// Every file the command line reads is bounded: the real tunebench-cli on
// real files, a FIFO and a device.
#include "support/CliProcess.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using tbtest::CliResult;

// A reader that swallowed its file whole would fail here instead of taking
// the machine's memory (not under the address sanitizer, which maps far more).
CliResult RunWithinAGigabyte(const QStringList& args)
{
    QProcess p;
#ifndef __SANITIZE_ADDRESS__
    p.setChildProcessModifier([] {
        const rlimit gigabyte{1 << 30, 1 << 30};
        ::setrlimit(RLIMIT_AS, &gigabyte);
    });
#endif
    return tbtest::RunCliIn(p, args);
}

[[maybe_unused]] CliResult RunWithin(qint64 bytes, const QStringList& args)
{
    QProcess p;
    p.setChildProcessModifier([bytes] {
        const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
        ::setrlimit(RLIMIT_AS, &limit);
    });
    return tbtest::RunCliIn(p, args);
}

[[maybe_unused]] QString WriteBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    return path;
}

void Resize(const QString& path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(size));
}

TEST(BoundedInputCli, NoFileIsReadBeyondItsLimitAndNoFifoOrDeviceIsOpened)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("menu.fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString big = dir.filePath(QStringLiteral("big.mnu"));
    Resize(big, (16 << 20) + 1);
    const QString bigHex = dir.filePath(QStringLiteral("big.hex"));
    Resize(bigHex, (64 << 20) + 1);
    // A journal of 1 GiB (sparse) that ends in two writes.
    const QString journal = qEnvironmentVariable("TUNEBENCH_JOURNAL");
    Resize(journal, qint64(1) << 30);
    {
        QFile file(journal);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("\nwrite one\nwrite two\n");
    }
    const QString nothing = QStringLiteral("/dev/tunebench-nothing");
    const struct {
        QStringList args;
        int exitCode;
        QString text;
    } cases[] = {
        {{"--port", nothing, "flash", "--target", "6", "--yes", "/dev/zero"},
         1,
         "Cannot read the software file /dev/zero: not a regular file"},
        {{"menu", "check", fifo}, 1, fifo + ": not a regular file"},
        {{"--port", nothing, "restore", big}, 1, big + ": larger than 16 MiB, too large for a menu file"},
        {{"--port", nothing, "flash", "--target", "6", "--yes", bigHex},
         1,
         "larger than 64 MiB, too large for a HEX file"},
        {{"journal"}, 1, "too large for a journal of writes"},
        {{"journal", "--last", "2"}, 0, "write one\nwrite two\n"},
    };
    for (const auto& c : cases) {
        const CliResult r = RunWithinAGigabyte(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE((r.out + r.err).contains(c.text)) << c.args.join(' ').toStdString() << "\n"
                                                      << r.out.toStdString() << r.err.toStdString();
    }
#ifndef __SANITIZE_ADDRESS__
    // A file too large is refused by its size, before any of it is read.
    rusage children{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &children), 0);
    EXPECT_LT(children.ru_maxrss, 48 << 10) << "KiB at most in one run";
#endif
}

#ifndef __SANITIZE_ADDRESS__
// A menu file costs little beyond its bytes: 16 MiB of empty lines (once
// 684 MB) or of writes is checked within half a gigabyte, and a bad line
// behind the empty ones is named by its number.
TEST(BoundedInputCli, AMenuFileOfMillionsOfLinesCostsLittleMoreThanItsSize)
{
    QTemporaryDir dir;
    const int empty = (16 << 20) - 16;
    const QByteArray write = "1 29 0 33\r\n";
    const int writes = (16 << 20) / int(write.size());
    const QString blanks = WriteBytes(dir, QStringLiteral("blank.mnu"), QByteArray(empty, '\n') + "1 4X 0 00\n");
    const QString lines = WriteBytes(dir, QStringLiteral("writes.mnu"), write.repeated(writes));
    const struct {
        QString file;
        int exitCode;
        QString text;
    } cases[] = {
        {blanks, 1, blanks + QStringLiteral(": line %1: field 2 is not one").arg(empty + 1)},
        {lines, 0, QStringLiteral("%1\n").arg(writes)},
    };
    for (const auto& c : cases) {
        const CliResult r = RunWithin(qint64(512) << 20, {"menu", "check", c.file});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.file.toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE((r.out + r.err).contains(c.text)) << r.out.toStdString() << r.err.toStdString();
    }
}

// Where the memory the program may use does not hold the file, the command
// says so and exits 1 instead of aborting.
TEST(BoundedInputCli, MemoryThatDoesNotHoldTheFileIsSaidAndExitsOne)
{
    QTemporaryDir dir;
    const QString tiny = WriteBytes(dir, QStringLiteral("tiny.mnu"), "1 29 0 33\n");
    // The least address space (to 8 MiB) in which the program checks a one-line file.
    qint64 fails = qint64(32) << 20;
    qint64 works = qint64(1) << 30;
    ASSERT_EQ(RunWithin(works, {"menu", "check", tiny}).exitCode, 0);
    while (works - fails > (8 << 20)) {
        const qint64 mid = (works + fails) / 2;
        (RunWithin(mid, {"menu", "check", tiny}).exitCode == 0 ? works : fails) = mid;
    }
    const QString big = WriteBytes(dir, QStringLiteral("big.mnu"), QByteArray("1 29 0 33\r\n").repeated(1500000));
    const CliResult r = RunWithin(works, {"menu", "check", big});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("not enough memory for this command"))) << r.err.toStdString();
}
#endif

} // namespace

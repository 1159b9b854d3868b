#include "BoundedFile.h"
#include "AtomicFile.h"
#include "StopRequest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

constexpr TFileKind kKinds[] = {TFileKind::Settings,        TFileKind::Language,   TFileKind::Menu,
                                TFileKind::FlashConfig,     TFileKind::HexImage,   TFileKind::Journal,
                                TFileKind::Picture,         TFileKind::Help,       TFileKind::LockFile,
                                TFileKind::DeviceAttribute, TFileKind::DeviceImage};

// Sparse: a file of any size costs no disk.
QString FileOfSize(const QTemporaryDir& dir, qint64 size)
{
    const QString path = dir.filePath(QStringLiteral("file"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    EXPECT_TRUE(file.resize(size));
    return path;
}

TEST(BoundedFile, AFileUpToItsKindsLimitIsReadOneByteMoreIsRefusedUnread)
{
    QTemporaryDir dir;
    for (const TFileKind kind : kKinds) {
        const qint64 limit = FileSizeLimit(kind);
        QByteArray bytes;
        TBoundedFile whole(FileOfSize(dir, limit), kind);
        EXPECT_TRUE(whole.ReadAll(bytes)) << whole.ErrorString().toStdString();
        EXPECT_EQ(bytes.size(), limit);

        TBoundedFile over(FileOfSize(dir, limit + 1), kind);
        EXPECT_FALSE(over.Open());
        EXPECT_TRUE(over.Reason().contains(QStringLiteral(", too large for a "))) << over.Reason().toStdString();
        EXPECT_TRUE(over.ErrorString().contains(QDir::toNativeSeparators(dir.filePath(QStringLiteral("file")))))
            << over.ErrorString().toStdString();
    }
}

TEST(BoundedFile, TheHexLimitHoldsTheLargestFlashInSixteenByteRecords)
{
    constexpr qint64 flash = 16 << 20;
    // ":10AAAA00" + 16 data bytes + checksum + CR LF; a linear address record every 64 KiB.
    const qint64 text = flash / 16 * (1 + 2 * (4 + 16 + 1) + 2) + flash / 0x10000 * 17;
    EXPECT_LE(text, FileSizeLimit(TFileKind::HexImage));
}

#ifndef Q_OS_WIN // a FIFO and /dev/zero
TEST(BoundedFile, WhatIsNoRegularFileIsRefusedWithoutBeingOpened)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/zero"), dir.path()}) {
        TBoundedFile file(path, TFileKind::Menu);
        QByteArray bytes;
        EXPECT_FALSE(file.ReadAll(bytes)) << path.toStdString();
        EXPECT_EQ(file.Reason(), QStringLiteral("not a regular file"));
        EXPECT_FALSE(file.Missing());
    }
    TBoundedFile missing(dir.filePath(QStringLiteral("none")), TFileKind::Menu);
    EXPECT_FALSE(missing.Open());
    EXPECT_TRUE(missing.Missing());
}
#endif

TEST(BoundedFile, AStopRequestEndsTheRead)
{
    QTemporaryDir dir;
    TBoundedFile file(FileOfSize(dir, 1024), TFileKind::Menu);
    QByteArray bytes;
    tbstop::Request();
    EXPECT_FALSE(file.ReadAll(bytes));
    tbstop::Clear();
    EXPECT_TRUE(file.Stopped());
    EXPECT_EQ(file.Reason(), QStringLiteral("stopped"));
}

#ifndef Q_OS_WIN
// What stands at a path is replaced only when it is a regular file: a pipe, a
// device node or a link (whose target would become our file) stays as it is.
TEST(AtomicFile, OnlyARegularFileIsReplaced)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target"));
    QFile(target).open(QIODevice::WriteOnly);
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(target, link));
    const QString node = dir.filePath(QStringLiteral("null"));
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    }
    for (const QString& path : {fifo, link, node, dir.path()}) {
        if (path == node && !root)
            continue;
        QString error;
        EXPECT_FALSE(WriteFileAtomically(path, "x", &error)) << path.toStdString();
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
    }
    EXPECT_TRUE(QFileInfo(link).isSymbolicLink());
    EXPECT_EQ(QFileInfo(target).size(), 0);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    if (root) {
        ASSERT_EQ(::stat(QFile::encodeName(node).constData(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
    EXPECT_TRUE(WriteFileAtomically(target, "x"));
}
#endif

} // namespace

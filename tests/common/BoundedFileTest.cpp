#include "BoundedFile.h"
#include "StopRequest.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#ifndef Q_OS_WIN
#include <sys/stat.h>
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

} // namespace

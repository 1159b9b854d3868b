// The journal of writes as this program appends to it while another program
// shares the file.
#include "WriteJournal.h"
#include "SndMail.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Journal(std::uint16_t address, const char* bytes)
{
    TWriteRecord write;
    write.com = 1;
    write.baud = 9600;
    write.address = address;
    write.bytes = QByteArray(bytes);
    write.result = TWriteResult::Confirmed;
    TMailControl::WriteObserver()(write);
}

// Another program's line between two of ours is kept, and ours comes after it.
TEST(WriteJournal, AnotherProgramsLinesBetweenOursAreKept)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("journal"));
    TWriteJournal::Install(path, QStringLiteral("tests"));
    Journal(0x0029, "\x33");
    QFile other(path);
    ASSERT_TRUE(other.open(QIODevice::Append));
    ASSERT_EQ(other.write("a line of another program\n"), 26);
    other.close();
    Journal(0x0030, "\x5A");
    TWriteJournal::Uninstall();

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 5) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], TWriteJournal::kHeader.toUtf8());
    EXPECT_TRUE(lines[1].endsWith("\t0029\t33\tconfirmed")) << lines[1].toStdString();
    EXPECT_EQ(lines[2], "a line of another program");
    EXPECT_TRUE(lines[3].endsWith("\t0030\t5A\tconfirmed")) << lines[3].toStdString();
    EXPECT_TRUE(lines[4].isEmpty());
}

} // namespace

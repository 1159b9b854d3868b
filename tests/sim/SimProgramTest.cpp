// The real tunebench-sim program, run through SimHarness.
#include "PtyClient.h"
#include "support/SimHarness.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tbtest;

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray exchange(PtyClient& client, const QByteArray& mail, int expected)
{
    EXPECT_TRUE(client.send(frameOf(mail)));
    return client.read(expected);
}

TEST(SimProgram, PrintsThePortAndMakesTheLink)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyDAVO");
    SimHarness sim({"--link", link});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    EXPECT_TRUE(sim.portPath().startsWith("/dev/pts/"));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), sim.portPath());

    PtyClient client;
    ASSERT_TRUE(client.open(link));
    EXPECT_EQ(exchange(client, readMail(0x0040, 3), 20).mid(12), answerOf(hex("0004D5")));
    client.close();

    EXPECT_TRUE(sim.stop());
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(sim.logLines().first().startsWith("START handset 9600 baud one-wire"));
    EXPECT_EQ(sim.logLines().last(), "STOP");
}

TEST(SimProgram, LogsWritesInOrderAndSavesTheImageOnSigterm)
{
    QTemporaryDir dir;
    const QString image = dir.filePath("out.bin");
    SimHarness sim({"--profile", "repeater-multi", "--save", image});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    PtyClient client;
    ASSERT_TRUE(client.open(sim.portPath()));
    for (const QByteArray& mail :
         {writeMail(0x0044, hex("10000010")), writeMail(0x0048, hex("07")), writeMail(0x0002, hex("04"))})
        EXPECT_EQ(exchange(client, mail, int(frameOf(mail).size())).size(), frameOf(mail).size());
    ASSERT_TRUE(sim.waitForLogPrefix("WRITE 0002"));
    EXPECT_EQ(sim.writeLines(), (QStringList{"WRITE 0044 10 00 00 10", "WRITE 0048 07", "WRITE 0002 04"}));

    EXPECT_TRUE(sim.stop()) << sim.errorString().toStdString();
    EXPECT_TRUE(sim.logLines().contains("SAVED " + image));
    const QByteArray saved = fileBytes(image);
    ASSERT_EQ(saved.size(), 65536);
    EXPECT_EQ(saved.mid(0x44, 5), hex("1000001007"));
    EXPECT_EQ(saved.mid(0x02, 1), hex("04"));
    EXPECT_EQ(saved.mid(0x780, 1), hex("02"));
}

TEST(SimProgram, SigintEndsCleanlyAndSavesToo)
{
    QTemporaryDir dir;
    const QString image = dir.filePath("out.bin");
    SimHarness sim({"--save", image});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    EXPECT_TRUE(sim.interrupt());
    EXPECT_EQ(fileBytes(image).size(), 65536);
}

TEST(SimProgram, LoadsAnImage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("in.bin");
    QByteArray image(65536, char(0x00));
    image.replace(0x0040, 5, hex("0077A00123"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(image);
    file.close();

    SimHarness sim({"--image", path, "--two-wire"});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    PtyClient client;
    ASSERT_TRUE(client.open(sim.portPath()));
    EXPECT_EQ(exchange(client, readMail(0x0040, 5), 10), answerOf(hex("0077A00123")));
    EXPECT_TRUE(sim.stop());
}

TEST(SimProgram, RepeaterCellsFollowTheOptions)
{
    SimHarness sim(
        {"--profile", "repeater-single", "--type", "36", "--busy-hint", "on", "--alt-sync", "on", "--two-wire"});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    PtyClient client;
    ASSERT_TRUE(client.open(sim.portPath()));
    EXPECT_EQ(exchange(client, readMail(0x0780, 1), 6), answerOf(hex("24")));
    EXPECT_EQ(exchange(client, readMail(0x0460, 2), 7), answerOf(hex("0401")));
    EXPECT_TRUE(sim.stop());
}

TEST(SimProgram, HandsetOf8240KindAt115200)
{
    SimHarness sim({"--profile", "handset-8240", "--two-wire"});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    PtyClient client;
    ASSERT_TRUE(client.open(sim.portPath(), 115200));
    EXPECT_EQ(exchange(client, readMail(0x001D, 1), 6), answerOf(hex("AA")));
    ASSERT_TRUE(client.setBaud(9600));
    ASSERT_TRUE(client.send(frameOf(readMail(0x001D, 1))));
    EXPECT_TRUE(sim.waitForLogPrefix("MISMATCH line 9600 baud, device 115200 baud"));
    EXPECT_TRUE(sim.stop());
}

TEST(SimProgram, HangupDropsTheLineAndEnds)
{
    QTemporaryDir dir;
    const QString image = dir.filePath("out.bin");
    SimHarness sim({"--hangup-after", "1", "--two-wire", "--save", image});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    PtyClient client;
    ASSERT_TRUE(client.open(sim.portPath()));
    ASSERT_TRUE(client.send(frameOf(readMail(0x0040, 3))));
    QByteArray received;
    EXPECT_TRUE(client.waitForHangup(5000, &received));
    EXPECT_EQ(received, answerOf(hex("0004D5")).left(4));
    EXPECT_TRUE(sim.waitForExit());
    EXPECT_TRUE(sim.logLines().contains("HANGUP after 4 of 8 bytes"));
    EXPECT_EQ(fileBytes(image).size(), 65536);
}

TEST(SimProgram, BadOptionIsAUsageError)
{
    SimHarness sim({"--baud", "fast"});
    EXPECT_FALSE(sim.start());
    EXPECT_FALSE(sim.waitForExit());
    EXPECT_EQ(sim.exitCode(), 2);
    EXPECT_TRUE(sim.logLines().join('\n').contains("--baud"));
}

TEST(SimProgram, HelpAndVersion)
{
    QProcess help;
    help.start(SimHarness::binaryPath(), {"--help"});
    ASSERT_TRUE(help.waitForFinished(10000));
    EXPECT_EQ(help.exitCode(), 0);
    const QString text = QString::fromLocal8Bit(help.readAllStandardOutput());
    for (const char* option : {"--profile", "--two-wire", "--pace", "--fail-writes", "--hangup-after", "--link"})
        EXPECT_TRUE(text.contains(option)) << option;

    QProcess version;
    version.start(SimHarness::binaryPath(), {"--version"});
    ASSERT_TRUE(version.waitForFinished(10000));
    EXPECT_TRUE(version.readAllStandardOutput().startsWith("tunebench-sim "));
}

} // namespace

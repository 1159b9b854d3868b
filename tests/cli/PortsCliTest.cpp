// "ports map" and "ports unmap" round trip through the real settings store.
#include "MachineSettings.h"
#include "support/CliProcess.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QProcess>

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using tbtest::RunCli;

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(CliPorts, MapAndUnmapRoundTrip)
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("VUREZIVO.ini"));
    qputenv(TMachineSettings::kPathVariable, QFile::encodeName(store));
    const QString device = dir.filePath(QStringLiteral("ttyUSB0"));
    QFile(device).open(QIODevice::WriteOnly);

    const auto mapped = RunCli({"ports", "map", "2", device});
    EXPECT_EQ(mapped.exitCode, 0) << mapped.err.toStdString();
    EXPECT_EQ(mapped.out, QStringLiteral("COM2  %1\n").arg(device));
    EXPECT_TRUE(mapped.err.contains(QStringLiteral("stored in ") + store)) << mapped.err.toStdString();
    EXPECT_EQ(TMachineSettings(store).ReadString(QStringLiteral("Ports/COM2")), device);
    const auto listed = RunCli({"ports"});
    EXPECT_TRUE(listed.out.contains(QStringLiteral("COM2  %1  present  mapped\n").arg(device)))
        << listed.out.toStdString();

    const auto unmapped = RunCli({"ports", "unmap", "2"});
    EXPECT_EQ(unmapped.exitCode, 0);
    EXPECT_EQ(unmapped.out, QStringLiteral("COM2  /dev/ttyS1\n"));
    EXPECT_TRUE(unmapped.err.contains(QStringLiteral("removed from ") + store)) << unmapped.err.toStdString();
    EXPECT_FALSE(TMachineSettings(store).ValueExists(QStringLiteral("Ports/COM2")));

    // The variable wins over what is stored: the command says so.
    qputenv("TUNEBENCH_COM2", "/tmp/ttyElsewhere");
    const auto overridden = RunCli({"ports", "map", "2", device});
    qunsetenv("TUNEBENCH_COM2");
    EXPECT_EQ(overridden.exitCode, 0);
    EXPECT_TRUE(overridden.err.contains(QStringLiteral("TUNEBENCH_COM2 is set: COM2 stays /tmp/ttyElsewhere")))
        << overridden.err.toStdString();
    qunsetenv(TMachineSettings::kPathVariable);
}

// A path longer than any device's is refused at once; it would have made the
// store's line too long to rewrite, and so every later change fail.
TEST(CliPorts, APathLongerThanAnyDevicesIsRefusedAndLaterChangesWork)
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("VUREZIVO.ini"));
    qputenv(TMachineSettings::kPathVariable, QFile::encodeName(store));
    const auto refused = RunCli({"ports", "map", "2", "/dev/" + QString(20000, QLatin1Char('x'))});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("nothing was stored"))) << refused.err.left(300).toStdString();
    EXPECT_FALSE(TMachineSettings(store).ValueExists(QStringLiteral("Ports/COM2")));
    const auto later = RunCli({"ports", "map", "3", "/dev/ttyUSB0"});
    EXPECT_EQ(later.exitCode, 0) << later.err.toStdString();
    EXPECT_EQ(TMachineSettings(store).ReadString(QStringLiteral("Ports/COM3")), QStringLiteral("/dev/ttyUSB0"));
    qunsetenv(TMachineSettings::kPathVariable);
}

// A full disk: the settings store and the language template keep their old
// bytes, no temporary file is left, and the program says so and exits 1.
TEST(CliPorts, FilesThatCannotBeWrittenKeepTheirOldContentAndExitOne)
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("VUREZIVO.ini"));
    const QString languageTemplate = dir.filePath(QStringLiteral("Template.lng"));
    const QByteArray oldStore = "; mine\r\n[Ports]\r\nCOM1=sz:/dev/ttyUSB9\r\n" + QByteArray(200, ';');
    const QByteArray oldTemplate = "[Form1]\r\nlblA.Caption=\r\n" + QByteArray(200, ';');
    ASSERT_TRUE(WriteBytes(store, oldStore));
    ASSERT_TRUE(WriteBytes(languageTemplate, oldTemplate));
    qputenv(TMachineSettings::kPathVariable, QFile::encodeName(store));
    {
        const tbtest::TFileSizeLimit fullDisk(64);
        const auto mapped = RunCli({"ports", "map", "2", "/dev/ttyUSB0"});
        EXPECT_EQ(mapped.exitCode, 1);
        EXPECT_TRUE(mapped.err.contains(store)) << mapped.err.toStdString();
        QProcess generator;
        generator.start(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench-lngtemplate"),
                        {languageTemplate});
        ASSERT_TRUE(generator.waitForFinished(60000));
        EXPECT_EQ(generator.exitCode(), 1);
        EXPECT_TRUE(QString::fromLocal8Bit(generator.readAllStandardError()).contains(languageTemplate));
    }
    qunsetenv(TMachineSettings::kPathVariable);
    EXPECT_EQ(ReadBytes(store), oldStore);
    EXPECT_EQ(ReadBytes(languageTemplate), oldTemplate);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

// A store that cannot be read as text is not written over with the one line
// that could be understood.
// A store that cannot be read whole (here: beyond a settings file's size) is
// never written over: the change is refused and the store stays as it was.
TEST(CliPorts, AStoreThatCannotBeReadIsLeftAsItWas)
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("VUREZIVO.ini"));
    QByteArray oversized = QByteArray("[Ports]\r\nCOM1=sz:/dev/ttyUSB9\r\n");
    oversized.append(QByteArray((1 << 20) + 1 - oversized.size(), ' '));
    ASSERT_TRUE(WriteBytes(store, oversized));
    qputenv(TMachineSettings::kPathVariable, QFile::encodeName(store));
    const auto mapped = RunCli({"ports", "map", "2", "/dev/ttyUSB0"});
    qunsetenv(TMachineSettings::kPathVariable);
    EXPECT_EQ(mapped.exitCode, 1);
    EXPECT_TRUE(mapped.err.contains(store)) << mapped.err.toStdString();
    EXPECT_TRUE(ReadBytes(store) == oversized);
}

TEST(CliPorts, ExtraArgumentsAreRefused)
{
    for (const QStringList& args :
         {QStringList{"ports", "extra"}, QStringList{"detect", "extra"}, QStringList{"probe", "extra"},
          QStringList{"ports", "map", "10", "/dev/ttyUSB0"}, QStringList{"ports", "unmap"}}) {
        const auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty()) << args.join(' ').toStdString();
    }
}

} // namespace

// tunebench-cli flash against the boot targets of the real tunebench-sim:
// both loaders, the loader library missing or incomplete, and Ctrl+C.
#include "Comm.h"
#include "FlashTestFiles.h"
#include "support/CliProcess.h"
#include "support/SimHarness.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <termios.h>
#include <tuple>
#include <unistd.h>

namespace {

using testing::HasSubstr;

QString BinDir() { return qEnvironmentVariable("TUNEBENCH_BIN_DIR"); }

class FlashCli : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString HexFile(const QByteArray& data)
    {
        const QString path = m_dir.filePath(QStringLiteral("software.hex"));
        EXPECT_TRUE(tbtest::WriteFile(path, tbtest::IntelHexOf(data, 0)));
        return path;
    }
    // tunebench-cli copied into a folder of its own, with CFG/ but no RflLib.
    QString LoneCli()
    {
        const QString folder = m_dir.filePath(QStringLiteral("bin"));
        QDir().mkpath(folder + QStringLiteral("/CFG"));
        QFile::copy(BinDir() + QStringLiteral("/tunebench-cli"), folder + QStringLiteral("/tunebench-cli"));
        for (const QString& cfg : QDir(BinDir() + QStringLiteral("/CFG")).entryList({"*.cfg"}))
            QFile::copy(BinDir() + QStringLiteral("/CFG/") + cfg, folder + QStringLiteral("/CFG/") + cfg);
        return folder;
    }
    static tbtest::CliResult Run(const QString& program, const QStringList& args)
    {
        QProcess p;
        p.start(program, args);
        tbtest::CliResult r;
        if (!p.waitForFinished(30000))
            return r;
        r.exitCode = p.exitCode();
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    QTemporaryDir m_dir;
};

TEST_F(FlashCli, BothLoadersDownloadAndVerify)
{
    const QByteArray data = tbtest::RandomBytes(20000, 11);
    const struct {
        const char* profile;
        const char* target;
        const char* confirmed;
    } cases[] = {{"boot-sc14428", "8", "CRC_OK_IND"}, {"boot-rfl", "0", "Checksum OK"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        const QString saved = m_dir.filePath(QStringLiteral("flash.bin"));
        tbtest::SimHarness sim({"--profile", c.profile, "--save", saved});
        ASSERT_TRUE(sim.start());
        const auto r =
            tbtest::RunCli({"--port", sim.portPath(), "flash", "--target", c.target, "--yes", HexFile(data)});
        EXPECT_EQ(r.exitCode, 0) << qPrintable(r.out + r.err);
        EXPECT_THAT(r.out.toStdString(), HasSubstr(c.confirmed));
        EXPECT_THAT(r.err.toStdString(), HasSubstr("Turn power off the PP / FP / WRFP!"));
        ASSERT_TRUE(sim.stop());
        QFile flash(saved);
        ASSERT_TRUE(flash.open(QIODevice::ReadOnly));
        EXPECT_EQ(flash.read(data.size()), data);
    }
}

TEST_F(FlashCli, RflLibraryMissingOrIncomplete)
{
    const QString folder = LoneCli();
    const QString file = HexFile(QByteArray(64, 'x'));
    const QStringList args = {"--port", "/dev/null", "flash", "--target", "3", "--yes", file};
    auto r = Run(folder + QStringLiteral("/tunebench-cli"), args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.out.toStdString(), HasSubstr("Unable to load RflLib.Dll"));

    ASSERT_TRUE(QFile::copy(BinDir() + QStringLiteral("/../lib/libRflWithoutVersion.so"),
                            folder + QStringLiteral("/libRflLib.so")));
    r = Run(folder + QStringLiteral("/tunebench-cli"), args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.out.toStdString(), HasSubstr("Failed to lookup RflGetVersion"));
}

TEST_F(FlashCli, PortThatCannotBeHeldSaysWhy)
{
    const auto r = Run(BinDir() + QStringLiteral("/tunebench-cli"),
                       {"--port", "/dev/null", "flash", "--target", "6", "--yes", HexFile(QByteArray(64, 'x'))});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.out.toStdString(),
                HasSubstr("Could not open the serial device.\nCOM1 (/dev/null): not a serial device"));
}

TEST_F(FlashCli, InstalledProgramTakesTheTargetConfigurationFromTheShareFolder)
{
    const QString usr = m_dir.filePath(QStringLiteral("usr"));
    QDir().mkpath(usr + QStringLiteral("/bin"));
    QDir().mkpath(usr + QStringLiteral("/lib"));
    QDir().mkpath(usr + QStringLiteral("/share/tunebench/CFG"));
    ASSERT_TRUE(QFile::copy(BinDir() + QStringLiteral("/tunebench-cli"), usr + QStringLiteral("/bin/tunebench-cli")));
    ASSERT_TRUE(
        QFile::copy(BinDir() + QStringLiteral("/../lib/libRflLib.so"), usr + QStringLiteral("/lib/libRflLib.so")));
    ASSERT_TRUE(
        QFile::copy(BinDir() + QStringLiteral("/CFG/402.cfg"), usr + QStringLiteral("/share/tunebench/CFG/402.cfg")));
    tbtest::SimHarness sim({"--profile", "boot-rfl"});
    ASSERT_TRUE(sim.start());
    const auto r = Run(usr + QStringLiteral("/bin/tunebench-cli"),
                       {"--port", sim.portPath(), "flash", "--target", "0", "--yes", HexFile(QByteArray(256, 'x'))});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.out + r.err);
    EXPECT_THAT(r.out.toStdString(), HasSubstr("Checksum OK"));
}

TEST_F(FlashCli, CtrlCEndsTheDownloadAndFreesThePort)
{
    for (const int signal : {SIGINT, SIGHUP}) { // SIGHUP: the terminal was closed
        tbtest::SimHarness sim({"--profile", "boot-sc14428", "--pace"});
        ASSERT_TRUE(sim.start());
        QProcess cli;
        cli.start(BinDir() + QStringLiteral("/tunebench-cli"), {"--port", sim.portPath(), "flash", "--target", "6",
                                                                "--yes", HexFile(tbtest::RandomBytes(128 * 1024, 2))});
        ASSERT_TRUE(sim.waitForLogPrefix(QStringLiteral("BLOCK ")));
        ::kill(pid_t(cli.processId()), signal);
        ASSERT_TRUE(cli.waitForFinished(5000));
        EXPECT_EQ(cli.exitCode(), 6);
        EXPECT_THAT(QString::fromLocal8Bit(cli.readAllStandardOutput()).toStdString(),
                    HasSubstr("DOWNLOAD_FAILED_IND\n[00] STOP_PROGRAM_IND"));
        TComPortMap ports;
        ports.SetOverride(1, sim.portPath());
        TComm comm(ports);
        EXPECT_TRUE(comm.Open());
    }
}

TEST_F(FlashCli, TargetThatHangsUpEndsTheDownloadAtOnce)
{
    tbtest::SimHarness sim({"--profile", "boot-sc14428", "--pace"});
    ASSERT_TRUE(sim.start());
    QProcess cli;
    cli.start(BinDir() + QStringLiteral("/tunebench-cli"), {"--port", sim.portPath(), "flash", "--target", "6", "--yes",
                                                            HexFile(tbtest::RandomBytes(128 * 1024, 3))});
    ASSERT_TRUE(sim.waitForLogPrefix(QStringLiteral("BLOCK ")));
    ASSERT_TRUE(sim.stop()); // the line's other end closes, as when the adapter is pulled
    ASSERT_TRUE(cli.waitForFinished(5000));
    EXPECT_EQ(cli.exitCode(), 6);
    EXPECT_THAT(QString::fromLocal8Bit(cli.readAllStandardOutput()).toStdString(), HasSubstr("lost"));
}

TEST_F(FlashCli, DownloadGivesThePortItsSettingsBack)
{
    tbtest::SimHarness sim({"--profile", "boot-sc14428"});
    ASSERT_TRUE(sim.start());
    const auto settings = [&sim] {
        termios t{};
        const int fd = ::open(sim.portPath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::tcgetattr(fd, &t), 0);
        ::close(fd);
        return std::tuple(::cfgetospeed(&t), t.c_cflag, t.c_lflag, t.c_cc[VMIN]);
    };
    const auto before = settings();
    const auto r = Run(BinDir() + QStringLiteral("/tunebench-cli"),
                       {"--port", sim.portPath(), "flash", "--target", "6", "--yes", HexFile(QByteArray(256, 'x'))});
    EXPECT_EQ(r.exitCode, 0) << qPrintable(r.out + r.err);
    EXPECT_EQ(settings(), before);
}

} // namespace

// The window program as a technician starts it from a shell: help and version
// without a display, and one running copy that a second start brings forward.
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

// A started program and what it has written to standard error so far.
struct TRun {
    QProcess process;
    QByteArray notes;

    bool WaitForNote(const char* text)
    {
        return tbtest::waitFor(
            [&] {
                notes += process.readAllStandardError();
                return notes.contains(text);
            },
            20000);
    }
};

class ProgramProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // A copy of its own: the program keeps its settings beside itself.
        m_program = m_dir.filePath(QStringLiteral("tb-window"));
        ASSERT_TRUE(QFile::copy(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench"), m_program));
    }
    void TearDown() override
    {
        for (auto& run : m_runs) {
            run->process.kill();
            run->process.waitForFinished();
        }
    }

    TRun& Start(const QStringList& arguments, const QProcessEnvironment& environment)
    {
        m_runs.push_back(std::make_unique<TRun>());
        TRun& run = *m_runs.back();
        run.process.setProcessEnvironment(environment);
        run.process.start(m_program, arguments);
        return run;
    }
    // The window program offscreen, its instance lock and socket in a runtime
    // folder of its own, its handshake notes on standard error.
    TRun& StartWindow()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), m_dir.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), RuntimeFolder());
        env.insert(QStringLiteral("TUNEBENCH_REGISTRY"), m_dir.filePath(QStringLiteral("VUREZIVO.ini")));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tunebench.instance.info=true"));
        return Start({}, env);
    }
    // A second start ends with 0, and the running copy has come to the front.
    void ExpectSecondStartRaises(TRun& running)
    {
        ASSERT_TRUE(running.WaitForNote("listening for a second start")) << running.notes.toStdString();
        TRun& second = StartWindow();
        ASSERT_TRUE(second.process.waitForFinished(30000));
        EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.process.exitCode(), 0);
        EXPECT_FALSE(second.process.readAllStandardError().contains("could not be brought to the front"));
        EXPECT_TRUE(running.WaitForNote("main window brought to the front")) << running.notes.toStdString();
    }

    QString RuntimeFolder() const
    {
        const QString folder = m_dir.filePath(QStringLiteral("run"));
        QDir().mkpath(folder);
        return folder;
    }

    QTemporaryDir m_dir;
    QString m_program;
    std::vector<std::unique_ptr<TRun>> m_runs;
};

TEST_F(ProgramProcessTest, HelpAndVersionPrintAndExitWithoutADisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(display));
    for (const QString& argument : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        TRun& help = Start({QStringLiteral("/va"), argument}, env);
        ASSERT_TRUE(help.process.waitForFinished(30000));
        EXPECT_EQ(help.process.exitCode(), 0);
        const QString out = QString::fromLocal8Bit(help.process.readAllStandardOutput());
        EXPECT_TRUE(out.startsWith(QStringLiteral("Usage:    tb-window /Param\n\n/?\t"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("\n--version, -v\t"))) << out.toStdString();
    }
    TRun& version = Start({QStringLiteral("--version")}, env);
    ASSERT_TRUE(version.process.waitForFinished(30000));
    EXPECT_EQ(version.process.exitCode(), 0);
    EXPECT_TRUE(version.process.readAllStandardOutput().startsWith("tb-window 1."));
}

TEST_F(ProgramProcessTest, SecondStartRaisesTheRunningWindowAndACrashedRunBlocksNothing)
{
    TRun& first = StartWindow();
    ExpectSecondStartRaises(first);

    // A crash leaves the lock and the socket behind; the next start runs all the same.
    first.process.kill();
    ASSERT_TRUE(first.process.waitForFinished(10000));
    TRun& next = StartWindow();
    ExpectSecondStartRaises(next);
    EXPECT_EQ(next.process.state(), QProcess::Running);
}

TEST_F(ProgramProcessTest, ALockInTheSharedTemporaryFolderDoesNotBlockAStart)
{
    // As another user could leave it there, held by a living process.
    QLockFile foreign(m_dir.filePath(QStringLiteral("Tunebench - DavoTelecom-%1.lock").arg(::getuid())));
    ASSERT_TRUE(foreign.tryLock(0));
    TRun& run = StartWindow();
    EXPECT_TRUE(run.WaitForNote("listening for a second start")) << run.notes.toStdString();
}

} // namespace

// Run as root through sudo: the real tunebench-cli, as root, with SUDO_USER
// naming a user made for the test. The invoking user's files are made with
// that user's identity, and nothing is handed over through a link.
#include "support/CliProcess.h"
#include "support/SimHarness.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using tbtest::CliResult;
using tbtest::SimHarness;

class SudoCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "the sudo path runs as root only (the tests run as root in CI); not root here";
        ASSERT_TRUE(m_home.isValid());
        m_name = QStringLiteral("tbsudo%1").arg(::getpid());
        // useradd refuses while another program holds the user database: try again.
        int code = -1;
        tbtest::waitFor(
            [&] {
                code = QProcess::execute(QStringLiteral("useradd"),
                                         {"--no-create-home", "--home-dir", m_home.path(), "--user-group", "--shell",
                                          "/usr/sbin/nologin", m_name});
                return code != 1;
            },
            30000);
        ASSERT_EQ(code, 0) << "useradd " << m_name.toStdString();
        m_made = true;
        const passwd* user = ::getpwnam(m_name.toLocal8Bit().constData());
        ASSERT_NE(user, nullptr);
        m_uid = user->pw_uid;
        m_gid = user->pw_gid;
        ASSERT_EQ(::chown(QFile::encodeName(m_home.path()).constData(), m_uid, m_gid), 0);
    }

    void TearDown() override
    {
        if (m_made)
            QProcess::execute(QStringLiteral("userdel"), {m_name});
    }

    // As sudo leaves it: root's own HOME and XDG folders, and SUDO_*.
    CliResult RunThroughSudo(const QStringList& args) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("TUNEBENCH_JOURNAL"));
        env.remove(QStringLiteral("TUNEBENCH_REGISTRY"));
        env.insert(QStringLiteral("SUDO_USER"), m_name);
        env.insert(QStringLiteral("SUDO_UID"), QString::number(m_uid));
        env.insert(QStringLiteral("SUDO_GID"), QString::number(m_gid));
        QProcess p;
        p.setProcessEnvironment(env);
        return tbtest::RunCliIn(p, args);
    }

    [[nodiscard]] QString Home(const QString& relative) const { return m_home.filePath(relative); }

    // "uid:gid" of the path itself, not of what a link names.
    static QString Owner(const QString& path)
    {
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            return QStringLiteral("missing");
        return QStringLiteral("%1:%2").arg(st.st_uid).arg(st.st_gid);
    }

    [[nodiscard]] QString User() const { return QStringLiteral("%1:%2").arg(m_uid).arg(m_gid); }

    QTemporaryDir m_home;
    QString m_name;
    bool m_made = false;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
};

TEST_F(SudoCli, TheUsersFilesAreMadeAsTheUserAndALinkOrAnothersFolderIsRefused)
{
    SimHarness sim;
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();

    // A plain home: the store and the journal of writes are made by the user.
    CliResult r = RunThroughSudo({"ports", "map", "1", sim.portPath()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString store = Home(QStringLiteral(".config/tunebench/VUREZIVO.ini"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("stored in ") + store)) << r.err.toStdString();
    r = RunThroughSudo({"--port", sim.portPath(), "write", "0100", "01"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString journal = Home(QStringLiteral(".local/share/tunebench/journal"));
    for (const QString& path : {Home(QStringLiteral(".config")), Home(QStringLiteral(".config/tunebench")), store,
                                Home(QStringLiteral(".local/share/tunebench")), journal})
        EXPECT_EQ(Owner(path), User()) << path.toStdString();
    QFile written(journal);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains("\t0100\t01\tconfirmed\n"));
    // Root's own folders got nothing.
    EXPECT_FALSE(QFileInfo::exists(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/tunebench")));
    EXPECT_FALSE(QFileInfo::exists(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/tunebench")));

    // The settings folder a link to a folder of root's: refused, naming it; nothing written or handed over.
    const QString folder = Home(QStringLiteral(".config/tunebench"));
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QTemporaryDir roots;
    ASSERT_TRUE(QFile::link(roots.path(), folder));
    r = RunThroughSudo({"ports", "map", "2", "/dev/ttyUSB0"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("\"%1\" is a symbolic link").arg(folder))) << r.err.toStdString();
    EXPECT_EQ(Owner(roots.path()), QStringLiteral("0:0"));
    EXPECT_TRUE(QDir(roots.path()).isEmpty());

    // A settings folder of root's in the user's home: refused the same way.
    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(QDir().mkdir(folder));
    r = RunThroughSudo({"ports", "map", "2", "/dev/ttyUSB0"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("\"%1\" belongs to root").arg(folder))) << r.err.toStdString();
    EXPECT_TRUE(QDir(folder).isEmpty());
    EXPECT_EQ(Owner(folder), QStringLiteral("0:0"));
}

} // namespace

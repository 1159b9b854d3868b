#include "FileLocations.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FileLocationsTest : public ::testing::Test {
protected:
    QString Folder(const QString& relative) const
    {
        QDir().mkpath(m_root.filePath(relative));
        return m_root.filePath(relative) + QLatin1Char('/');
    }
    QProcessEnvironment Environment(bool withXdg) const
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("HOME"), m_root.filePath(QStringLiteral("home")));
        if (withXdg) {
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.filePath(QStringLiteral("cfg")));
            env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.filePath(QStringLiteral("data")));
        }
        return env;
    }
    QTemporaryDir m_root;
};

TEST_F(FileLocationsTest, BuildTreeKeepsEverythingBesideTheProgram)
{
    const QString bin = Folder(QStringLiteral("build/dev/bin"));
    const TFileLocations files(bin, Environment(true));
    EXPECT_TRUE(files.Portable());
    EXPECT_EQ(files.ConfigFile(QStringLiteral("Tunebench.ini")), bin + QStringLiteral("Tunebench.ini"));
    EXPECT_EQ(files.DataFile(QStringLiteral("CFG/x.cfg")), bin + QStringLiteral("CFG/x.cfg"));
    EXPECT_EQ(files.LanguageFolders(), QStringList{bin});
}

#ifdef Q_OS_WIN
TEST_F(FileLocationsTest, InstalledProgramReadsItsFolderAndWritesIntoApplicationData)
{
    const QString program = Folder(QStringLiteral("Program Files/Tunebench"));
    QFile uninstaller(program + QLatin1String(TFileLocations::kWindowsUninstaller));
    ASSERT_TRUE(uninstaller.open(QIODevice::WriteOnly));
    uninstaller.close();
    QProcessEnvironment env = Environment(false);
    env.insert(QStringLiteral("APPDATA"), QDir::toNativeSeparators(m_root.filePath(QStringLiteral("Roaming"))));
    const TFileLocations files(program, env);
    const QString user = m_root.filePath(QStringLiteral("Roaming/Tunebench/"));
    EXPECT_FALSE(files.Portable());
    EXPECT_EQ(files.DataFile(QStringLiteral("CFG/x.cfg")), program + QStringLiteral("CFG/x.cfg"));
    EXPECT_EQ(files.ConfigFile(QStringLiteral("Tunebench.ini")), user + QStringLiteral("Tunebench.ini"));
    EXPECT_EQ(files.LanguageFolders(), (QStringList{user, program}));
}
#else
TEST_F(FileLocationsTest, InstalledProgramReadsTheShareFolderAndWritesIntoTheUsersFolders)
{
    const QString bin = Folder(QStringLiteral("usr/bin"));
    const QString share = Folder(QStringLiteral("usr/share/tunebench"));
    for (const bool withXdg : {true, false}) {
        const TFileLocations files(bin, Environment(withXdg));
        const QString config =
            m_root.filePath(withXdg ? QStringLiteral("cfg/tunebench/") : QStringLiteral("home/.config/tunebench/"));
        const QString data = m_root.filePath(withXdg ? QStringLiteral("data/tunebench/")
                                                     : QStringLiteral("home/.local/share/tunebench/"));
        EXPECT_FALSE(files.Portable());
        EXPECT_EQ(files.DataFile(QStringLiteral("TunebenchUserGuide.pdf")),
                  share + QStringLiteral("TunebenchUserGuide.pdf"));
        EXPECT_EQ(files.ConfigFile(QStringLiteral("Tunebench.ini")), config + QStringLiteral("Tunebench.ini"));
        EXPECT_TRUE(QDir(config).exists()) << "the settings folder is made before the first write";
        EXPECT_EQ(files.LanguageFolders(), (QStringList{data, share})) << "the user's own language files win";
    }
}

#endif

#ifndef Q_OS_WIN // the share folder of an installation is a POSIX layout
TEST_F(FileLocationsTest, UsersCopyOfAReadOnlyFileWinsOverTheShippedOne)
{
    const QString bin = Folder(QStringLiteral("opt/tb/bin"));
    const QString share = Folder(QStringLiteral("opt/tb/share/tunebench"));
    const TFileLocations files(bin, Environment(true));
    EXPECT_EQ(files.UserOrShippedFile(QStringLiteral("config.ini")), share + QStringLiteral("config.ini"));
    QFile own(files.ConfigFile(QStringLiteral("config.ini")));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.close();
    EXPECT_EQ(files.UserOrShippedFile(QStringLiteral("config.ini")), own.fileName());
}

TEST_F(FileLocationsTest, RelativeXdgFoldersAreIgnored)
{
    const QString bin = Folder(QStringLiteral("usr/bin"));
    Folder(QStringLiteral("usr/share/tunebench"));
    QProcessEnvironment env = Environment(false);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("relative/cfg"));
    const TFileLocations files(bin, env);
    EXPECT_EQ(files.ConfigFolder(), m_root.filePath(QStringLiteral("home/.config/tunebench/")));
}
#endif

} // namespace

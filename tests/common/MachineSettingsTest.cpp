#include "MachineSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

using ::testing::HasSubstr;

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class MachineSettingsTest : public ::testing::Test {
protected:
    QString Path() const { return m_dir.filePath(QStringLiteral("registry/VUREZIVO.ini")); }
    QTemporaryDir m_dir;
};

TEST_F(MachineSettingsTest, StringsAndIntegersKeepTheirTypes)
{
    TMachineSettings store(Path());
    ASSERT_TRUE(store.WriteInteger(QStringLiteral("COMPORT"), 3));
    ASSERT_TRUE(store.WriteString(QStringLiteral("Language"), QStringLiteral("German")));
    ASSERT_TRUE(store.WriteString(QStringLiteral("Number"), QStringLiteral("42")));

    const TMachineSettings again(Path());
    EXPECT_EQ(again.ReadInteger(QStringLiteral("COMPORT")), 3);
    EXPECT_EQ(again.ReadString(QStringLiteral("COMPORT")), std::nullopt);
    EXPECT_EQ(again.ReadString(QStringLiteral("Language")), QStringLiteral("German"));
    EXPECT_EQ(again.ReadInteger(QStringLiteral("Language")), std::nullopt);
    EXPECT_EQ(again.ReadString(QStringLiteral("Number")), QStringLiteral("42"));
    EXPECT_EQ(again.ReadInteger(QStringLiteral("Number")), std::nullopt);

    const std::string text = ReadBytes(Path()).toStdString();
    EXPECT_THAT(text, HasSubstr("COMPORT=dword:00000003"));
    EXPECT_THAT(text, HasSubstr("Language=sz:German"));
}

TEST_F(MachineSettingsTest, IntegersCoverTheirWholeRange)
{
    TMachineSettings store(Path());
    for (qint32 v : {0, -1, 1, 2147483647, -2147483647 - 1}) {
        ASSERT_TRUE(store.WriteInteger(QStringLiteral("V"), v));
        EXPECT_EQ(TMachineSettings(Path()).ReadInteger(QStringLiteral("V")), v);
    }
}

TEST_F(MachineSettingsTest, StringsKeepAnyText)
{
    TMachineSettings store(Path());
    const QString texts[] = {QString(),
                             QStringLiteral("C:\\Install\\"),
                             QStringLiteral("\\\\server\\share \\\"q\\\""),
                             QStringLiteral("/opt/tb dir/"),
                             QStringLiteral("a, b; c = \"d\""),
                             QStringLiteral("dword:1"),
                             QStringLiteral("\u00FC\u20AC\u0416"),
                             QStringLiteral(" padded ")};
    for (const QString& t : texts) {
        ASSERT_TRUE(store.WriteString(QStringLiteral("SourceDir"), t));
        EXPECT_EQ(TMachineSettings(Path()).ReadString(QStringLiteral("SourceDir")), t) << t.toStdString();
    }
}

TEST_F(MachineSettingsTest, MissingFileKeyOrValueReadsAsNotSet)
{
    const TMachineSettings none(Path());
    EXPECT_EQ(none.ReadString(QStringLiteral("Language")), std::nullopt);
    EXPECT_EQ(none.ReadInteger(QStringLiteral("COMPORT")), std::nullopt);
    EXPECT_FALSE(none.ValueExists(QStringLiteral("COMPORT")));
    EXPECT_FALSE(QFile::exists(Path())) << "reading creates nothing";

    TMachineSettings store(Path());
    ASSERT_TRUE(store.WriteString(QStringLiteral("Language"), QStringLiteral("English")));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("COMPORT")), std::nullopt);
    EXPECT_EQ(store.ReadString(QStringLiteral("Ports/COM3")), std::nullopt);
}

TEST_F(MachineSettingsTest, DeleteValueRemovesOnlyThatValue)
{
    TMachineSettings store(Path());
    ASSERT_TRUE(store.WriteString(QStringLiteral("SourceDir"), QStringLiteral("/media/install/")));
    ASSERT_TRUE(store.WriteInteger(QStringLiteral("COMPORT"), 2));
    ASSERT_TRUE(store.DeleteValue(QStringLiteral("SourceDir")));
    EXPECT_TRUE(store.DeleteValue(QStringLiteral("SourceDir"))) << "already gone is fine";
    EXPECT_EQ(store.ReadString(QStringLiteral("SourceDir")), std::nullopt);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("COMPORT")), 2);
}

TEST_F(MachineSettingsTest, SlashesReachSubkeysAndNamesIgnoreCase)
{
    TMachineSettings store(Path());
    ASSERT_TRUE(store.WriteString(QStringLiteral("Ports/COM3"), QStringLiteral("/dev/ttyUSB0")));
    ASSERT_TRUE(store.WriteInteger(QStringLiteral("ComPort"), 3));
    EXPECT_EQ(store.ReadString(QStringLiteral("ports/com3")), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("COMPORT")), 3);
    ASSERT_TRUE(store.WriteInteger(QStringLiteral("COMPORT"), 4));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("comport")), 4);
    const std::string text = ReadBytes(Path()).toStdString();
    EXPECT_THAT(text, HasSubstr("[Ports]"));
    EXPECT_THAT(text, HasSubstr("COM3=sz:/dev/ttyUSB0"));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("COMPORT"))) << "the stored spelling is kept";
}

TEST_F(MachineSettingsTest, HandWrittenValuesAreRead)
{
    ASSERT_TRUE(TMachineSettings(Path()).WriteString(QStringLiteral("x"), QString())); // creates the folder
    QFile f(Path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[General]\nCOMPORT=DWORD:0000000a\nLanguage=Deutsch\nBroken=dword:xyz\n");
    f.close();
    const TMachineSettings store(Path());
    EXPECT_EQ(store.ReadInteger(QStringLiteral("COMPORT")), 10);
    EXPECT_EQ(store.ReadString(QStringLiteral("Language")), QStringLiteral("Deutsch"));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Broken")), std::nullopt);
    EXPECT_EQ(store.ReadString(QStringLiteral("Broken")), std::nullopt);
}

TEST_F(MachineSettingsTest, AFailedWriteIsReported)
{
    QFile blocker(m_dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TMachineSettings store(blocker.fileName() + QStringLiteral("/VUREZIVO.ini"));
    EXPECT_FALSE(store.WriteInteger(QStringLiteral("COMPORT"), 1));
    EXPECT_THAT(store.ErrorString().toStdString(), HasSubstr("VUREZIVO.ini"));
}

TEST_F(MachineSettingsTest, AWriteChangesOnlyItsLineAndKeepsWhatAPersonWrote)
{
    const QByteArray byHand = "; my bench\n[General]\n# old style note\nCOMPORT=dword:00000001\nMine=a,b;c # x\n"
                              "junk without equals\n\n[Ports]\r\nCOM1=sz:/dev/ttyUSB0\r\n[Other]\nk=v\n";
    ASSERT_TRUE(TMachineSettings(Path()).WriteString(QStringLiteral("x"), QString())); // makes the folder
    QFile f(Path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(byHand);
    f.close();
    TMachineSettings store(Path());
    EXPECT_EQ(store.ReadString(QStringLiteral("Mine")), QStringLiteral("a,b;c # x"));
    ASSERT_TRUE(store.WriteInteger(QStringLiteral("COMPORT"), 2));
    ASSERT_TRUE(store.WriteString(QStringLiteral("Ports/COM2"), QStringLiteral("/dev/ttyUSB1")));
    QByteArray expected = byHand;
    expected.replace("dword:00000001", "dword:00000002").replace("ttyUSB0\r\n", "ttyUSB0\r\nCOM2=sz:/dev/ttyUSB1\r\n");
    EXPECT_EQ(ReadBytes(Path()), expected);
}

// Control bytes and the NULs a power cut leaves are text to the profile
// functions: the store is read, and a write changes only its own line.
TEST_F(MachineSettingsTest, AStoreWithControlBytesIsReadAndOnlyTheChangedLineIsWritten)
{
    ASSERT_TRUE(TMachineSettings(Path()).WriteString(QStringLiteral("x"), QString()));
    const QByteArray tail("\x01\x02\0\0", 4);
    QFile f(Path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[General]\nCOMPORT=dword:00000001\n" + tail);
    f.close();
    TMachineSettings store(Path());
    EXPECT_EQ(store.ReadInteger(QStringLiteral("COMPORT")), 1);
    ASSERT_TRUE(store.WriteInteger(QStringLiteral("COMPORT"), 2)) << store.ErrorString().toStdString();
    EXPECT_EQ(ReadBytes(Path()), "[General]\nCOMPORT=dword:00000002\n" + tail);
}

// The user's store: the earlier store stands in until the first write copies
// it; the system-wide file gives what neither has and is never written.
#ifndef Q_OS_WIN // the XDG layout of the user's store; Windows keeps it in the registry
TEST_F(MachineSettingsTest, TheUserStoreReadsTheEarlierStoreAndTheSystemDefaults)
{
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedDirs = qgetenv("XDG_CONFIG_DIRS");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("home"))));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_dir.filePath(QStringLiteral("etc"))));
    const QString user = m_dir.filePath(QStringLiteral("home/tunebench/VUREZIVO.ini"));
    const QString earlier = m_dir.filePath(QStringLiteral("home/Tunebench/VUREZIVO.ini"));
    const QString system = m_dir.filePath(QStringLiteral("etc/tunebench/VUREZIVO.ini"));
    for (const auto& [path, text] : {std::pair{earlier, QByteArray("[General]\nLanguage=sz:German\n; mine\n")},
                                     std::pair{system, QByteArray("[General]\nCOMPORT=dword:00000004\n")}}) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    EXPECT_EQ(TMachineSettings::DefaultPath(), user);
    TMachineSettings store;
    EXPECT_EQ(store.ReadString(QStringLiteral("Language")), QStringLiteral("German"));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("COMPORT")), 4);
    ASSERT_TRUE(store.WriteInteger(QStringLiteral("COMPORT"), 2));
    EXPECT_EQ(ReadBytes(user), "[General]\nLanguage=sz:German\nCOMPORT=dword:00000002\r\n; mine\n");
    EXPECT_EQ(ReadBytes(system), "[General]\nCOMPORT=dword:00000004\n");
    qputenv("XDG_CONFIG_HOME", savedConfig);
    qputenv("XDG_CONFIG_DIRS", savedDirs);
}
#endif

#ifndef Q_OS_WIN // sudo and its user database
TEST_F(MachineSettingsTest, UnderSudoTheStoreIsTheInvokingUsers)
{
    const passwd* user = ::getpwnam("nobody");
    if (::geteuid() != 0 || user == nullptr)
        GTEST_SKIP() << "needs root and a user 'nobody'";
    qputenv("SUDO_USER", "nobody");
    qputenv("SUDO_UID", QByteArray::number(user->pw_uid));
    qputenv("SUDO_GID", QByteArray::number(user->pw_gid));
    EXPECT_EQ(TMachineSettings::DefaultPath(),
              QFile::decodeName(user->pw_dir) + QStringLiteral("/.config/tunebench/VUREZIVO.ini"));
    for (const char* variable : {"SUDO_USER", "SUDO_UID", "SUDO_GID"})
        qunsetenv(variable);
    EXPECT_TRUE(TMachineSettings::DefaultPath().startsWith(QDir::tempPath()));
}
#endif

TEST_F(MachineSettingsTest, TheEnvironmentVariableNamesTheStore)
{
    const QByteArray saved = qgetenv(TMachineSettings::kPathVariable);
    qputenv(TMachineSettings::kPathVariable, QFile::encodeName(Path()));
    EXPECT_EQ(TMachineSettings::DefaultPath(), Path());
    TMachineSettings store;
    EXPECT_EQ(store.Path(), Path());
    ASSERT_TRUE(store.WriteInteger(QStringLiteral("COMPORT"), 5));
    EXPECT_EQ(TMachineSettings(Path()).ReadInteger(QStringLiteral("COMPORT")), 5);

    qunsetenv(TMachineSettings::kPathVariable);
#ifdef Q_OS_WIN
    // The registry key, which tests leave alone.
    EXPECT_EQ(TMachineSettings::DefaultPath(), QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\VUREZIVO"));
    if (!saved.isNull())
        qputenv(TMachineSettings::kPathVariable, saved);
    return;
#endif
    EXPECT_THAT(TMachineSettings::DefaultPath().toStdString(), HasSubstr("/tunebench/VUREZIVO.ini"));
    EXPECT_NE(TMachineSettings::DefaultPath(), Path());
    // Without the variable a test still stays out of the real home and /etc.
    EXPECT_TRUE(TMachineSettings::DefaultPath().startsWith(QDir::tempPath()));
    EXPECT_TRUE(QDir::homePath().startsWith(QDir::tempPath()));
    if (!saved.isNull())
        qputenv(TMachineSettings::kPathVariable, saved);
}

} // namespace

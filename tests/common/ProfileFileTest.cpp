#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using ::testing::HasSubstr;

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class ProfileFileTest : public ::testing::Test {
protected:
    QString PathWith(const QByteArray& bytes, const QString& name = QStringLiteral("test.ini"))
    {
        const QString path = m_dir.filePath(name);
        WriteBytes(path, bytes);
        return path;
    }
    QTemporaryDir m_dir;
};

// A file as people and other programs leave them: a line before the first
// section, comments, blank lines, spacing, LF-only line ends, Windows-1252
// bytes and a last line without its line end.
const QByteArray kReference = "; written by hand\r\n"
                              "stray line\r\n"
                              "[Form1]\r\n"
                              "Maximized=0\r\n"
                              "  Height = 590  \r\n"
                              "Width=815\n"
                              "not a key\r\n"
                              "; about the user section\r\n"
                              "\r\n"
                              "[User]\r\n"
                              "BaudrateIndex=1\r\n"
                              "Greeting=Gr\xFC\xDF"
                              "e \x80\r\n"
                              "[Tabsheets]\r\n"
                              "Start Position=5";

TEST_F(ProfileFileTest, SectionAndKeyNamesMatchWithoutRegardToCase)
{
    const TProfileFile f(PathWith(kReference));
    EXPECT_EQ(f.ReadString(QStringLiteral("FORM1"), QStringLiteral("maximized")), QStringLiteral("0"));
    EXPECT_EQ(f.ReadString(QStringLiteral("form1"), QStringLiteral("HEIGHT")), QStringLiteral("590"));
    EXPECT_EQ(f.ReadString(QStringLiteral(" tabsheets "), QStringLiteral("start position")), QStringLiteral("5"));
    EXPECT_EQ(f.ReadString(QStringLiteral("Form1"), QStringLiteral("Top"), QStringLiteral("dflt")),
              QStringLiteral("dflt"));
    EXPECT_EQ(f.ReadString(QStringLiteral("Nowhere"), QStringLiteral("Maximized"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST_F(ProfileFileTest, TheFirstOfRepeatedSectionsAndKeysCounts)
{
    const TProfileFile f(PathWith("[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nonly=4\r\n"));
    EXPECT_EQ(f.ReadString(QStringLiteral("A"), QStringLiteral("K")), QStringLiteral("1"));
    EXPECT_EQ(f.ReadString(QStringLiteral("A"), QStringLiteral("only"), QStringLiteral("none")),
              QStringLiteral("none"));
    EXPECT_EQ(f.Sections(), QStringList{QStringLiteral("A")});
    EXPECT_EQ(f.Keys(QStringLiteral("a")), QStringList{QStringLiteral("k")});
}

TEST_F(ProfileFileTest, ValuesAreRawTextTrimmedWithEnclosingQuotesRemoved)
{
    const TProfileFile f(PathWith("[S]\r\n"
                                  "list=a, b,c\r\n"
                                  "percent=100%20 %U0041\r\n"
                                  "spaced =  x y  \r\n"
                                  "double=\"quoted \"\r\n"
                                  "single='it'\r\n"
                                  "unbalanced=\"left\r\n"
                                  "mixed=\"a'\r\n"
                                  "equals=a=b\r\n"
                                  "empty=\r\n"
                                  "backslash=C:\\dir\\\r\n"));
    const auto read = [&](const char* key) { return f.ReadString(QStringLiteral("S"), QString::fromLatin1(key)); };
    EXPECT_EQ(read("list"), QStringLiteral("a, b,c"));
    EXPECT_EQ(read("percent"), QStringLiteral("100%20 %U0041"));
    EXPECT_EQ(read("spaced"), QStringLiteral("x y"));
    EXPECT_EQ(read("double"), QStringLiteral("quoted "));
    EXPECT_EQ(read("single"), QStringLiteral("it"));
    EXPECT_EQ(read("unbalanced"), QStringLiteral("\"left"));
    EXPECT_EQ(read("mixed"), QStringLiteral("\"a'"));
    EXPECT_EQ(read("equals"), QStringLiteral("a=b"));
    EXPECT_EQ(f.ReadString(QStringLiteral("S"), QStringLiteral("empty"), QStringLiteral("d")), QString());
    EXPECT_EQ(read("backslash"), QStringLiteral("C:\\dir\\"));
}

TEST_F(ProfileFileTest, AValueIsReadWithAtMost2047Characters)
{
    const QByteArray longValue(3000, 'x');
    const TProfileFile f(PathWith("[S]\r\nlong=" + longValue + "\r\nexact=" + QByteArray(2047, 'y') + "\r\n"));
    EXPECT_EQ(f.ReadString(QStringLiteral("S"), QStringLiteral("long")), QString(2047, QLatin1Char('x')));
    EXPECT_EQ(f.ReadString(QStringLiteral("S"), QStringLiteral("exact")).size(), 2047);
}

// Only the start of a huge line is kept; the file is then never rewritten,
// since writing it back would cut the line.
TEST_F(ProfileFileTest, AHugeLineIsReadInPartAndItsFileIsLeftAlone)
{
    const QByteArray bytes = "[S]\r\nhuge=" + QByteArray(3 * TProfileFile::kMaxLineBytes, 'x') + "\r\nafter=1\r\n";
    const QString path = PathWith(bytes);
    TProfileFile f(path);
    EXPECT_EQ(f.ReadString(QStringLiteral("S"), QStringLiteral("huge")), QString(2047, QLatin1Char('x')));
    EXPECT_EQ(f.ReadInteger(QStringLiteral("S"), QStringLiteral("after"), 0), 1);
    EXPECT_FALSE(f.WriteInteger(QStringLiteral("S"), QStringLiteral("after"), 2));
    EXPECT_THAT(f.ErrorString().toStdString(), HasSubstr("line 2 is longer than"));
    EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(ProfileFileTest, LinesMayEndInLfAloneOrNothing)
{
    const TProfileFile f(PathWith("[S]\na=1\nb=2\r\nc=3"));
    EXPECT_EQ(f.ReadString(QStringLiteral("S"), QStringLiteral("a")), QStringLiteral("1"));
    EXPECT_EQ(f.ReadString(QStringLiteral("S"), QStringLiteral("b")), QStringLiteral("2"));
    EXPECT_EQ(f.ReadString(QStringLiteral("S"), QStringLiteral("c")), QStringLiteral("3"));
}

// Files that Windows' profile functions read, each read as they read it, then
// one key written and the whole file compared: Windows reads the written
// value back, and every other byte stays.
QByteArray Utf16(QStringConverter::Encoding byteOrder, const QString& text)
{
    QStringEncoder encoder(byteOrder, QStringConverter::Flag::WriteBom);
    return encoder(text);
}

struct WindowsReadCase {
    const char* name;
    QByteArray file;
    QString key; // in section S
    QString read;
    QString writeKey;
    QString written;
    QByteArray after;
};

void PrintTo(const WindowsReadCase& c, std::ostream* os) { *os << c.name; }

class WindowsReadTest : public ::testing::TestWithParam<WindowsReadCase> {};

TEST_P(WindowsReadTest, ReadsAndWritesBackAsWindowsReadsIt)
{
    const WindowsReadCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("test.ini"));
    WriteBytes(path, c.file);
    TProfileFile f(path);
    EXPECT_EQ(f.ReadString(QStringLiteral("S"), c.key, QStringLiteral("<none>")), c.read);
    ASSERT_TRUE(f.WriteString(QStringLiteral("S"), c.writeKey, c.written)) << f.ErrorString().toStdString();
    EXPECT_EQ(ReadBytes(path).toHex(' ').toStdString(), c.after.toHex(' ').toStdString());
    EXPECT_EQ(TProfileFile(path).ReadString(QStringLiteral("S"), c.writeKey), c.written);
}

const QString kNbsp(QChar(0xA0));

INSTANTIATE_TEST_SUITE_P(
    ProfileFile, WindowsReadTest,
    ::testing::Values(
        WindowsReadCase{"CarriageReturnAlone", "; settings\r[S]\rTop=10\rLeft=20\r", QStringLiteral("Left"),
                        QStringLiteral("20"), QStringLiteral("Left"), QStringLiteral("21"),
                        "; settings\r[S]\rTop=10\rLeft=21\r"},
        WindowsReadCase{"CarriageReturnAloneInACrLfFile", "[S]\r\na=1\rb=2\r\n", QStringLiteral("b"),
                        QStringLiteral("2"), QStringLiteral("b"), QStringLiteral("3"), "[S]\r\na=1\rb=3\r\n"},
        WindowsReadCase{"ControlByteIsText",
                        "[S]\r\nv=a\x01"
                        "b\r\nk=1\r\n",
                        QStringLiteral("v"), QStringLiteral("a\u0001b"), QStringLiteral("k"), QStringLiteral("2"),
                        "[S]\r\nv=a\x01"
                        "b\r\nk=2\r\n"},
        WindowsReadCase{"NulsAtTheEnd", QByteArray("[S]\r\nk=1\r\n\0\0\0\0", 14), QStringLiteral("k"),
                        QStringLiteral("1"), QStringLiteral("k"), QStringLiteral("2"),
                        QByteArray("[S]\r\nk=2\r\n\0\0\0\0", 14)},
        WindowsReadCase{"NulEndsAValue", QByteArray("[S]\r\nv=ab\0cd\r\n", 14), QStringLiteral("v"),
                        QStringLiteral("ab"), QStringLiteral("v"), QStringLiteral("x"), "[S]\r\nv=x\r\n"},
        WindowsReadCase{"Utf16LittleEndian", Utf16(QStringConverter::Utf16LE, QStringLiteral("[S]\r\nk=\u20AC1\r\n")),
                        QStringLiteral("k"), QStringLiteral("\u20AC1"), QStringLiteral("n"), QStringLiteral("\u0416"),
                        Utf16(QStringConverter::Utf16LE, QStringLiteral("[S]\r\nk=\u20AC1\r\nn=\u0416\r\n"))},
        WindowsReadCase{"Utf16BigEndian", Utf16(QStringConverter::Utf16BE, QStringLiteral("[S]\nk=1")),
                        QStringLiteral("k"), QStringLiteral("1"), QStringLiteral("New"), QStringLiteral("\u0416"),
                        Utf16(QStringConverter::Utf16BE, QStringLiteral("[S]\nk=1\r\nNew=\u0416\r\n"))},
        WindowsReadCase{"NoBreakSpaceIsNoBlank", "[S]\r\n\xA0v\xA0 = \xA0x\xA0\r\n", kNbsp + "v" + kNbsp,
                        kNbsp + "x" + kNbsp, kNbsp + "v" + kNbsp, kNbsp + "y" + kNbsp,
                        "[S]\r\n\xA0v\xA0=\xA0y\xA0\r\n"},
        WindowsReadCase{"DosEndOfFileIsABlank", "[S]\r\nk=1\x1A", QStringLiteral("k"), QStringLiteral("1"),
                        QStringLiteral("k"), QStringLiteral("2"), "[S]\r\nk=2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProfileFileTest, CommentsStrayLinesAndEmptySectionsHoldNoKeys)
{
    const TProfileFile f(PathWith("k=0\r\n[S]\r\n;k=1\r\nnot a key\r\nk=2\r\n[Empty]\r\n; nothing\r\n"));
    EXPECT_EQ(f.ReadString(QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("2"));
    EXPECT_EQ(f.ReadString(QStringLiteral("S"), QStringLiteral(";k"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(f.Keys(QStringLiteral("S")), QStringList{QStringLiteral("k")});
    EXPECT_EQ(f.Sections(), (QStringList{QStringLiteral("S"), QStringLiteral("Empty")}));
    EXPECT_TRUE(f.SectionExists(QStringLiteral("s")));
    EXPECT_FALSE(f.SectionExists(QStringLiteral("Empty")));
    EXPECT_FALSE(f.SectionExists(QStringLiteral("Missing")));
    EXPECT_TRUE(f.KeyExists(QStringLiteral("S"), QStringLiteral("K")));
    EXPECT_FALSE(f.KeyExists(QStringLiteral("S"), QStringLiteral("x")));
}

TEST_F(ProfileFileTest, IntegersFollowTheClassicIniClass)
{
    const struct {
        const char* text;
        int expected;
    } cases[] = {{"12", 12},
                 {"-5", -5},
                 {"+7", 7},
                 {"$1F", 31},
                 {"0x10", 16},
                 {"0X10", 16},
                 {"x10", 16},
                 {"2147483647", 2147483647},
                 {"-2147483648", -2147483647 - 1},
                 {"2147483648", 99},
                 {"12abc", 99},
                 {"abc", 99},
                 {"", 99},
                 {"1 2", 99},
                 {"1.5", 99},
                 {"\"42\"", 42}};
    for (const auto& c : cases) {
        const TProfileFile f(PathWith(QByteArray("[S]\r\nv=") + c.text + "\r\n"));
        EXPECT_EQ(f.ReadInteger(QStringLiteral("S"), QStringLiteral("v"), 99), c.expected) << c.text;
    }
    const TProfileFile f(PathWith("[S]\r\n"));
    EXPECT_EQ(f.ReadInteger(QStringLiteral("S"), QStringLiteral("missing"), -3), -3);
}

TEST_F(ProfileFileTest, BooleansAreIntegersZeroOrNot)
{
    const TProfileFile f(PathWith("[S]\r\none=1\r\nzero=0\r\ntwo=2\r\nminus=-1\r\nword=true\r\n"));
    const auto read = [&](const char* key, bool dflt) {
        return f.ReadBool(QStringLiteral("S"), QString::fromLatin1(key), dflt);
    };
    EXPECT_TRUE(read("one", false));
    EXPECT_FALSE(read("zero", true));
    EXPECT_TRUE(read("two", false));
    EXPECT_TRUE(read("minus", false));
    EXPECT_TRUE(read("word", true));
    EXPECT_FALSE(read("word", false));
    EXPECT_TRUE(read("missing", true));
}

TEST_F(ProfileFileTest, BytesAreWindows1252BothWays)
{
    const QString path = PathWith(kReference);
    TProfileFile f(path);
    EXPECT_EQ(f.ReadString(QStringLiteral("User"), QStringLiteral("Greeting")),
              QStringLiteral("Gr\u00FC\u00DFe \u20AC"));
    ASSERT_TRUE(f.WriteString(QStringLiteral("User"), QStringLiteral("Greeting"),
                              QStringLiteral("\u20AC \u00E9 \u0416 \u2122")));
    EXPECT_THAT(ReadBytes(path).toStdString(), HasSubstr("Greeting=\x80 \xE9 ? \x99\r\n"));
    EXPECT_EQ(f.ReadString(QStringLiteral("User"), QStringLiteral("Greeting")),
              QStringLiteral("\u20AC \u00E9 ? \u2122"));
}

TEST_F(ProfileFileTest, AUtf8FileWithByteOrderMarkStaysUtf8)
{
    const QString path = PathWith("\xEF\xBB\xBF[Form1]\r\nlbl.Caption=\xC3\xA4\xE2\x82\xAC\r\n");
    TProfileFile f(path);
    EXPECT_EQ(f.ReadString(QStringLiteral("form1"), QStringLiteral("lbl.caption")), QStringLiteral("\u00E4\u20AC"));
    ASSERT_TRUE(f.WriteString(QStringLiteral("Form1"), QStringLiteral("other.Caption"), QStringLiteral("\u0416")));
    EXPECT_EQ(ReadBytes(path), QByteArray("\xEF\xBB\xBF[Form1]\r\nlbl.Caption=\xC3\xA4\xE2\x82\xAC\r\n"
                                          "other.Caption=\xD0\x96\r\n"));
}

TEST_F(ProfileFileTest, WritingTheSameValueLeavesTheFileUntouched)
{
    const QString path = PathWith(kReference);
    TProfileFile f(path);
    EXPECT_TRUE(f.WriteString(QStringLiteral("form1"), QStringLiteral("MAXIMIZED"), QStringLiteral("0")));
    EXPECT_TRUE(f.WriteInteger(QStringLiteral("Form1"), QStringLiteral("Height"), 590));
    EXPECT_TRUE(f.WriteBool(QStringLiteral("Form1"), QStringLiteral("Maximized"), false));
    EXPECT_TRUE(f.DeleteKey(QStringLiteral("Form1"), QStringLiteral("Missing")));
    EXPECT_TRUE(f.EraseSection(QStringLiteral("Missing")));
    EXPECT_EQ(ReadBytes(path), kReference);
}

TEST_F(ProfileFileTest, AChangedValueRewritesOnlyItsLine)
{
    const QString path = PathWith(kReference);
    TProfileFile f(path);
    ASSERT_TRUE(f.WriteBool(QStringLiteral("FORM1"), QStringLiteral("maximized"), true));
    ASSERT_TRUE(f.WriteInteger(QStringLiteral("Form1"), QStringLiteral("height"), 600));
    QByteArray expected = kReference;
    expected.replace("Maximized=0\r\n", "Maximized=1\r\n");
    expected.replace("  Height = 590  \r\n", "Height=600\r\n");
    EXPECT_EQ(ReadBytes(path), expected);

    ASSERT_TRUE(f.WriteBool(QStringLiteral("Form1"), QStringLiteral("Maximized"), false));
    expected.replace("Maximized=1\r\n", "Maximized=0\r\n");
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST_F(ProfileFileTest, NewKeysFollowTheLastKeyOfTheirSection)
{
    const QString path = PathWith(kReference);
    TProfileFile f(path);
    ASSERT_TRUE(f.WriteInteger(QStringLiteral("Form1"), QStringLiteral("Top"), 10));
    ASSERT_TRUE(f.WriteString(QStringLiteral("Tabsheets"), QStringLiteral("1"), QStringLiteral("0")));
    QByteArray expected = kReference;
    expected.replace("Width=815\n", "Width=815\nTop=10\r\n");
    expected.append("\r\n1=0\r\n");
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST_F(ProfileFileTest, ANewFileIsCrLfWithABlankLineBetweenSections)
{
    const QString path = m_dir.filePath(QStringLiteral("German.lng"));
    TProfileFile f(path);
    EXPECT_EQ(f.ReadString(QStringLiteral("Form1"), QStringLiteral("x"), QStringLiteral("d")), QStringLiteral("d"));
    ASSERT_TRUE(f.WriteString(QStringLiteral("Form1"), QStringLiteral("Label50.Caption"),
                              QStringLiteral("Installation abgeschlossen !")));
    ASSERT_TRUE(f.WriteString(QStringLiteral("Form1"), QStringLiteral("Label50.Hint"), QString()));
    ASSERT_TRUE(f.WriteString(QStringLiteral("DialogsForm"), QStringLiteral("lblYes.Caption"), QStringLiteral("Ja")));
    EXPECT_EQ(ReadBytes(path), QByteArray("[Form1]\r\n"
                                          "Label50.Caption=Installation abgeschlossen !\r\n"
                                          "Label50.Hint=\r\n"
                                          "\r\n"
                                          "[DialogsForm]\r\n"
                                          "lblYes.Caption=Ja\r\n"));
}

TEST_F(ProfileFileTest, EraseSectionRemovesEverySectionOfTheName)
{
    const QString path = PathWith("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n\r\n[C]\r\nw=4\r\n\r\n[b]\r\nv=5\r\n");
    TProfileFile f(path);
    ASSERT_TRUE(f.EraseSection(QStringLiteral("a")));
    EXPECT_EQ(ReadBytes(path), QByteArray("[B]\r\ny=2\r\n[C]\r\nw=4\r\n\r\n[b]\r\nv=5\r\n"));
    ASSERT_TRUE(f.EraseSection(QStringLiteral("B")));
    EXPECT_EQ(ReadBytes(path), QByteArray("[C]\r\nw=4\r\n"));

    // Two copies with a blank line between them: the line is in the first one.
    const QString twice = PathWith("[A]\r\n\r\n[a]\r\n", QStringLiteral("twice.ini"));
    TProfileFile g(twice);
    ASSERT_TRUE(g.EraseSection(QStringLiteral("a")));
    EXPECT_EQ(ReadBytes(twice), QByteArray());
}

TEST_F(ProfileFileTest, DeleteKeyRemovesTheKeysLine)
{
    const QString path = PathWith("[A]\r\nx=1\r\ny=2\r\n");
    TProfileFile f(path);
    ASSERT_TRUE(f.DeleteKey(QStringLiteral("a"), QStringLiteral("X")));
    EXPECT_EQ(ReadBytes(path), QByteArray("[A]\r\ny=2\r\n"));
    EXPECT_FALSE(f.KeyExists(QStringLiteral("A"), QStringLiteral("x")));
}

TEST_F(ProfileFileTest, TwoObjectsOnOneFileSeeEachOthersWrites)
{
    // Tunebench.ini is both the position file and the user settings file.
    const QString path = m_dir.filePath(QStringLiteral("Tunebench.ini"));
    TProfileFile positions(path);
    TProfileFile user(path);
    EXPECT_EQ(user.ReadInteger(QStringLiteral("User"), QStringLiteral("BaudrateIndex"), 1), 1);
    ASSERT_TRUE(positions.WriteBool(QStringLiteral("Form1"), QStringLiteral("Maximized"), false));
    ASSERT_TRUE(user.WriteInteger(QStringLiteral("User"), QStringLiteral("BaudrateIndex"), 2));
    for (int i = 0; i < 20; ++i) { // same size, back to back
        ASSERT_TRUE(positions.WriteInteger(QStringLiteral("Form1"), QStringLiteral("Top"), i % 10));
        EXPECT_EQ(user.ReadInteger(QStringLiteral("Form1"), QStringLiteral("Top"), -1), i % 10);
    }
    EXPECT_EQ(positions.ReadInteger(QStringLiteral("User"), QStringLiteral("BaudrateIndex"), 1), 2);
    EXPECT_EQ(ReadBytes(path), QByteArray("[Form1]\r\nMaximized=0\r\nTop=9\r\n\r\n[User]\r\nBaudrateIndex=2\r\n"));
}

TEST_F(ProfileFileTest, ABatchWritesOnceAtItsEnd)
{
    const QString path = m_dir.filePath(QStringLiteral("batch.lng"));
    TProfileFile f(path);
    f.BeginUpdate();
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(f.WriteString(QStringLiteral("Form1"), QStringLiteral("Label%1.Caption").arg(i),
                                  QStringLiteral("T%1").arg(i)));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(f.ReadString(QStringLiteral("Form1"), QStringLiteral("Label7.Caption")), QStringLiteral("T7"));
    ASSERT_TRUE(f.EndUpdate());
    EXPECT_EQ(TProfileFile(path).Keys(QStringLiteral("Form1")).size(), 50);
}

TEST_F(ProfileFileTest, TextThatTheFormatCannotHoldIsRefused)
{
    const QString path = PathWith(kReference);
    TProfileFile f(path);
    EXPECT_FALSE(f.WriteString(QStringLiteral("User"), QStringLiteral("k"), QStringLiteral("two\r\nlines")));
    EXPECT_THAT(f.ErrorString().toStdString(), HasSubstr("line break"));
    EXPECT_FALSE(f.WriteString(QStringLiteral("User"), QStringLiteral("k"), QStringLiteral("a") + QChar(0)));
    EXPECT_FALSE(f.WriteString(QStringLiteral("User"), QStringLiteral("a=b"), QStringLiteral("v")));
    EXPECT_FALSE(f.WriteString(QStringLiteral("User"), QStringLiteral(";c"), QStringLiteral("v")));
    EXPECT_FALSE(f.WriteString(QStringLiteral("User"), QStringLiteral(" "), QStringLiteral("v")));
    EXPECT_FALSE(f.WriteString(QString(), QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_EQ(ReadBytes(path), kReference);

    f.BeginUpdate();
    EXPECT_TRUE(f.WriteString(QStringLiteral("User"), QStringLiteral("ok"), QStringLiteral("1")));
    EXPECT_FALSE(f.WriteString(QStringLiteral("User"), QStringLiteral("bad"), QStringLiteral("\n")));
    EXPECT_FALSE(f.EndUpdate()) << "a batch with a refused write reports it";
    EXPECT_EQ(TProfileFile(path).ReadString(QStringLiteral("User"), QStringLiteral("ok")), QStringLiteral("1"));
}

TEST_F(ProfileFileTest, AFailedWriteIsReportedAndNotShownAsWritten)
{
    const QString blocker = PathWith("a plain file");
    const QString path = blocker + QStringLiteral("/Tunebench.ini"); // its folder is a file
    TProfileFile f(path);
    EXPECT_FALSE(f.WriteInteger(QStringLiteral("User"), QStringLiteral("BaudrateIndex"), 2));
    EXPECT_THAT(f.ErrorString().toStdString(), HasSubstr(path.toStdString()));
    EXPECT_EQ(f.ReadInteger(QStringLiteral("User"), QStringLiteral("BaudrateIndex"), 1), 1);
}

#ifndef Q_OS_WIN // POSIX permissions
TEST_F(ProfileFileTest, AFailedWriteIntoAReadOnlyFolderIsReportedAndKeepsTheFile)
{
    const QString folder = m_dir.filePath(QStringLiteral("readonly"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QString path = folder + QStringLiteral("/Tunebench.ini");
    WriteBytes(path, kReference);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    // The super-user writes into any folder; procfs refuses new files to everyone.
    const bool privileged = ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
    if (privileged)
        path = QStringLiteral("/proc/tunebench-profile-test.ini");

    TProfileFile f(path);
    EXPECT_FALSE(f.WriteInteger(QStringLiteral("User"), QStringLiteral("BaudrateIndex"), 3));
    EXPECT_THAT(f.ErrorString().toStdString(), HasSubstr(path.toStdString()));
    if (!privileged) {
        EXPECT_EQ(ReadBytes(path), kReference);
        EXPECT_EQ(f.ReadInteger(QStringLiteral("User"), QStringLiteral("BaudrateIndex"), -1), 1);
    }
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

#endif

} // namespace

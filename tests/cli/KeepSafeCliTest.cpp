// Guards, backup, verify and the journal of writes: the real tunebench-cli
// against the simulator.
#include "WriteJournal.h"
#include "support/CliProcess.h"
#include "support/SimHarness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using tbtest::CliResult;
using tbtest::RunCli;
using tbtest::SimHarness;

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return path;
}

struct GuardCase {
    const char* name;
    const char* profile;
    QStringList cliArgs; // "MENU" and "BACKUP" stand for files of the test
    QString answered;    // what the refusal names as answering
};

class DeviceGuardCli : public ::testing::TestWithParam<GuardCase> {};

TEST_P(DeviceGuardCli, WrongKindOfDeviceGetsNothingWritten)
{
    const GuardCase& c = GetParam();
    QTemporaryDir dir;
    QStringList args;
    for (const QString& arg : c.cliArgs)
        args << (arg == QLatin1String("MENU")     ? WriteFile(dir, "menu.txt", "1 29 0 33\n")
                 : arg == QLatin1String("BACKUP") ? WriteFile(dir, "backup.mnu", "REM kind: repeater\n1 02 0 07\n")
                                                  : arg);
    SimHarness sim({QStringLiteral("--profile"), QLatin1String(c.profile)});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    const CliResult r = RunCli(QStringList{QStringLiteral("--port"), sim.portPath()} + args);
    EXPECT_EQ(r.exitCode, 5) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(c.answered)) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("needs"))) << r.err.toStdString();
    ASSERT_TRUE(sim.stop());
    EXPECT_TRUE(sim.writeLines().isEmpty());
    EXPECT_TRUE(sim.logLines().filter(QStringLiteral("DEFAULT")).isEmpty());
}

const QString kRepeaterAnswered = QStringLiteral("\"Repeater Connected\"");
const QString kHandsetAnswered = QStringLiteral("\"PP Connected\"");

INSTANTIATE_TEST_SUITE_P(
    Commands, DeviceGuardCli,
    ::testing::Values(
        GuardCase{"TextWrite", "repeater-multi", {"handset", "text", "write", "HI"}, kRepeaterAnswered},
        GuardCase{"Transducer", "repeater-multi", {"handset", "transducer", "new"}, kRepeaterAnswered},
        GuardCase{"GainWrite", "repeater-multi", {"handset", "gain", "write", "3", "3"}, kRepeaterAnswered},
        GuardCase{"HandsfreeWrite", "repeater-multi", {"handset", "handsfree", "write", "3", "3"}, kRepeaterAnswered},
        GuardCase{"HandsfreeReset", "repeater-multi", {"handset", "handsfree", "reset"}, kRepeaterAnswered},
        GuardCase{"MenuPlay", "repeater-multi", {"menu", "play", "MENU"}, kRepeaterAnswered},
        GuardCase{"Restore", "handset", {"restore", "BACKUP"}, kHandsetAnswered},
        // a repeater's backup played as a menu would give a handset a repeater's identity cells
        GuardCase{"MenuPlayOfAnotherKindsBackup", "handset", {"menu", "play", "BACKUP"}, kHandsetAnswered},
        GuardCase{"RepeaterWrite",
                  "handset",
                  {"repeater", "write", "--code", "10000000040", "--base", "5", "--repeater", "3", "--busy", "2"},
                  kHandsetAnswered},
        GuardCase{"DefaultHandset", "repeater-multi", {"default", "handset"}, kRepeaterAnswered},
        GuardCase{"DefaultRepeater", "handset", {"default", "repeater"}, kHandsetAnswered},
        GuardCase{"DefaultBase", "handset", {"default", "base"}, kHandsetAnswered},
        GuardCase{"UnplacedDevice", "base", {"handset", "gain", "write", "3", "3"}, "--force"}),
    [](const ::testing::TestParamInfo<GuardCase>& info) { return std::string(info.param.name); });

TEST(DeviceGuardCli, ForceWritesIntoADeviceTheDetectionCannotPlace)
{
    SimHarness sim({QStringLiteral("--profile"), QStringLiteral("base")});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    const CliResult r = RunCli({"--port", sim.portPath(), "handset", "gain", "write", "3", "3", "--force"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(sim.stop());
    EXPECT_EQ(sim.writeLines(), QStringList({"WRITE 0029 33"}));
}

class BackupCli : public ::testing::TestWithParam<const char*> {};

// Backup, change, verify (the changed lines), play the backup, verify again.
TEST_P(BackupCli, BackupFindsTheChangesAndPutsThemBack)
{
    SimHarness sim({QStringLiteral("--profile"), QLatin1String(GetParam())});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    const QStringList port{"--port", sim.portPath(), "--baud",
                           QLatin1String(GetParam()) == QLatin1String("handset") ? "9600" : "115200"};
    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("before.mnu"));

    CliResult r = RunCli(port + QStringList{"backup", backup});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("100 %\n"))) << r.err.toStdString();
    QFile file(backup);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("REM kind: handset\r\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("REM identity: "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("REM range: 0000 001D 0029 003E 0040-0044 0196-01C5\r\n")));

    ASSERT_EQ(RunCli(port + QStringList{"handset", "gain", "write", "3", "3"}).exitCode, 0);
    ASSERT_EQ(RunCli(port + QStringList{"write", "0197", "48", "49"}).exitCode, 0);
    r = RunCli(port + QStringList{"menu", "verify", backup});
    EXPECT_EQ(r.exitCode, 7) << r.err.toStdString();
    const QStringList differences = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(differences.size(), 2) << r.out.toStdString();
    EXPECT_TRUE(differences[0].contains(QStringLiteral(": 0029 device 33 file "))) << r.out.toStdString();
    EXPECT_TRUE(differences[1].contains(QStringLiteral(": 0197 device 48 49 file 41 56"))) << r.out.toStdString();

    ASSERT_EQ(RunCli(port + QStringList{"menu", "play", backup}).exitCode, 0);
    r = RunCli(port + QStringList{"menu", "verify", backup});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << r.out.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Rates, BackupCli, ::testing::Values("handset", "handset-8240"));

// The cells of a backup's "REM range: 0000 0040-0044" line.
std::set<int> RangeCells(const QString& backupText)
{
    std::set<int> cells;
    const QString key = QStringLiteral("REM range: ");
    const qsizetype at = backupText.indexOf(key);
    const QString line = backupText.mid(at + key.size()).section(QLatin1Char('\r'), 0, 0);
    for (const QString& run : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const int from = run.section(QLatin1Char('-'), 0, 0).toInt(nullptr, 16);
        const int to = run.contains(QLatin1Char('-')) ? run.section(QLatin1Char('-'), 1, 1).toInt(nullptr, 16) : from;
        for (int cell = from; cell <= to; ++cell)
            cells.insert(cell);
    }
    return cells;
}

// Whatever a command writes on a device, that kind's backup holds, so that a
// restore puts it back. The pages write through the same device sequences.
TEST(BackupCli, HoldsEveryCellThatAWritingCommandWrites)
{
    const QStringList repeaterFields{"--code",       "10000000040", "--base",     "5", "--repeater",     "3",
                                     "--busy",       "2",           "--alt-base", "1", "--alt-repeater", "4",
                                     "--debug-beep", "on"};
    const struct {
        QStringList profile;
        QList<QStringList> commands;
    } devices[] = {
        {{"--profile", "handset"},
         {{"handset", "text", "write", "HELLO"},
          {"handset", "transducer", "old"},
          {"handset", "gain", "write", "3", "3"}}},
        {{"--profile", "handset-8240", "--baud", "9600"},
         {{"handset", "text", "write", "--three-line", "ONE", "TWO", "THREE"},
          {"handset", "handsfree", "write", "3", "3"},
          {"handset", "handsfree", "reset"}}},
        {{"--profile", "repeater-multi", "--alt-sync", "on"},
         {QStringList{"repeater", "write"} + repeaterFields,
          QStringList{"repeater", "write", "--layout", "single", "--force", "--code", "17", "--base", "1", "--repeater",
                      "2", "--busy", "3", "--alt-base", "1", "--alt-repeater", "2"}}},
        {{"--profile", "repeater-single", "--alt-sync", "on"},
         {{"repeater", "write", "--layout", "single", "--code", "17", "--base", "1", "--repeater", "2", "--busy", "3",
           "--alt-base", "1", "--alt-repeater", "2", "--debug-beep", "on"}}},
    };
    for (const auto& device : devices) {
        const std::string name = device.profile.join(' ').toStdString();
        SimHarness sim(device.profile);
        ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
        const QStringList port{"--port", sim.portPath()};
        for (const QStringList& command : device.commands) {
            const CliResult r = RunCli(port + command);
            EXPECT_EQ(r.exitCode, 0) << command.join(' ').toStdString() << ": " << r.err.toStdString();
        }
        QTemporaryDir dir;
        const QString backup = dir.filePath(QStringLiteral("backup.mnu"));
        const CliResult r = RunCli(port + QStringList{"backup", backup});
        ASSERT_EQ(r.exitCode, 0) << name << ": " << r.err.toStdString();
        QFile file(backup);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const std::set<int> held = RangeCells(QString::fromLatin1(file.readAll()));
        ASSERT_TRUE(sim.stop());
        const QStringList writes = sim.writeLines();
        EXPECT_FALSE(writes.isEmpty()) << name;
        for (const QString& write : writes) { // "WRITE 0044 10 00 00 08"
            const QStringList fields = write.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            const int address = fields.value(1).toInt(nullptr, 16);
            for (int k = 0; k + 2 < fields.size(); ++k)
                EXPECT_TRUE(held.count(address + k)) << name << ": " << write.toStdString() << " cell "
                                                     << QString::number(address + k, 16).toStdString();
        }
    }
}

TEST(BackupCliFaults, ACellWithoutAnswerLeavesNoFile)
{
    SimHarness sim({QStringLiteral("--silent"), QStringLiteral("0196")});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("backup.mnu"));
    const CliResult r = RunCli({"--port", sim.portPath(), "backup", backup});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("cell 0196 got no valid answer; no backup was written")))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(backup));
}

// A backup onto a pipe or a link is refused before the device is read, and
// leaves what stood there as it was.
TEST(BackupCliFaults, ABackupReplacesOnlyARegularFile)
{
    SimHarness sim;
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    QTemporaryDir dir;
    const QString target = WriteFile(dir, "earlier.mnu", "REM earlier\r\n");
    const QString link = dir.filePath(QStringLiteral("link.mnu"));
    ASSERT_TRUE(QFile::link(target, link));
    const QString fifo = dir.filePath(QStringLiteral("backup.fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {link, fifo}) {
        const CliResult r = RunCli({"--port", sim.portPath(), "backup", path, "--range", "0000-0001"});
        EXPECT_EQ(r.exitCode, 1) << path.toStdString();
        EXPECT_TRUE(r.err.contains(path) && r.err.contains(QStringLiteral("nothing was read or replaced")))
            << r.err.toStdString();
    }
    EXPECT_TRUE(QFileInfo(link).isSymbolicLink());
    QFile earlier(target);
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "REM earlier\r\n");
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    EXPECT_TRUE(sim.writeLines().isEmpty());
}

// A backup that cannot be written whole (the child's file size limit stands for
// a full disk) is reported and leaves the earlier file as it was.
TEST(BackupCliFaults, ABackupThatCannotBeWrittenWholeLeavesTheEarlierOne)
{
    SimHarness sim;
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    QTemporaryDir dir;
    const QString backup = WriteFile(dir, "backup.mnu", "REM earlier\r\n");
    QProcess cli;
    cli.setChildProcessModifier([] {
        const rlimit full{128, 128};
        ::setrlimit(RLIMIT_FSIZE, &full);
    });
    cli.start(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench-cli"),
              {"--port", sim.portPath(), "backup", backup});
    ASSERT_TRUE(cli.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(backup + QStringLiteral(": "))) << err.toStdString();
    QFile file(backup);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "REM earlier\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"backup.mnu"}));
}

// A device's identity is its own: a backup of handset A played into handset B
// restores B's settings and leaves B's identity; verify names it apart.
TEST(IdentityCli, RestoreIntoAnotherHandsetKeepsItsIdentity)
{
    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("a.mnu"));
    {
        SimHarness a({QStringLiteral("--set"), QStringLiteral("0029=33")});
        ASSERT_TRUE(a.start()) << a.errorString().toStdString();
        ASSERT_EQ(RunCli({"--port", a.portPath(), "backup", backup}).exitCode, 0);
    }
    SimHarness b({QStringLiteral("--set"), QStringLiteral("0040=00,04,D0,00,01")});
    ASSERT_TRUE(b.start()) << b.errorString().toStdString();
    const QStringList port{"--port", b.portPath()};

    CliResult r = RunCli(port + QStringList{"restore", "--write-identity", backup});
    EXPECT_EQ(r.exitCode, 5) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("identity is 00077 0000001 9"))) << r.err.toStdString();

    r = RunCli(port + QStringList{"restore", backup});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(
        QStringLiteral("identity kept: the device's is 00077 0000001 9, the file was read from 00077 0332340 2")))
        << r.err.toStdString();

    r = RunCli(port + QStringList{"menu", "verify", backup});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral(": 0042 identity device D0 00 01 file D5 12 34\n")))
        << r.out.toStdString();
    ASSERT_TRUE(b.stop());
    const QStringList writes = b.writeLines();
    EXPECT_FALSE(writes.isEmpty());
    EXPECT_TRUE(writes.contains(QStringLiteral("WRITE 0029 33"))) << writes.join(' ').toStdString();
    EXPECT_TRUE(writes.filter(QStringLiteral("WRITE 004")).isEmpty()) << writes.join(' ').toStdString();
}

// A wiped handset (its identity cells blank) gets the backup's identity only
// when asked, and the journal says so.
TEST(IdentityCli, AWipedHandsetIsRepairedOnlyWhenAsked)
{
    QTemporaryDir dir;
    const QString backup =
        WriteFile(dir, "a.mnu", "REM kind: handset\r\nREM identity: 00077 0332340 2\r\n05 40 00 00 04 D5 12 34\r\n");
    SimHarness wiped({QStringLiteral("--set"), QStringLiteral("0040=FF,FF,FF,FF,FF")});
    ASSERT_TRUE(wiped.start()) << wiped.errorString().toStdString();
    const QStringList port{"--port", wiped.portPath()};
    CliResult r = RunCli(port + QStringList{"restore", "--force", backup});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("identity kept: the device's is blank or invalid")))
        << r.err.toStdString();
    r = RunCli(port + QStringList{"restore", "--force", "--write-identity", backup});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(wiped.stop());
    EXPECT_EQ(wiped.writeLines(), QStringList({"WRITE 0040 00 04 D5 12 34"}));
    const QString entry = RunCli({"journal", "--last", "1"}).out;
    EXPECT_TRUE(entry.contains(QStringLiteral("identity written: 00077 0332340 2 over blank or invalid")))
        << entry.toStdString();
}

// Identity cells that give no answer are not blank: --write-identity writes
// the file's only over a blank or invalid identity, never over an unread one.
TEST(IdentityCli, AnUnreadIdentityIsNeverWrittenOver)
{
    QTemporaryDir dir;
    const QString backup =
        WriteFile(dir, "a.mnu", "REM kind: handset\r\nREM identity: 00077 0332340 2\r\n05 40 00 00 04 D5 12 34\r\n");
    // The kind is read from 0040-0042; the identity's last cell never answers.
    SimHarness sim({QStringLiteral("--silent"), QStringLiteral("0044")});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    const CliResult r = RunCli({"--port", sim.portPath(), "restore", "--write-identity", backup});
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("gave no valid answer; nothing was written"))) << r.err.toStdString();
    ASSERT_TRUE(sim.stop());
    EXPECT_TRUE(sim.writeLines().isEmpty()) << sim.writeLines().join(' ').toStdString();
}

// The identity a file would write is its data's, not its header's: a backup
// whose identity cells were edited under an intact header is refused whole.
TEST(IdentityCli, AFileWhoseHeaderAndIdentityCellsDisagreeIsRefused)
{
    QTemporaryDir dir;
    const QString edited =
        WriteFile(dir, "a.mnu", "REM kind: handset\r\nREM identity: 00077 0332340 2\r\n05 40 00 00 04 D5 12 35\r\n");
    SimHarness sim({QStringLiteral("--set"), QStringLiteral("0040=00,04,D5,12,34")});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    for (const QStringList& command :
         {QStringList{"restore"}, QStringList{"menu", "play"}, QStringList{"menu", "verify"}}) {
        const CliResult r = RunCli(QStringList{"--port", sim.portPath()} + command + QStringList{edited});
        EXPECT_EQ(r.exitCode, 1) << command.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("damaged or was edited"))) << r.err.toStdString();
    }
    ASSERT_TRUE(sim.stop());
    EXPECT_TRUE(sim.writeLines().isEmpty());
}

// A menu that writes one cell twice leaves the second value: verify compares that.
TEST(VerifyCli, ACellWrittenTwiceIsComparedWithItsLastValue)
{
    QTemporaryDir dir;
    const QString menu = WriteFile(dir, "twice.txt", "1 29 0 33\n1 29 0 6D\n");
    SimHarness sim;
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    ASSERT_EQ(RunCli({"--port", sim.portPath(), "menu", "play", menu}).exitCode, 0);
    const CliResult r = RunCli({"--port", sim.portPath(), "menu", "verify", menu});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
    ASSERT_EQ(RunCli({"--port", sim.portPath(), "write", "0029", "33"}).exitCode, 0);
    EXPECT_EQ(RunCli({"--port", sim.portPath(), "menu", "verify", menu}).out,
              QStringLiteral("line 2: 0029 device 33 file 6D\n"));
}

// A handset whose identity cell never answers is of no known kind: nothing is
// sent for a command that needs a kind, and no backup is written.
TEST(DeviceGuardCli, AnUnreadIdentityIsNoKind)
{
    SimHarness sim({QStringLiteral("--silent"), QStringLiteral("0040-0044")});
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("backup.mnu"));
    for (const QStringList& command : {QStringList{"default", "base"}, QStringList{"backup", backup}}) {
        const CliResult r = RunCli(QStringList{"--port", sim.portPath()} + command);
        EXPECT_EQ(r.exitCode, 3) << command.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("its kind is unknown"))) << r.err.toStdString();
    }
    ASSERT_TRUE(sim.stop());
    EXPECT_TRUE(sim.logLines().filter(QStringLiteral("DEFAULT")).isEmpty());
    EXPECT_FALSE(QFile::exists(backup));
}

// The journal, at its size limit, cannot grow: the writes go on, one warning says so.
TEST(JournalCli, WritesAreJournalledAndAFullJournalStopsNothing)
{
    SimHarness sim;
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    CliResult r = RunCli({"--port", sim.portPath(), "handset", "gain", "write", "3", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = RunCli({"journal", "--last", "1"});
    EXPECT_EQ(r.exitCode, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    const QStringList fields = lines[1].split(QLatin1Char('\t'));
    ASSERT_EQ(fields.size(), 9) << lines[1].toStdString();
    EXPECT_EQ(fields.mid(1), QStringList({"tunebench-cli", "COM1 " + sim.portPath(), "9600", "handset", "", "0029",
                                          "33", "confirmed"}));

    // A journal beyond the child's file size limit stands for a full disk.
    QFile journal(qEnvironmentVariable("TUNEBENCH_JOURNAL"));
    ASSERT_TRUE(journal.open(QIODevice::Append));
    journal.write(QByteArray(8192, '#') + '\n');
    journal.close();
    const int entries = RunCli({"journal"}).out.count(QLatin1Char('\n'));
    QProcess cli;
    cli.setChildProcessModifier([] {
        const rlimit full{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &full);
    });
    cli.start(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench-cli"),
              {"--port", sim.portPath(), "handset", "text", "write", "HELLO"});
    ASSERT_TRUE(cli.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(err.count(QStringLiteral("warning: the journal of writes")), 1) << err.toStdString();
    ASSERT_TRUE(sim.stop());
    EXPECT_EQ(sim.writeLines().size(), 3);
    EXPECT_EQ(RunCli({"journal"}).out.count(QLatin1Char('\n')), entries);
}

// A line the full disk (the child's file size limit) cut short is taken back:
// the next entry begins a line of its own and the warning names the reason.
TEST(JournalCli, ALineCutByAFullDiskIsTakenBackWhole)
{
    const QString path = qEnvironmentVariable("TUNEBENCH_JOURNAL");
    SimHarness sim;
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    ASSERT_EQ(RunCli({"--port", sim.portPath(), "write", "0029", "33"}).exitCode, 0);
    const qint64 size = QFileInfo(path).size();
    QProcess full;
    full.setChildProcessModifier([size] {
        const rlimit limit{rlim_t(size + 40), rlim_t(size + 40)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    const CliResult cut = tbtest::RunCliIn(full, {"--port", sim.portPath(), "write", "0029", "6D"});
    EXPECT_EQ(cut.exitCode, 0) << cut.err.toStdString();
    EXPECT_TRUE(cut.err.contains(QStringLiteral("(File too large)"))) << cut.err.toStdString();
    EXPECT_EQ(QFileInfo(path).size(), size);
    ASSERT_EQ(RunCli({"--port", sim.portPath(), "write", "0029", "A5"}).exitCode, 0);

    const CliResult r = RunCli({"--json", "journal"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList bytes;
    for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QJsonObject entry = QJsonDocument::fromJson(line.toUtf8()).object();
        if (entry.value("type") != QLatin1String("journal-entry"))
            continue;
        EXPECT_EQ(entry.value("result"), QLatin1String("confirmed")) << line.toStdString();
        bytes << entry.value("bytes").toString();
    }
    EXPECT_EQ(bytes, QStringList({"33", "A5"}));
}

// A full journal moves aside whole, and the next write begins a new one.
TEST(JournalCli, AFullJournalMovesAsideAndTheNextWriteBeginsANewOne)
{
    const QString path = qEnvironmentVariable("TUNEBENCH_JOURNAL");
    const QByteArray entry =
        "2026-01-01 00:00:00.000\ttunebench-cli\tCOM1 /dev/ttyUSB0\t9600\thandset\t\t0029\t33\tconfirmed\n";
    QByteArray full = TWriteJournal::kHeader.toUtf8() + '\n';
    while (full.size() < TWriteJournal::kRotateBytes)
        full += entry;
    QFile journal(path);
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly) && journal.write(full) == full.size());
    journal.close();
    SimHarness sim;
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    ASSERT_EQ(RunCli({"--port", sim.portPath(), "write", "0029", "6D"}).exitCode, 0);
    QFile aside(path + QStringLiteral(".1"));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), full);
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = journal.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], TWriteJournal::kHeader.toUtf8());
    EXPECT_TRUE(lines[1].endsWith("\t0029\t6D\tconfirmed")) << lines[1].toStdString();
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".lock")));
}

} // namespace

#include "support/CliProcess.h"
#include "support/SimHarness.h"
#include "support/WaitFor.h"

#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using tbtest::CliResult;
using tbtest::RunCli;

class CliOnSim : public ::testing::Test {
protected:
    std::unique_ptr<tbtest::SimHarness> sim;
    void Start(const QStringList& simArgs)
    {
        sim = std::make_unique<tbtest::SimHarness>(simArgs);
        ASSERT_TRUE(sim->start()) << sim->errorString().toStdString();
    }
    CliResult Run(QStringList args, const QStringList& options = {})
    {
        args.prepend(sim->portPath());
        args.prepend(QStringLiteral("--port"));
        return RunCli(options + args);
    }
};

TEST(Cli, UsageErrorsAndHelp)
{
    EXPECT_EQ(RunCli({}).exitCode, 1);
    EXPECT_EQ(RunCli({QStringLiteral("frobnicate")}).exitCode, 1);
    EXPECT_EQ(RunCli({QStringLiteral("--baud"), QStringLiteral("4800"), QStringLiteral("probe")}).exitCode, 1);
    EXPECT_EQ(RunCli({QStringLiteral("--com"), QStringLiteral("10"), QStringLiteral("probe")}).exitCode, 1);
    const CliResult help = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("read ADDR [COUNT]")));
    EXPECT_EQ(RunCli({QStringLiteral("-v")}).exitCode, 0);
}

TEST(Cli, PortThatCannotBeOpened)
{
    const CliResult byPath =
        RunCli({QStringLiteral("--port"), QStringLiteral("/dev/tunebench-nothing"), QStringLiteral("probe")});
    EXPECT_EQ(byPath.exitCode, 2);
    EXPECT_TRUE(
        byPath.err.startsWith(QStringLiteral("/dev/tunebench-nothing: This Serial Device is not Accessible!\n")))
        << byPath.err.toStdString();
    EXPECT_TRUE(byPath.err.contains(QStringLiteral("does not exist")));

    qputenv("TUNEBENCH_COM3", "/dev/tunebench-nothing-3");
    const CliResult byCom =
        RunCli({QStringLiteral("--com"), QStringLiteral("3"), QStringLiteral("read"), QStringLiteral("40")});
    qunsetenv("TUNEBENCH_COM3");
    EXPECT_EQ(byCom.exitCode, 2);
    EXPECT_TRUE(byCom.err.startsWith(QStringLiteral("COM3: This Serial Device is not Accessible!")));
}

TEST_F(CliOnSim, PortsListsTheMapAndWhatExists)
{
    Start({});
    qputenv("TUNEBENCH_COM2", sim->portPath().toLocal8Bit());
    qputenv("TUNEBENCH_COM3", "/dev/tunebench-nothing-3");
    const CliResult r = RunCli({QStringLiteral("ports")});
    qunsetenv("TUNEBENCH_COM2");
    qunsetenv("TUNEBENCH_COM3");
    EXPECT_EQ(r.exitCode, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 9);
    EXPECT_EQ(lines[1], QStringLiteral("COM2  %1  present").arg(sim->portPath()));
    EXPECT_EQ(lines[2], QStringLiteral("COM3  /dev/tunebench-nothing-3  missing"));
    EXPECT_TRUE(lines[8].startsWith(QStringLiteral("COM9  ")));
}

TEST_F(CliOnSim, HandsetCommands)
{
    Start({QStringLiteral("--profile"), QStringLiteral("handset")});
    CliResult r = Run({QStringLiteral("probe")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("1\n"));

    r = Run({QStringLiteral("detect")});
    EXPECT_EQ(r.out, QStringLiteral("PP Connected\n"));
    EXPECT_EQ(r.exitCode, 0);

    r = Run({QStringLiteral("read"), QStringLiteral("0x40"), QStringLiteral("3")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("00 04 D5"))) << r.out.toStdString();

    r = Run({QStringLiteral("write"), QStringLiteral("0100"), QStringLiteral("1"), QStringLiteral("2"),
             QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
             QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("A")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("10\n"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("written 10 of 10 bytes"))); // progress on stderr only
    ASSERT_TRUE(sim->waitForLogPrefix(QStringLiteral("WRITE 0108")));
    EXPECT_EQ(sim->writeLines(),
              QStringList({QStringLiteral("WRITE 0100 01 02 03 04 05 06 07 08"), QStringLiteral("WRITE 0108 09 0A")}));

    r = Run({QStringLiteral("read"), QStringLiteral("108"), QStringLiteral("2")});
    EXPECT_EQ(r.out, QStringLiteral("09 0A\n"));

    r = Run({QStringLiteral("mail"), QStringLiteral("02 3C 08 00 01 09 01")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("0A\n"));

    r = Run({QStringLiteral("mail"), QStringLiteral("02 3G")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Invalid Hex Value (02 3G)")));

    for (const QStringList& bad :
         {QStringList{QStringLiteral("read"), QStringLiteral("G1")},
          QStringList{QStringLiteral("read"), QStringLiteral("40"), QStringLiteral("201")},
          QStringList{QStringLiteral("read"), QStringLiteral("40"), QStringLiteral("0")},
          QStringList{QStringLiteral("write"), QStringLiteral("40"), QStringLiteral("100")},
          QStringList{QStringLiteral("write"), QStringLiteral("FFFF"), QStringLiteral("1"), QStringLiteral("2")}})
        EXPECT_EQ(Run(bad).exitCode, 1) << bad.join(' ').toStdString();
}

TEST_F(CliOnSim, TraceShowsEveryMonitorLine)
{
    Start({QStringLiteral("--profile"), QStringLiteral("handset")});
    const CliResult r = Run({QStringLiteral("read"), QStringLiteral("40")}, {QStringLiteral("--trace")});
    EXPECT_EQ(r.exitCode, 0);
    const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList kinds;
    for (const QString& line : lines)
        kinds << line.section(QLatin1Char(' '), 0, 0);
    EXPECT_TRUE(kinds.contains(QStringLiteral("TX")));
    EXPECT_TRUE(kinds.contains(QStringLiteral("RX")));
    EXPECT_TRUE(kinds.contains(QStringLiteral("CT")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("Rx CRC OK")));
    EXPECT_TRUE(kinds.contains(QStringLiteral("MAIL")));
    EXPECT_EQ(r.out, QStringLiteral("00\n"));
}

TEST_F(CliOnSim, DetectsRepeatersAndRefusesOthers)
{
    Start({QStringLiteral("--profile"), QStringLiteral("repeater-multi")});
    EXPECT_EQ(Run({QStringLiteral("detect")}).out, QStringLiteral("Repeater Connected\n"));
    sim.reset();
    for (const char* type : {"5", "129"}) {
        Start({QStringLiteral("--profile"), QStringLiteral("repeater-single"), QStringLiteral("--type"),
               QString::fromLatin1(type)});
        const CliResult r = Run({QStringLiteral("detect")});
        EXPECT_EQ(r.out, QStringLiteral("Nothing Connected\n")) << type;
        EXPECT_EQ(r.exitCode, 3);
        sim.reset();
    }
}

TEST_F(CliOnSim, LateProberIsFoundOnItsFourthAttempt)
{
    Start({QStringLiteral("--answer-from"), QStringLiteral("4")});
    const CliResult r = Run({QStringLiteral("probe")});
    EXPECT_EQ(r.out, QStringLiteral("4\n"));
    EXPECT_GE(r.ms, 3000); // three pauses of 1000 ms
}

struct FaultCase {
    const char* name;
    QStringList simArgs;
    QStringList cliArgs;
    int exitCode;
    QString out;
};

class CliFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(CliFaults, GivesItsClearResultWithoutHangingOrCrashing)
{
    const FaultCase& c = GetParam();
    tbtest::SimHarness sim(c.simArgs);
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    const CliResult r = RunCli(QStringList{QStringLiteral("--port"), sim.portPath()} + c.cliArgs);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_EQ(r.out, c.out);
    EXPECT_LT(r.ms, 15000);
}

const QStringList kRead = {QStringLiteral("read"), QStringLiteral("40"), QStringLiteral("3")};
const QString kNoAnswer; // no cells shown, not even an empty line

// A mail of n bytes that no device answers: the longest fits the send frame.
QStringList MailOf(int n)
{
    return {QStringLiteral("mail"), QStringList(n, QStringLiteral("01")).join(QLatin1Char(' '))};
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliFaults,
    ::testing::Values(
        FaultCase{"NoAnswer", {QStringLiteral("--no-answer"), QStringLiteral("1")}, kRead, 3, kNoAnswer},
        FaultCase{
            "BadChecksumIsNoAnswer", {QStringLiteral("--bad-checksum"), QStringLiteral("1")}, kRead, 3, kNoAnswer},
        FaultCase{"Truncated", {QStringLiteral("--truncate"), QStringLiteral("1")}, kRead, 3, kNoAnswer},
        FaultCase{"AnswerWithoutItsMarkerIsNoAnswer",
                  {QStringLiteral("--bad-marker"), QStringLiteral("1")},
                  kRead,
                  3,
                  kNoAnswer},
        FaultCase{"MailOf249BytesIsSent", {}, MailOf(249), 3, QStringLiteral("\n")},
        FaultCase{"MailOf250BytesIsRefused", {}, MailOf(250), 1, kNoAnswer},
        FaultCase{"ExtraByte", {QStringLiteral("--extra-byte"), QStringLiteral("1")}, kRead, 3, kNoAnswer},
        FaultCase{"Noise", {QStringLiteral("--noise"), QStringLiteral("1")}, kRead, 3, kNoAnswer},
        FaultCase{"Late", {QStringLiteral("--late"), QStringLiteral("1500")}, kRead, 3, kNoAnswer},
        FaultCase{"HangUpIsALostPort", {QStringLiteral("--hangup-after"), QStringLiteral("1")}, kRead, 2, kNoAnswer},
        FaultCase{"WrongBaud",
                  {QStringLiteral("--baud"), QStringLiteral("9600")},
                  QStringList{QStringLiteral("--baud"), QStringLiteral("115200")} + kRead,
                  3,
                  kNoAnswer},
        FaultCase{"Rate8600",
                  {QStringLiteral("--baud"), QStringLiteral("8600")},
                  QStringList{QStringLiteral("--baud"), QStringLiteral("8600")} + kRead,
                  0,
                  QStringLiteral("00 04 D5\n")},
        FaultCase{"TwoWire",
                  {QStringLiteral("--two-wire")},
                  QStringList{QStringLiteral("--two-wire")} + kRead,
                  0,
                  QStringLiteral("00 04 D5\n")},
        FaultCase{"ModelMarkerLostOnceIsReadAgain",
                  {QStringLiteral("--profile"), QStringLiteral("handset-8240"), QStringLiteral("--no-answer"),
                   QStringLiteral("2")},
                  {QStringLiteral("--baud"), QStringLiteral("115200"), QStringLiteral("handset"),
                   QStringLiteral("handsfree"), QStringLiteral("write"), QStringLiteral("6"), QStringLiteral("12")},
                  0,
                  QStringLiteral("loudspeaker=6 microphone=12 byte=6C\n")},
        FaultCase{"SilentModelMarkerIsNoAnswerNotAnotherModel",
                  {QStringLiteral("--profile"), QStringLiteral("handset-8240"), QStringLiteral("--silent"),
                   QStringLiteral("001D")},
                  {QStringLiteral("--baud"), QStringLiteral("115200"), QStringLiteral("handset"),
                   QStringLiteral("handsfree"), QStringLiteral("read")},
                  3,
                  QString()},
        FaultCase{"SilentProbe",
                  {QStringLiteral("--no-answer"), QStringLiteral("1")},
                  {QStringLiteral("probe")},
                  3,
                  QStringLiteral("0\n")},
        FaultCase{"WriteNeverSticks",
                  {QStringLiteral("--fail-writes"), QStringLiteral("100")},
                  {QStringLiteral("write"), QStringLiteral("200"), QStringLiteral("11")},
                  4,
                  QStringLiteral("0\n")},
        FaultCase{"WriteSticksOnThirdAttempt",
                  {QStringLiteral("--fail-writes"), QStringLiteral("2")},
                  {QStringLiteral("write"), QStringLiteral("200"), QStringLiteral("11")},
                  0,
                  QStringLiteral("1\n")}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

TEST(CliLng, CheckNamesUnknownKeysAndUntranslatedComponents)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("German.lng"));
    QFile::copy(QStringLiteral(TUNEBENCH_SOURCE_DIR "/translations/German.lng"), good);
    const CliResult german = RunCli({QStringLiteral("lng"), QStringLiteral("check"), good});
    EXPECT_EQ(german.exitCode, 0) << german.out.toStdString();
    EXPECT_FALSE(german.out.contains(QStringLiteral("names no component")));

    const QString typo = dir.filePath(QStringLiteral("Typo.lng"));
    QFile file(typo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // lblSerialNo has Tag 1: out of the editor's list, but a file may translate it.
    file.write(
        "[form1]\r\nLabel50.caption=Fertig\r\nLabel5O.Caption=Fertig\r\nlblSerialNo.Caption=Nummer\r\n[Form7]\r\n"
        "x.Caption=y\r\n");
    file.close();
    const CliResult result = RunCli({QStringLiteral("lng"), QStringLiteral("check"), typo});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(
        result.out.contains(QStringLiteral("[Form1]\n  names no component: Label5O.Caption\n  not translated ")))
        << result.out.toStdString();
    EXPECT_FALSE(result.out.contains(QStringLiteral("Label50,")));
    EXPECT_FALSE(result.out.contains(QStringLiteral("lblSerialNo"))) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(
        QStringLiteral("[Form7]\n  no window of that name is translated\n  names no component: x.Caption\n")));

    EXPECT_EQ(
        RunCli({QStringLiteral("lng"), QStringLiteral("check"), dir.filePath(QStringLiteral("none.lng"))}).exitCode, 1);
}

// Language files as Windows reads them: lines ended by CR alone, UTF-16 with
// its byte order mark, NULs left by a power cut.
TEST(CliLng, ALanguageFileIsReadAsWindowsReadsIt)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("[Form1]\r\nLabel50.Caption=Fertig\r\nLabel5O.Caption=Fertig\r\n");
    QString crOnly = text;
    crOnly.remove(QLatin1Char('\n'));
    QStringEncoder little(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QStringEncoder big(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    for (const QByteArray& bytes :
         {crOnly.toLatin1(), QByteArray(little(text)), QByteArray(big(text)), text.toLatin1() + QByteArray(64, '\0')}) {
        const QString path = dir.filePath(QStringLiteral("x.lng"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        const CliResult r = RunCli({QStringLiteral("lng"), QStringLiteral("check"), path});
        EXPECT_EQ(r.exitCode, 1) << bytes.toHex().toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("[Form1]\n  names no component: Label5O.Caption\n")))
            << bytes.toHex().toStdString() << r.out.toStdString() << r.err.toStdString();
    }
}

// Out of file descriptors, the port cannot be opened: said as that, at every
// limit low enough for it, never as a port another program holds. Not under
// the sanitizers: their runtimes need descriptors of their own, and with a
// handful left they report errors in the program's very first allocation.
TEST(CliPortOpen, NoFileDescriptorLeftIsSaidAsThat)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer runtimes need descriptors of their own";
#endif
    tbtest::SimHarness sim;
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    int refused = 0;
    for (int descriptors = 3; descriptors <= 16; ++descriptors) {
        QProcess p;
        p.setChildProcessModifier([descriptors] {
            const rlimit limit{rlim_t(descriptors), rlim_t(descriptors)};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
        const CliResult r = tbtest::RunCliIn(p, {QStringLiteral("--port"), sim.portPath(), QStringLiteral("probe")});
        if (r.exitCode == 0 || r.exitCode == 127) // 127: too few even to load the program's libraries
            continue;
        ++refused;
        EXPECT_FALSE(r.err.contains(QStringLiteral("in use by another program"))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("no file descriptor left")))
            << descriptors << ": " << r.err.toStdString();
    }
    EXPECT_GT(refused, 0);
}

// A setting that is no number is said, once, and the default (on) serves.
TEST(CliSettings, ALowLatencyValueThatIsNoNumberIsSaidAndOnServes)
{
    tbtest::SimHarness sim;
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    // A copy of the program in a folder of its own keeps its Tunebench.ini beside it.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("tunebench-cli"));
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench-cli"), program));
    QFile ini(dir.filePath(QStringLiteral("Tunebench.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Link]\r\nLowLatency=banana\r\n");
    ini.close();
    QProcess p;
    p.start(program, {QStringLiteral("--port"), sim.portPath(), QStringLiteral("probe")});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(err.count(QStringLiteral("[Link] LowLatency=banana is not understood")), 1) << err.toStdString();
}

// Lines an INI reader passes over silently: refused with their numbers.
TEST(CliLng, AKeyWithoutEqualsOrAnUnclosedWindowNameIsRefusedByLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.lng"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("; mine\r\n[Form1\r\nLabel50.Caption=Fertig\r\n\r\nLabel42.Caption\r\n");
    file.close();
    const CliResult r = RunCli({QStringLiteral("lng"), QStringLiteral("check"), path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(path + QStringLiteral(": line 2: the window name \"[Form1\" lacks its closing")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(path + QStringLiteral(": line 5: \"Label42.Caption\" has no \"=\"")))
        << r.err.toStdString();
}

// Blocked writing to an output that nobody reads, the program waits outside
// its event loop, where only a signal can end it.
TEST(Cli, ASignalEndsTheProgramWithinASecondWhereverItWaits)
{
    QFile journal(qEnvironmentVariable("TUNEBENCH_JOURNAL"));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (int i = 0; i < 4000; ++i)
        journal.write("2026-01-01 00:00:00\ttunebench-cli\tCOM1 /dev/ttyUSB0\t9600\thandset\t\t0029\t33\tconfirmed\n");
    journal.close();
    int output[2] = {-1, -1};
    ASSERT_EQ(::pipe(output), 0);
    QProcess p;
    p.setChildProcessModifier([fd = output[1]] { ::dup2(fd, STDOUT_FILENO); });
    p.start(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QStringLiteral("/tunebench-cli"), {QStringLiteral("journal")});
    ASSERT_TRUE(p.waitForStarted());
    ::close(output[1]);
    // Signalled once the pipe (64 KiB) is nearly full: the program writes on
    // until it waits in a write, however the two meet.
    int queued = 0;
    EXPECT_TRUE(tbtest::waitFor([&] { return ::ioctl(output[0], FIONREAD, &queued) == 0 && queued >= 48 * 1024; }))
        << queued;
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    EXPECT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 143);
    ::close(output[0]);
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
    }
}

} // namespace

// Both loader libraries end to end through the program's binding, against the
// boot targets of the real tunebench-sim: the flash image it saves, every fault
// ending with its indication, and the checks before the port is touched.
#include "Comm.h"
#include "DeviceLockFile.h"
#include "FlashLoadSC14428.h"
#include "FlashRun.h"
#include "FlashTestFiles.h"
#include "support/SimHarness.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTimer>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using testing::HasSubstr;

constexpr quint32 kOffset = 0x10000;

struct Protocol {
    const char* profile;
    int target;          // one target of each download path
    const char* success; // the log line of a confirmed CRC
    const char* crcError;
};
const Protocol kSC14428{"boot-sc14428", 6, "CRC_OK_IND", "CRC_ERROR_IND"};
const Protocol kRfl{"boot-rfl", 2, "Checksum OK", "Checksum ERROR"};

class FlashDownload : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(RegisterFlashIndicationHandler());
    }
    void TearDown() override { qunsetenv("TUNEBENCH_COM1"); }

    bool StartSim(const Protocol& p, QStringList extra = {})
    {
        m_sim =
            std::make_unique<tbtest::SimHarness>(QStringList{"--profile", p.profile, "--save", SavedImage()} + extra);
        if (!m_sim->start())
            return false;
        qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
        return true;
    }
    QString SavedImage() const { return m_dir.filePath(QStringLiteral("flash.bin")); }
    QString HexFile(const QByteArray& data)
    {
        const QString path = m_dir.filePath(QStringLiteral("software.hex"));
        EXPECT_TRUE(tbtest::WriteFile(path, tbtest::IntelHexOf(data, kOffset)));
        return path;
    }

    // A program folder of its own whose base station target (2) has this configuration.
    void UseRflConfiguration(const QByteArray& config)
    {
        const QString bin = QString::fromLocal8Bit(qgetenv("TUNEBENCH_BIN_DIR"));
        m_programFolder = m_dir.filePath(QStringLiteral("bin/"));
        ASSERT_TRUE(QDir().mkpath(m_programFolder + QStringLiteral("CFG")));
        ASSERT_TRUE(QFile::link(bin + QStringLiteral("/../lib/libRflLib.so"), m_programFolder + "libRflLib.so"));
        ASSERT_TRUE(tbtest::WriteFile(m_programFolder + QStringLiteral("CFG/Base_1G8.cfg"), config));
    }

    int Download(const Protocol& p, const QString& file)
    {
        TFlashRun run({p.target, 1, file, m_programFolder});
        run.Line = [this](const QString& line) { m_lines << line; };
        run.Prompt = [this](const QString& prompt) {
            m_prompts << prompt;
            return true;
        };
        run.Key = [] { return ' '; };
        if (m_onStart)
            m_onStart(run);
        return run.Run();
    }
    QString Log() const { return m_lines.join(QLatin1Char('\n')); }

    QTemporaryDir m_dir;
    std::unique_ptr<tbtest::SimHarness> m_sim;
    QStringList m_lines;
    QStringList m_prompts;
    std::function<void(TFlashRun&)> m_onStart;
    QString m_programFolder = QString::fromLocal8Bit(qgetenv("TUNEBENCH_BIN_DIR")) + QLatin1Char('/');
};

TEST_F(FlashDownload, BothProtocolsStoreTheFileInTheTargetsFlash)
{
    for (const Protocol& p : {kSC14428, kRfl}) {
        SCOPED_TRACE(p.profile);
        m_lines.clear();
        const QByteArray data = tbtest::RandomBytes(70 * 1024 + 100, 7); // crosses a sector
        ASSERT_TRUE(StartSim(p));
        ASSERT_EQ(Download(p, HexFile(data)), TFlashRun::kDone) << qPrintable(Log());
        EXPECT_THAT(Log().toStdString(), HasSubstr(p.success));
        ASSERT_TRUE(m_sim->stop());
        QFile saved(SavedImage());
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        const QByteArray flash = saved.readAll();
        EXPECT_EQ(flash.mid(kOffset, data.size()), data);
        EXPECT_EQ(flash.left(kOffset), QByteArray(kOffset, char(0xFF)));
    }
    EXPECT_THAT(Log().toStdString(), HasSubstr(" Programming.......:  100 %"));
}

TEST_F(FlashDownload, FaultsEndWithTheirErrorWithinBounds)
{
    const struct {
        const Protocol& protocol;
        QStringList options;
        int exit;
        const char* line;
    } cases[] = {
        {kSC14428, {"--stop-after", "3"}, TFlashRun::kFailed, "COMMUNICATION_ERROR_IND"},
        {kRfl, {"--stop-after", "3"}, TFlashRun::kFailed, "target stopped answering"},
        {kSC14428, {"--bad-crc"}, TFlashRun::kFailed, "CRC32  ERROR"},
        {kRfl, {"--bad-crc"}, TFlashRun::kFailed, "Checksum ERROR"},
        {kSC14428, {"--refuse-block", "2"}, TFlashRun::kFailed, "block at 00011000 refused by the target"},
        {kRfl, {"--refuse-block", "2"}, TFlashRun::kFailed, "block at 00011000 refused (reason 3)"},
        {kSC14428, {"--corrupt-block", "2"}, TFlashRun::kDone, "sent again"},
        {kRfl, {"--corrupt-block", "2"}, TFlashRun::kDone, "sent again"},
        {kSC14428, {"--silent"}, TFlashRun::kNoTarget, "COM_PORT_SEARCHING_TIMEOUT_IND"},
        {kRfl, {"--power", "off"}, TFlashRun::kNoTarget, "No answer from the target"},
    };
    const QByteArray data = tbtest::RandomBytes(40 * 1024, 3); // ten blocks
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.protocol.profile + QStringLiteral(" ") + c.options.join(' ')));
        m_lines.clear();
        ASSERT_TRUE(StartSim(c.protocol, c.options));
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(Download(c.protocol, HexFile(data)), c.exit) << qPrintable(Log());
        EXPECT_THAT(Log().toStdString(), HasSubstr(c.line));
        // A target that stops answering is given up within the line time of
        // the blocks in flight and three tries of one block (at 115200 baud).
        if (c.options.first() == QLatin1String("--stop-after")) {
            EXPECT_LT(clock.elapsed(), 6000);
            EXPECT_EQ(m_lines.last(), TFlashRun::kNoAnswer);
        }
        if (c.options.first() == QLatin1String("--refuse-block")) {
            EXPECT_EQ(m_lines.last(), TFlashRun::kRefused);
        }
        ASSERT_TRUE(m_sim->stop());
    }
}

TEST_F(FlashDownload, BlocksOfTheLargestSizeAndNoneThatOnlyHoldsErasedBytes)
{
    // 64 KiB of which two stretches hold data; the rest is placed as FFh.
    QByteArray data(64 * 1024, char(0xFF));
    data.replace(0x100, 0x300, tbtest::RandomBytes(0x300, 9));
    data.replace(0xA000, 0x2000, tbtest::RandomBytes(0x2000, 10));
    for (const Protocol& p : {kSC14428, kRfl}) {
        SCOPED_TRACE(p.profile);
        m_lines.clear();
        ASSERT_TRUE(StartSim(p));
        ASSERT_EQ(Download(p, HexFile(data)), TFlashRun::kDone) << qPrintable(Log());
        ASSERT_TRUE(m_sim->stop());
        const QStringList blocks = m_sim->logLines().filter(QStringLiteral("BLOCK "));
        EXPECT_EQ(blocks, QStringList({"BLOCK 00010100 768", "BLOCK 0001A000 4096", "BLOCK 0001B000 4096"}));
        QFile saved(SavedImage());
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(saved.readAll().mid(kOffset, data.size()), data);
    }
}

TEST_F(FlashDownload, NoiseOnTheLineIsNoAnswerNeverARefusal)
{
    // Bursts that look like frame starts, every 100 ms on a paced line.
    const QByteArray data = tbtest::RandomBytes(16 * 1024, 11);
    for (const Protocol& p : {kSC14428, kRfl}) {
        SCOPED_TRACE(p.profile);
        m_lines.clear();
        ASSERT_TRUE(StartSim(p, {"--pace", "--noise", "100"}));
        const int exit = Download(p, HexFile(data));
        ASSERT_TRUE(m_sim->stop());
        EXPECT_TRUE(m_sim->logLines().join('\n').contains(QStringLiteral("NOISE rx")));
        EXPECT_FALSE(Log().contains(QStringLiteral("refused"))) << qPrintable(Log());
        // Each burst costs a frame at most: the loader finds the next one and the download ends well.
        EXPECT_EQ(exit, TFlashRun::kDone) << qPrintable(Log());
        EXPECT_THAT(Log().toStdString(), HasSubstr(p.success));
    }
}

TEST_F(FlashDownload, TargetThatErasesASectorASecondDownloads)
{
    // Ten sectors to erase, two blocks to program.
    QByteArray data(10 * 64 * 1024, char(0xFF));
    data.replace(0, 100, tbtest::RandomBytes(100, 12));
    data.replace(data.size() - 100, 100, tbtest::RandomBytes(100, 13));
    ASSERT_TRUE(StartSim(kSC14428, {"--erase-ms", "1000", "--flash-size", "1048576"}));
    EXPECT_EQ(Download(kSC14428, HexFile(data)), TFlashRun::kDone) << qPrintable(Log());
    ASSERT_TRUE(m_sim->stop());
}

TEST_F(FlashDownload, TheConfigurationSaysHowLongAnEraseMayTake)
{
    UseRflConfiguration("name = slow\nbaud = 115200\nblock = 4096\nflash = 2097152\nerase = 100\n");
    ASSERT_TRUE(StartSim(kRfl, {"--erase-ms", "1000"}));
    QByteArray data(3 * 64 * 1024, char(0xFF));
    data.replace(0, 100, tbtest::RandomBytes(100, 14));
    data.replace(data.size() - 100, 100, tbtest::RandomBytes(100, 15));
    EXPECT_EQ(Download(kRfl, HexFile(data)), TFlashRun::kFailed) << qPrintable(Log());
    EXPECT_EQ(m_lines.last(), TFlashRun::kNoAnswer);
    ASSERT_TRUE(m_sim->stop());
}

TEST_F(FlashDownload, MoreFramesThanTheirNumbersHoldAreRefusedBeforeTheErase)
{
    // One byte in every 64-byte block: 65535 blocks after the ERASE.
    QByteArray hex;
    for (quint32 block = 0; block < 65535; ++block) {
        const quint32 address = kOffset + block * 64;
        QByteArray records;
        if (address % 0x10000 == 0)
            records += QByteArray::fromHex("02000004") + char(address >> 24) + char(address >> 16);
        records += QByteArray::fromHex("01") + char(address >> 8) + char(address) + char(0) + char(0x5A);
        for (qsizetype at = 0; at < records.size();) {
            const qsizetype size = 5 + quint8(records[at]);
            QByteArray record = records.mid(at, size - 1);
            quint8 sum = 0;
            for (char c : record)
                sum = quint8(sum + quint8(c));
            hex += ':' + (record + char(quint8(-sum))).toHex().toUpper() + "\n";
            at += size - 1;
        }
    }
    hex += ":00000001FF\n";
    const QString file = m_dir.filePath(QStringLiteral("small-blocks.hex"));
    ASSERT_TRUE(tbtest::WriteFile(file, hex));
    UseRflConfiguration("name = small blocks\nbaud = 115200\nblock = 64\nflash = 8388608\n");
    ASSERT_TRUE(StartSim(kRfl, {"--flash-size", "8388608"}));
    EXPECT_EQ(Download(kRfl, file), TFlashRun::kFailed);
    EXPECT_THAT(Log().toStdString(), HasSubstr("needs 65536 frames with blocks of 64 bytes"));
    ASSERT_TRUE(m_sim->stop());
    EXPECT_EQ(m_sim->logLines().filter(QStringLiteral("ERASE")), QStringList());
}

TEST_F(FlashDownload, FileAndPortProblemsStopBeforeTheTarget)
{
    ASSERT_TRUE(StartSim(kSC14428));
    EXPECT_EQ(Download(kSC14428, m_dir.filePath(QStringLiteral("missing.hex"))), TFlashRun::kBadInput);
    EXPECT_TRUE(m_prompts.isEmpty());

    const QString bad = m_dir.filePath(QStringLiteral("bad.hex"));
    ASSERT_TRUE(tbtest::WriteFile(bad, tbtest::IntelHexOf(QByteArray(64, 'x'), 0).replace(":2000", ":2100")));
    for (const Protocol& p : {kSC14428, kRfl})
        EXPECT_EQ(Download(p, bad), TFlashRun::kBadInput);
    EXPECT_THAT(Log().toStdString(), HasSubstr("line 2: byte count"));

    // A port held by someone else under its real name: refused at the raw open
    // (exit 2), also when it is given as a link, which has a lock name of its own.
    const QString link = m_dir.filePath(QStringLiteral("ttyLINK"));
    ASSERT_TRUE(QFile::link(m_sim->portPath(), link));
    qputenv("TUNEBENCH_COM1", QFile::encodeName(link));
    QSerialPort holder(m_sim->portPath());
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
    for (const Protocol& p : {kSC14428, kRfl})
        EXPECT_EQ(Download(p, HexFile(QByteArray(64, 'x'))), TFlashRun::kPort) << qPrintable(Log());
    holder.close();
    // The same when another program holds the device itself with flock.
    const int locker = ::open(QFile::encodeName(m_sim->portPath()).constData(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::flock(locker, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(Download(kSC14428, HexFile(QByteArray(64, 'x'))), TFlashRun::kPort) << qPrintable(Log());
    ::close(locker);
    // And when a terminal program's lock file names a live process.
    QFile lockFile(QStringLiteral("/var/lock/") + DeviceLockFile::Name(m_sim->portPath()));
    if (lockFile.open(QIODevice::WriteOnly)) {
        lockFile.write(QByteArray::number(::getppid()).rightJustified(10, ' ') + '\n');
        lockFile.close();
        EXPECT_EQ(Download(kRfl, HexFile(QByteArray(64, 'x'))), TFlashRun::kPort) << qPrintable(Log());
        EXPECT_TRUE(lockFile.remove());
    }
    EXPECT_FALSE(m_sim->logLines().join('\n').contains(QStringLiteral("HELLO")));
}

TEST_F(FlashDownload, StoppedDownloadReleasesThePort)
{
    for (const Protocol& p : {kSC14428, kRfl}) {
        SCOPED_TRACE(p.profile);
        m_lines.clear();
        ASSERT_TRUE(StartSim(p, {"--pace"}));
        m_onStart = [this](TFlashRun& run) {
            // Stop once programming is under way.
            auto* timer = new QTimer;
            QObject::connect(timer, &QTimer::timeout, [this, timer, &run] {
                if (m_sim->logLines().join('\n').contains(QStringLiteral("BLOCK "))) {
                    run.Interrupt();
                    timer->deleteLater();
                }
            });
            timer->start(5);
        };
        EXPECT_EQ(Download(p, HexFile(tbtest::RandomBytes(128 * 1024, 5))), TFlashRun::kFailed);
        EXPECT_EQ(m_lines.last(), TFlashRun::kStopped);
        TComm comm;
        EXPECT_TRUE(comm.Open());
        m_onStart = nullptr;
        ASSERT_TRUE(m_sim->stop());
    }
}

TEST(Comm, ExclusiveOpenAndCloseByDestruction)
{
    tbtest::SimHarness sim({"--profile", "boot-sc14428"});
    ASSERT_TRUE(sim.start());
    TComPortMap ports;
    ports.SetOverride(3, sim.portPath());
    auto first = std::make_unique<TComm>(ports);
    first->Port = 3;
    ASSERT_TRUE(first->Open());
    first->SetDTR(false); // no modem lines on a pseudo-terminal: not a failure
    first->SetRTS(false);
    EXPECT_TRUE(first->IsOpen());

    TComm second(ports);
    second.Port = 3;
    EXPECT_FALSE(second.Open());
    EXPECT_FALSE(second.IsOpen());
    second.Close();
    QSerialPort link(sim.portPath());
    EXPECT_FALSE(link.open(QIODevice::ReadWrite)) << "the program's link keeps out too";

    first.reset();
    EXPECT_TRUE(second.Open());
    second.Close();

    ports.SetOverride(4, QStringLiteral("/dev/null"));
    TComm devNull(ports);
    devNull.Port = 4;
    EXPECT_FALSE(devNull.Open());
}

} // namespace

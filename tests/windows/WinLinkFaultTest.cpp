// The link on a Windows COM port against simulators with injected faults that
// scripts/windows starts and maps to COM names (TUNEBENCH_WINTEST_COM_<FAULT>),
// in the line mode it names (TUNEBENCH_WINTEST_TWO_WIRE=1): what a user sees
// of each fault, as on Linux.
#include "SndMail.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// Reads address 40h (3 bytes) and 41h (3 bytes) alternately, n times;
// "-" for a read without a value, "!" for a wrong one, "+" for the right one.
QString ReadSequence(TSendmail& link, int n)
{
    QString result;
    for (int i = 0; i < n; ++i) {
        const bool even = i % 2 == 0;
        const QString got = link.ReadEepromText(even ? 0x40 : 0x41, 0, 3);
        const QString want = even ? QStringLiteral("00 04 D5") : QStringLiteral("04 D5 12");
        result += got.isEmpty() ? QLatin1Char('-') : got == want ? QLatin1Char('+') : QLatin1Char('!');
    }
    return result;
}

class WinLinkFault : public ::testing::Test {
protected:
    // The link on the COM port of the simulator with this fault; false (the
    // test skips) when none is named.
    bool Open(const char* fault)
    {
        bool ok = false;
        const int com = qEnvironmentVariableIntValue(qPrintable(QStringLiteral("TUNEBENCH_WINTEST_COM_") + fault), &ok);
        if (!ok)
            return false;
        link = std::make_unique<TSendmail>();
        link->ShowDialogs = false;
        if (qEnvironmentVariableIntValue("TUNEBENCH_WINTEST_TWO_WIRE") == 1) {
            // The main window's two-wire settings.
            link->DisableEcho();
            link->SetEchoBack(true);
            link->PollInterval = 50;
            link->GapTimeout = 500;
        }
        EXPECT_TRUE(link->OpenPort(static_cast<std::uint8_t>(com), 9600)) << "COM" << com;
        return link->IsPortOpen();
    }
    std::unique_ptr<TSendmail> link;
};

#define OPEN_OR_SKIP(fault)                                                                                            \
    if (!Open(fault))                                                                                                  \
    GTEST_SKIP() << "no simulator named in TUNEBENCH_WINTEST_COM_" fault

TEST_F(WinLinkFault, CutAnswerIsNoValueAndTheNextReadsAreGood)
{
    OPEN_OR_SKIP("TRUNCATE"); // every third answer lacks its last byte
    EXPECT_EQ(ReadSequence(*link, 8), QStringLiteral("++-++-++"));
}

TEST_F(WinLinkFault, NoiseOrAnExtraByteSpoilsOnlyItsOwnExchange)
{
    OPEN_OR_SKIP("NOISE"); // noise in front of answer 3, a byte behind answer 4
    const QString got = ReadSequence(*link, 7);
    EXPECT_EQ(got.left(3), QStringLiteral("++-")) << got.toStdString();
    EXPECT_NE(got[3], QLatin1Char('!')) << got.toStdString();
    EXPECT_EQ(got.mid(4), QStringLiteral("+-+")) << got.toStdString();
}

TEST_F(WinLinkFault, DamagedAnswersAreNoValuesAndTheReadTriesAgain)
{
    OPEN_OR_SKIP("DAMAGED"); // answer 3 a byte short, answer 4 with a wrong checksum, and so on
    EXPECT_EQ(ReadSequence(*link, 4), QStringLiteral("++--"));
    link->ReadTries = 3;
    link->ReadRetryDelay = 1;
    EXPECT_EQ(ReadSequence(*link, 4), QStringLiteral("++++"));
}

TEST_F(WinLinkFault, LateAnswerIsNeverTakenForTheNext)
{
    OPEN_OR_SKIP("LATE");
    const QString got = ReadSequence(*link, 6);
    EXPECT_FALSE(got.contains(QLatin1Char('!'))) << got.toStdString();
    EXPECT_GE(got.count(QLatin1Char('+')), 3) << got.toStdString();
}

TEST_F(WinLinkFault, DuplicateAnswerIsNeverTakenForTheNext)
{
    OPEN_OR_SKIP("DUPLICATE");
    const QString got = ReadSequence(*link, 8);
    EXPECT_FALSE(got.contains(QLatin1Char('!'))) << got.toStdString();
    EXPECT_GE(got.count(QLatin1Char('+')), 4) << got.toStdString();
}

TEST_F(WinLinkFault, MissingAnswerIsNoValueAndTheNextReadIsGood)
{
    OPEN_OR_SKIP("NO_ANSWER"); // every second answer
    EXPECT_EQ(ReadSequence(*link, 4), QStringLiteral("+-+-"));
}

TEST_F(WinLinkFault, WriteNotStoredIsNotConfirmed)
{
    OPEN_OR_SKIP("DROP_WRITES"); // every write
    link->MaxWriteAttempts = 2;
    link->WriteRetryDelay = 1;
    EXPECT_FALSE(link->WriteEepromText(0x29, 0, 1, QStringLiteral("A5")));
    EXPECT_FALSE(link->Success());
    EXPECT_EQ(link->ReadEepromText(0x29, 0, 1), QStringLiteral("6D"));
}

TEST_F(WinLinkFault, LineThatDropsIsALostPort)
{
    OPEN_OR_SKIP("HANGUP"); // half way through the second answer
    bool lost = false;
    link->OnPortLost = [&] { lost = true; };
    EXPECT_EQ(ReadSequence(*link, 1), QStringLiteral("+"));
    EXPECT_TRUE(link->ReadEepromText(0x41, 0, 3).isEmpty());
    EXPECT_TRUE(tbtest::waitFor([&] { return lost; }, 5000));
    EXPECT_FALSE(link->IsPortOpen());
}

} // namespace

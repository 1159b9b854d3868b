#include "SimDeviceFixture.h"

#include <QElapsedTimer>
#include <atomic>

using tbsim::SimFaults;
using tbsim::SimOptions;
using namespace tbtest;

namespace {

class SimFaultsTest : public SimDeviceFixture {
protected:
    void startWith(const SimFaults& faults, bool twoWire = true)
    {
        SimOptions o;
        o.twoWire = twoWire; // no echo: what comes back is the answer alone
        o.faults = faults;
        startDevice(o);
    }
    // Sends n probes of 0029h (6Dh) and a last probe of 003Eh (6Ch) that
    // every fault pattern below answers normally; returns all bytes received.
    QByteArray probes(int n, int expected)
    {
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(client.send(frameOf(readMail(0x0029, 1))));
        return client.read(expected);
    }
    const QByteArray good = answerOf(hex("6D"));
};

TEST_F(SimFaultsTest, NoAnswerEveryNth)
{
    startWith(SimFaults{.noAnswerEvery = 2});
    // Answers 1 and 3 come, 2 and 4 do not: the 5th probe's answer follows the 3rd directly.
    EXPECT_EQ(probes(5, 3 * 6), good + good + good);
    EXPECT_EQ(device->log().count("FAULT no-answer"), 2);
}

TEST_F(SimFaultsTest, NoAnswerAlways)
{
    startWith(SimFaults{.noAnswerEvery = 1}, false);
    const QByteArray frame = frameOf(readMail(0x0029, 1));
    ASSERT_TRUE(client.send(frame));
    EXPECT_EQ(client.read(12), frame);
    ASSERT_TRUE(waitForLog("FAULT no-answer"));
    device->setFaults({});
    EXPECT_EQ(exchange(readMail(0x0029, 1), 18), frame + good);
}

TEST_F(SimFaultsTest, WrongChecksum)
{
    startWith(SimFaults{.badChecksumEvery = 2});
    QByteArray bad = good;
    bad.back() = char(bad.back() + 1);
    EXPECT_EQ(probes(3, 18), good + bad + good);
}

TEST_F(SimFaultsTest, TruncatedAnswerLacksItsLastByte)
{
    startWith(SimFaults{.truncateEvery = 1});
    EXPECT_EQ(probes(2, 10), good.left(5) + good.left(5));
}

TEST_F(SimFaultsTest, ExtraByteComesInTheSameWriteAsTheAnswer)
{
    startWith(SimFaults{.extraByteEvery = 1}, false);
    const QByteArray frame = frameOf(readMail(0x0029, 1));
    ASSERT_TRUE(client.send(frame));
    const QList<QByteArray> blocks = client.readBlocks(12 + 7);
    QByteArray all;
    for (const QByteArray& b : blocks)
        all += b;
    EXPECT_EQ(all, frame + good + hex("55"));
    ASSERT_FALSE(blocks.isEmpty());
    EXPECT_TRUE(blocks.last().endsWith(good + hex("55")));
}

TEST_F(SimFaultsTest, NoiseBeforeTheAnswer)
{
    startWith(SimFaults{.noiseEvery = 2, .noiseBytes = 5});
    const QByteArray bytes = probes(2, 6 + 5 + 6);
    EXPECT_EQ(bytes.left(6), good);
    EXPECT_EQ(bytes.mid(11), good);
    EXPECT_TRUE(waitForLog("FAULT noise 5"));
}

TEST_F(SimFaultsTest, LateAnswer)
{
    startWith(SimFaults{.lateMs = 300, .lateEvery = 2});
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(probes(1, 6), good);
    EXPECT_LT(timer.elapsed(), 300);
    timer.restart();
    EXPECT_EQ(probes(1, 6), good);
    EXPECT_GE(timer.elapsed(), 300);
}

TEST_F(SimFaultsTest, FailedWritesKeepTheOldValue)
{
    startWith(SimFaults{.failWrites = 2});
    for (int attempt = 0; attempt < 3; ++attempt) {
        ASSERT_TRUE(client.send(frameOf(writeMail(0x0029, hex("0D")))));
        // The read-back the program would make after each write.
        EXPECT_EQ(probes(1, 6), answerOf(hex(attempt < 2 ? "6D" : "0D"))) << attempt;
    }
    const QStringList log = device->log();
    EXPECT_EQ(log.count("DROPPED WRITE 0029 0D"), 2);
    EXPECT_EQ(log.count("WRITE 0029 0D"), 1);
}

TEST_F(SimFaultsTest, AnswerFromTheKthProbe)
{
    startWith(SimFaults{.answerFrom = 4});
    EXPECT_EQ(probes(5, 12), good + good);
    EXPECT_EQ(device->log().count("READ 0029 1"), 5);
    EXPECT_TRUE(device->log().contains("FAULT answer-from 3 of 4"));
}

TEST_F(SimFaultsTest, HangupHalfWayThroughTheNthAnswer)
{
    std::atomic<bool> finished = false;
    SimOptions o;
    o.faults.hangupAfter = 2;
    device = std::make_unique<tbsim::SimDevice>(o);
    device->setFinishedCallback([&finished] { finished = true; });
    ASSERT_TRUE(device->start());
    ASSERT_TRUE(client.open(device->slavePath()));
    const QByteArray frame = frameOf(readMail(0x0029, 1));
    EXPECT_EQ(exchange(readMail(0x0029, 1), 18), frame + good);
    ASSERT_TRUE(client.send(frame));
    QByteArray rest = client.read(12 + 3);
    EXPECT_TRUE(client.waitForHangup(3000, &rest));
    EXPECT_EQ(rest, frame + good.left(3));
    EXPECT_TRUE(waitFor([&] { return finished.load(); }));
    EXPECT_TRUE(device->hasHungUp());
    EXPECT_FALSE(device->isRunning());
    EXPECT_TRUE(device->log().contains("HANGUP after 3 of 6 bytes"));
}

TEST_F(SimFaultsTest, FaultsCombine)
{
    startWith(SimFaults{.noAnswerEvery = 3, .badChecksumEvery = 2, .extraByteEvery = 4});
    QByteArray bad = good;
    bad.back() = char(bad.back() + 1);
    // 1 ok, 2 bad, 3 none, 4 bad + extra, 5 ok, 6 none, 7 ok
    EXPECT_EQ(probes(7, 6 * 5 + 1), good + bad + bad + hex("55") + good + good);
}

TEST_F(SimFaultsTest, FaultsAlsoHitDefaultMails)
{
    startWith(SimFaults{.badChecksumEvery = 1});
    EXPECT_EQ(exchange(hex("023A00"), 5), hex("4D3A003D3E"));
}

} // namespace

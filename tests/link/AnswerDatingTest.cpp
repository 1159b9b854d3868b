// The dating rules with the clock given: times in nanoseconds from 0.
#include "AnswerDating.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr std::int32_t kBaud = 115200;
constexpr std::int64_t kByte = 86806; // one byte at 115200, 10 bits
constexpr std::int64_t kMs = 1000000;
constexpr std::int64_t kQuiet = 250 * kMs;

// An answer frame of three data bytes, or its first n bytes.
QByteArray Frame(int n = 8) { return QByteArray("\x4D\x02\x03\x3D\x00\x04\xD5\x16", 8).left(n); }

// A dating that learned these turnarounds from answers on a quiet line, each
// echo handed on `hold` after it crossed; the next request is
// sent at `at`, the line busy just before it.
struct Learned {
    TAnswerDating dating;
    std::int64_t at = 0;
    explicit Learned(const std::vector<std::int64_t>& turnarounds, std::int64_t hold = 0)
    {
        for (const std::int64_t t : turnarounds) {
            at += kQuiet + 10 * kMs;
            dating.RequestSent(at, 12, kBaud, kQuiet, true);
            if (hold > 0)
                dating.EchoIn(at + 12 * kByte + hold, 0);
            EXPECT_TRUE(dating.Datable(Frame(1), dating.EarliestAnswer() + t, false));
            dating.Confirmed();
            dating.Received(dating.EarliestAnswer() + t + 8 * kByte);
        }
        at += 20 * kMs;
        dating.Received(at - kMs);
        dating.RequestSent(at, 12, kBaud, kQuiet, false);
    }
};

TEST(AnswerDating, AnAnswerTooSoonForThisDeviceIsAnEarlierOne)
{
    const struct {
        std::vector<std::int64_t> learned;
        int bytes;          // of the frame, in this delivery
        std::int64_t after; // the delivery, after the earliest answer time
        bool lateLook;
        bool datable;
    } cases[] = {
        {{5 * kMs, 5 * kMs, 5 * kMs}, 1, 1 * kMs, false, false}, // half of 5 ms, less 1 ms of jitter: 1.5 ms
        {{5 * kMs, 5 * kMs, 5 * kMs}, 1, 2 * kMs, false, true},
        {{5 * kMs, 5 * kMs, 5 * kMs}, 8, 1 * kMs + 7 * kByte, false, false}, // dated by its first byte
        {{5 * kMs, 5 * kMs}, 1, 0, false, true},                             // two answers learned: no judgement yet
        {{9 * kMs, 6 * kMs, 5 * kMs}, 1, 1 * kMs, false, false},             // the quickest of them counts
        {{5 * kMs, 5 * kMs, 12 * kMs}, 1, 1 * kMs, false, true},             // answers read late by a busy program
        {{5 * kMs, 5 * kMs, 5 * kMs}, 8, 30 * kMs, true, true},              // found whole by a late look
        {{5 * kMs, 5 * kMs, 5 * kMs}, 8, 1 * kMs + 7 * kByte, true, false},  // ... but sooner than any answer
        {{kByte, kByte, kByte}, 1, 0, false, true}, // a quick device: a byte time at least, and jitter
    };
    for (const auto& c : cases) {
        Learned l(c.learned);
        EXPECT_EQ(l.dating.Datable(Frame(c.bytes), l.dating.EarliestAnswer() + c.after, c.lateLook), c.datable)
            << c.learned.size() << " learned, " << c.bytes << " bytes after " << c.after;
    }
}

TEST(AnswerDating, TheLineMustStayQuietUntilTheDevicesOwnAnswerWouldHaveBegun)
{
    const struct {
        std::vector<std::int64_t> learned;
        std::int64_t answerEnd; // after the earliest answer time
        std::int64_t quietFor;  // after the earliest answer time
        std::int64_t firstIn;   // the answer's first byte, when it is judged
    } cases[] = {
        {{5 * kMs, 5 * kMs, 5 * kMs}, 6 * kMs, 10 * kMs + 2 * kByte, -1},  // twice the usual turnaround
        {{5 * kMs, 6 * kMs, 7 * kMs}, 7 * kMs, 12 * kMs + 2 * kByte, -1},  // the median of what was learned
        {{5 * kMs, 5 * kMs, 13 * kMs}, 6 * kMs, 21 * kMs + 2 * kByte, -1}, // spread: the longest and the spread again
        {{kByte, kByte, kByte}, 8 * kByte, 9 * kByte + 20000, -1},         // a frame right behind the answer
        {{}, 5 * kMs, 2 * (5 * kMs - 7 * kByte) + 2 * kByte, 5 * kMs - 7 * kByte}, // nothing learned: this answer's own
        {{5 * kMs, 5 * kMs, 5 * kMs}, 9 * kMs, 14 * kMs + kByte, 2 * kMs}, // sooner than lately: a turnaround behind it
    };
    for (const auto& c : cases) {
        Learned l(c.learned);
        const std::int64_t earliest = l.dating.EarliestAnswer();
        if (c.firstIn >= 0) {
            ASSERT_TRUE(l.dating.Datable(Frame(1), earliest + c.firstIn, false));
        }
        l.dating.Received(earliest + c.answerEnd);
        EXPECT_NEAR(static_cast<double>(l.dating.QuietUntil(earliest + c.answerEnd) - earliest),
                    static_cast<double>(std::max(c.quietFor, c.answerEnd + kByte + 20000)), 10.0)
            << c.learned.size() << " learned, answer ends " << c.answerEnd;
    }
}

TEST(AnswerDating, AnAdaptersHoldIsWaitedOnceAfterTheLine)
{
    const struct {
        std::int64_t hold;     // of the echoes
        std::int64_t learned;  // turnaround, three times
        std::int64_t answerIn; // its last batch, after the earliest answer time
        std::int64_t quietFor; // after the earliest answer time
    } cases[] = {
        {16 * kMs, 14 * kMs, 15 * kMs, 15 * kMs},               // own answer in that batch
        {kMs, 6 * kMs, 7 * kMs, 2 * 5 * kMs + 2 * kByte + kMs}, // think time twice, one hold
        {kMs / 4, 5 * kMs, 6 * kMs, 2 * 5 * kMs + 2 * kByte},   // too little for an adapter
    };
    for (const auto& c : cases) {
        Learned l(std::vector<std::int64_t>(3, c.learned), c.hold);
        const std::int64_t earliest = l.dating.EarliestAnswer();
        l.dating.Received(earliest + c.answerIn);
        EXPECT_NEAR(static_cast<double>(l.dating.QuietUntil(earliest + c.answerIn) - earliest),
                    static_cast<double>(c.quietFor), 10.0)
            << "hold " << c.hold << ", turnaround " << c.learned;
    }
    // A write is read back a pause after it crossed the line, however late its echo came.
    Learned l({});
    EXPECT_NEAR(static_cast<double>(l.dating.EchoCrossed(l.at + 30 * kMs) - l.at), 12.0 * kByte, 10.0);
    EXPECT_EQ(l.dating.EchoCrossed(l.at + kMs / 10), l.at + kMs / 10);
}

TEST(AnswerDating, AnEchoSoonerThanTheLineMovesTheEarliestAnswerWithIt)
{
    // A far end without line timing: echo and answer at once, 0.1 ms after the send.
    Learned l({0, 0, 0});
    TAnswerDating& dating = l.dating;
    EXPECT_FALSE(dating.Datable(Frame(), l.at + kMs / 10, false)); // sooner than the line allows
    dating.RequestSent(l.at, 12, kBaud, kQuiet, true);
    dating.EchoIn(l.at + kMs / 10, 8);
    EXPECT_EQ(dating.EarliestAnswer(), l.at + kMs / 10 - TAnswerDating::ShortestLineNs(7, kBaud));
    EXPECT_TRUE(dating.Datable(Frame(), l.at + kMs / 10, false));
    // A late echo says nothing: the line's time stays the bound.
    dating.RequestSent(l.at, 12, kBaud, kQuiet, true);
    const std::int64_t earliest = dating.EarliestAnswer();
    dating.EchoIn(l.at + 10 * kMs, 0);
    EXPECT_EQ(dating.EarliestAnswer(), earliest);
}

TEST(AnswerDating, BytesThatBeganBeforeTheRequestCouldCrossAreDroppedWithTheirFrame)
{
    TAnswerDating dating;
    dating.RequestSent(0, 12, kBaud, kQuiet, false);
    const std::int64_t earliest = dating.EarliestAnswer();
    // A copy's whole frame in by the earliest answer time, then the answer.
    EXPECT_EQ(dating.StaleLead(Frame(), earliest), 8);
    EXPECT_EQ(dating.StaleLead(Frame(3), earliest + 8 * kByte), 0);
    // Its first bytes early, its rest later: the rest goes too.
    dating.RequestSent(0, 12, kBaud, kQuiet, false);
    EXPECT_EQ(dating.StaleLead(Frame(2), earliest), 2);
    EXPECT_EQ(dating.StaleLead(Frame().mid(2), earliest + 6 * kByte), 6);
}

} // namespace

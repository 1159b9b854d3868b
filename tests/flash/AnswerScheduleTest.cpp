// When a stream's answers are due: the line time of what went before, the
// target's busy time, a margin; and dated anew by every answer.
#include "AnswerSchedule.h"

#include <gtest/gtest.h>

namespace {

using tbload::AnswerSchedule;

struct Step {
    bool answered; // else sent
    size_t index;  // sent: the frame; answered: every frame before it
    size_t bytes;  // sent: its size; answered: the end of the frames in flight
    int busyMs;
    int atMs;
};

TEST(AnswerSchedule, DueAfterTheLineTheTargetAndTheMargin)
{
    // At 115200 baud: an ERASE frame takes 2 ms, a 4 KiB block 357 ms, an answer 2 ms.
    constexpr size_t kErase = 14, kBlock = 4110;
    const struct {
        const char* name;
        std::vector<Step> steps;
        size_t frame;
        int dueMs;
    } cases[] = {
        {"lone block", {{false, 0, kBlock, 20, 0}}, 0, 357 + 20 + 2 + 250},
        {"block behind a four second erase", {{false, 0, kErase, 4000, 0}, {false, 1, kBlock, 20, 0}}, 1, 4274},
        {"erase answered early",
         {{false, 0, kErase, 4000, 0}, {false, 1, kBlock, 20, 0}, {true, 1, 2, 0, 500}},
         1,
         500 + 20 + 2 + 250},
        {"erase answered before the block is through the line",
         {{false, 0, kErase, 4000, 0}, {false, 1, kBlock, 20, 0}, {true, 1, 2, 0, 100}},
         1,
         359 + 20 + 2 + 250},
        {"erase answered late",
         {{false, 0, kErase, 4000, 0}, {false, 1, kBlock, 20, 0}, {true, 1, 2, 0, 5000}},
         1,
         5000 + 20 + 2 + 250},
        {"second block waits for the line",
         {{false, 0, kBlock, 20, 0}, {false, 1, kBlock, 20, 0}},
         1,
         714 + 20 + 2 + 250},
        {"sent after a pause",
         {{false, 0, kBlock, 20, 0}, {true, 1, 1, 0, 400}, {false, 1, kBlock, 20, 1000}},
         1,
         1000 + 357 + 20 + 2 + 250},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AnswerSchedule::Clock::time_point start{};
        AnswerSchedule schedule(115200, 4);
        for (const Step& s : c.steps) {
            const auto at = start + std::chrono::milliseconds(s.atMs);
            if (s.answered)
                schedule.Answered(s.index, s.bytes, at);
            else
                schedule.Sent(s.index, s.bytes, s.busyMs, at);
        }
        EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(schedule.Due(c.frame) - start).count(),
                  c.dueMs);
    }
}

} // namespace

// What goes out next in a stream and what answers and silences mean.
#include "StreamWindow.h"
#include "BootFrame.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using tbload::StreamWindow;
using Verdict = StreamWindow::Verdict;
namespace boot = tbload::boot;

struct Event {
    char kind; // 'a' acknowledged, 'n' refusal, 't' silence
    size_t index = 0;
    uint8_t reason = 0;
    bool early = false;
};

TEST(StreamWindow, SendsAnswersAndSilences)
{
    const struct {
        const char* name;
        size_t count;
        std::vector<Event> events;
        // What went out at the start and after each event, separated by '|'.
        std::string sent;
        Verdict last;
        size_t base;
        int resends;
    } cases[] = {
        {"eight in flight, then one more per answer", 10, {{'a', 0}, {'a', 1}}, "01234567|8|9", Verdict::Go, 2, 0},
        {"an answer acknowledges the frames before it", 12, {{'a', 3}}, "01234567|89AB", Verdict::Go, 4, 0},
        {"an answer to no frame sent changes nothing", 12, {{'a', 9}}, "01234567|", Verdict::Go, 0, 0},
        {"silence: the base alone, three tries in all", 4, {{'t'}, {'t'}, {'t'}}, "0123|0|0|", Verdict::GiveUp, 0, 2},
        {"once the base is taken the window opens again",
         10,
         {{'t'}, {'a', 0}},
         "01234567|0|12345678",
         Verdict::Go,
         1,
         8},
        {"every frame gets its own three tries",
         3,
         {{'t'}, {'t'}, {'a', 0}, {'t'}, {'t'}, {'t'}},
         "012|0|0|12|1|1|",
         Verdict::GiveUp,
         1,
         6},
        {"a gap: from the frame the target awaits", 10, {{'n', 3, boot::kNakOrder}}, "01234567|3", Verdict::Go, 3, 1},
        {"a damaged frame with frames behind it waits for the gap",
         10,
         {{'n', 2, boot::kNakChecksum}},
         "01234567|89",
         Verdict::Go,
         2,
         0},
        {"a damaged lone frame goes again at once", 1, {{'n', 0, boot::kNakChecksum}}, "0|0", Verdict::Go, 0, 1},
        {"a report that comes before the resend can have arrived is the transmission's before",
         10,
         {{'t'}, {'n', 0, boot::kNakChecksum, true}, {'n', 0, boot::kNakOrder, true}, {'t'}},
         "01234567|0|||0",
         Verdict::Go,
         0,
         2},
        {"any other reason refuses", 10, {{'n', 2, boot::kNakNotErased}}, "01234567|", Verdict::Refused, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StreamWindow window(c.count);
        std::string sent;
        int resends = 0;
        auto fill = [&] {
            while (const auto index = window.NextToSend()) {
                sent += "0123456789AB"[*index];
                resends += window.Sent() ? 1 : 0;
            }
        };
        fill();
        Verdict last = Verdict::Go;
        for (const Event& e : c.events) {
            if (e.kind == 't')
                last = window.Silence();
            else if (!window.Expects(e.index))
                last = Verdict::Go;
            else if (e.kind == 'a')
                window.Acknowledged(e.index);
            else
                last = window.Refusal(e.index, e.reason, e.early);
            sent += '|';
            if (last == Verdict::Go)
                fill();
        }
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(last, c.last);
        EXPECT_EQ(window.Base(), c.base);
        EXPECT_EQ(resends, c.resends);
    }
}

} // namespace

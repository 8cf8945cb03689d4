// Lyric reports reach the listeners of their own stream only, and none after a listener has stopped listening.
#include "lyrics/livesync.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cantora::lyrics;

namespace {

struct Heard {
    std::vector<std::string> log;
    StreamListeners listeners(const std::string &who) {
        StreamListeners l;
        l.onMark = [this, who](const MarkReached &m) { log.push_back(who + " mark " + m.text); };
        l.onCapture = [this, who](const MarkReached &m) { log.push_back(who + " capture " + m.text); };
        l.onEnd = [this, who](HSTREAM s) { log.push_back(who + " end " + std::to_string(s)); };
        return l;
    }
};

} // namespace

TEST(LyricListeners, ReportsReachTheListenersOfTheirStreamWhileTheySubscribe) {
    Heard heard;
    StreamSubscription page(7, heard.listeners("page"));
    StreamSubscription editor(9, heard.listeners("editor"));
    StreamSubscription capture(9, heard.listeners("capture"));
    reportMark({7, "la", 0});
    reportCapture({9, "li", 0});
    reportMark({8, "nobody", 0});
    page = StreamSubscription(8, heard.listeners("new")); // the song was replaced
    reportMark({7, "late", 0});
    StreamSubscription moved = std::move(page);
    EXPECT_EQ(page.stream(), 0u);
    reportEnd(8);
    moved.reset();
    capture.reset();
    reportEnd(8);
    reportEnd(9);
    EXPECT_EQ(heard.log, (std::vector<std::string>{"page mark la", "editor capture li", "capture capture li",
                                                   "new end 8", "editor end 9"}));
}

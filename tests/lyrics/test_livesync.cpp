// Lyric reports reach the listeners of their own stream only, and none
// after a listener has stopped listening.
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

TEST(LyricListeners, EachStreamsReportsReachOnlyItsOwnListeners) {
    Heard heard;
    StreamSubscription page(7, heard.listeners("page"));
    StreamSubscription editor(9, heard.listeners("editor"));
    reportMark({7, "la", 0});
    reportCapture({9, "li", 0});
    reportEnd(9);
    reportMark({8, "nobody", 0});
    EXPECT_EQ(heard.log, (std::vector<std::string>{"page mark la", "editor capture li", "editor end 9"}));
}

TEST(LyricListeners, AReplacedOrMovedSubscriptionHearsNothingMore) {
    Heard heard;
    StreamSubscription page(7, heard.listeners("old"));
    page = StreamSubscription(8, heard.listeners("new")); // the song was replaced
    reportMark({7, "late", 0});
    reportMark({8, "now", 0});
    StreamSubscription moved = std::move(page);
    EXPECT_EQ(page.stream(), 0u);
    EXPECT_EQ(moved.stream(), 8u);
    reportEnd(8);
    moved.reset();
    reportEnd(8);
    EXPECT_EQ(heard.log, (std::vector<std::string>{"new mark now", "new end 8"}));
}

TEST(LyricListeners, TwoListenersOfOneStreamBothHear) {
    Heard heard;
    StreamSubscription page(5, heard.listeners("page"));
    StreamSubscription capture(5, heard.listeners("capture"));
    reportMark({5, "do", 0});
    EXPECT_EQ(heard.log.size(), 2u);
}

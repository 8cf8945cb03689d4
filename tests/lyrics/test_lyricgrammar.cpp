// Songs that break their lines with CR and LF read, in every reader, exactly
// as their twins written with "/" and "\": the LRC button, the exact LRC, the
// live page, the capture and the sing-along timeline. And the live page.
#include "lyrics/lrccapture.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lyricpage.h"
#include "lyrics/lyrictimeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

using namespace cantora::lyrics;

namespace {

// Marks written "tick:text|tick:text|..."; 960 ticks a second (120 bpm at 480 a quarter).
std::vector<LrcMark> song(std::string_view list) {
    std::vector<LrcMark> out;
    for (std::size_t at = 0; at <= list.size();) {
        const std::size_t bar = std::min(list.find('|', at), list.size());
        const std::size_t colon = list.find(':', at);
        const auto tick = static_cast<std::uint32_t>(std::stoul(std::string(list.substr(at, colon - at))));
        out.push_back({std::string(list.substr(colon + 1, bar - colon - 1)), tick, tick / 960.0});
        at = bar + 1;
    }
    return out;
}

// What each reader makes of a song.
struct Readings {
    std::string lrc, exact, capture;
    std::vector<std::string> pages, lines;
    bool operator==(const Readings &) const = default;
};

Readings read(const std::vector<LrcMark> &marks) {
    Readings r;
    LrcCreatorState state;
    r.lrc = createLrc(marks, 1u << 20, 500000.0 / 480 / 1000, state);
    r.exact = createExactLrc(marks, {});
    LyricState page;
    LrcCapture capture;
    std::uint32_t shownAt = 0;
    for (const LrcMark &m : marks) {
        // The page as it stands at each moment a mark changes it.
        if (applyMark(page, m.text, static_cast<std::int32_t>(m.tick))) {
            if (!r.pages.empty() && shownAt == m.tick)
                r.pages.pop_back();
            r.pages.push_back(page.LyricPage);
            shownAt = m.tick;
        }
        capture.onMark(m.text, static_cast<int>(m.seconds));
    }
    r.capture = capture.fileBytes();
    const LyricTimeline timeline(marks, {});
    for (const TimedLine &l : timeline.lines())
        r.lines.push_back(std::to_string(l.paragraph) + ":" + l.text());
    return r;
}

struct Twin {
    const char *form;
    std::vector<LrcMark> crlf, slashes;
    const char *lrc; // what the LRC button writes for both
};

TEST(CrLfBreaks, EveryReaderReadsThemAsTheBreakCharacters) {
    const Twin twins[] = {
        {"CR and LF marks of their own: line, paragraph, CR LF, CR then LF; four lines turn the page",
         song("0:\r|960:One |1440:a|1900:\r|1920:Two |2400:b|2880:\r|2880:Three|3000:\r|3840:Four |4800:c|5000:\n|"
              "5760:Five |6720:d|7000:\r\n|7680:Six |8640:e|9000:\r|9100:\n|9600:Seven |10560:f"),
         song("960:/One |1440:a|1920:/Two |2400:b|2880:/Three|3840:/Four |4800:c|5760:\\Five |6720:d|7680:\\Six |"
              "8640:e|9600:\\Seven |10560:f"),
         "[00:01]ONE A\r\n[00:02]TWO B\r\n[00:02]THREE\r\n[00:04]FOUR C\r\n[00:06]FIVE D\r\n[00:08]SIX E\r\n"
         "[00:10]SEVEN F\r\n"},
        {"CR at the start, at the end and in the middle of a syllable",
         song("960:\rOne |1440:a\r|1920:Two |2400:b\rThree |2880:c|3840:\nFour"),
         song("960:/One |1440:a|1920:/Two |2400:b|2400:/Three |2880:c|3840:\\Four"),
         "[00:01]ONE A\r\n[00:02]TWO B\r\n[00:02]THREE C\r\n[00:02]FOUR\r\n"},
        {"a waiting CR adds nothing to a slash; a waiting LF makes it a paragraph; headers let it wait",
         song("0:/One|10:\r|960:/Two |1920:a|2000:\n|2000:@Tx|2880:<Three |3840:b"),
         song("0:/One|960:/Two |1920:a|2000:@Tx|2880:\\Three |3840:b"),
         "[00:00]ONE\r\n[00:02]TWO A\r\n[00:03]THREE B\r\n"},
        {"an empty mark still ends the LRC, also right after a break",
         song("0:/One |960:a|1000:/Two|1100:b|1200:\r|1920:|2880:Three"),
         song("0:/One |960:a|1000:/Two|1100:b|1920:|2880:/Three"), "[00:01]ONE A\r\n"},
    };
    for (const Twin &t : twins) {
        const Readings crlf = read(t.crlf);
        EXPECT_EQ(crlf, read(t.slashes)) << t.form;
        EXPECT_EQ(crlf.lrc, t.lrc) << t.form;
    }
    // The page (whose first break adds an empty line) turned at the fourth line and started afresh at the paragraph.
    const std::vector<std::string> pages = read(twins[0].crlf).pages;
    ASSERT_EQ(pages.size(), 13u);
    EXPECT_EQ(pages[3], "\r\nOne a\r\nTwo b");
    EXPECT_EQ(pages[4], "Three");
    EXPECT_EQ(pages[6], "Three\r\nFour c");
    EXPECT_EQ(pages[7], "Five ");
}

TEST(LyricPage, TheLabelShowsTheMarkAsStoredAndHeadersAndWaitingBreaksChangeNothing) {
    LyricState s;
    const std::tuple<const char *, bool, const char *, const char *> marks[] = {
        {"\\Hel", true, "Hel", "\\Hel"}, {"@TTwinkle", false, "Hel", "\\Hel"}, {"lo\r", true, "Hello", "lo"},
        {"\n", false, "Hello", "lo"},    {"/world", true, "world", "/world"},  {"\\", true, "", "\\"},
    };
    for (const auto &[text, changed, page, label] : marks) {
        EXPECT_EQ(applyMark(s, text, 7), changed) << text;
        EXPECT_EQ(s.LyricPage, page) << text;
        EXPECT_EQ(s.LastSyllable, label) << text;
    }
}

} // namespace

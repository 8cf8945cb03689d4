// Songs that break their lines with CR and LF read, in every reader, exactly
// as their twins written with "/" and "\": the LRC button, the exact LRC, the
// live page, the capture and the sing-along timeline.
#include "lyrics/lrccapture.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lyricpage.h"
#include "lyrics/lyrictimeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cantora::lyrics;

namespace {

// 120 bpm at 480 ticks per quarter: 960 ticks a second.
std::vector<LrcMark> song(std::initializer_list<std::pair<const char *, std::uint32_t>> list) {
    std::vector<LrcMark> out;
    for (const auto &[text, tick] : list)
        out.push_back({text, tick, tick / 960.0});
    return out;
}

// What each reader makes of a song.
struct Readings {
    std::string lrc, exact, capture;
    std::vector<std::string> pages, lines;
    bool operator==(const Readings &) const = default;
};

void PrintTo(const Readings &r, std::ostream *os) {
    *os << ::testing::PrintToString(r.lrc) << " " << ::testing::PrintToString(r.exact) << " "
        << ::testing::PrintToString(r.capture) << " " << ::testing::PrintToString(r.pages) << " "
        << ::testing::PrintToString(r.lines);
}

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
         song({{"\r", 0},       {"One ", 960},    {"a", 1440},    {"\r", 1900},    {"Two ", 1920}, {"b", 2400},
               {"\r", 2880},    {"Three", 2880},  {"\r", 3000},   {"Four ", 3840}, {"c", 4800},    {"\n", 5000},
               {"Five ", 5760}, {"d", 6720},      {"\r\n", 7000}, {"Six ", 7680},  {"e", 8640},    {"\r", 9000},
               {"\n", 9100},    {"Seven ", 9600}, {"f", 10560}}),
         song({{"/One ", 960},
               {"a", 1440},
               {"/Two ", 1920},
               {"b", 2400},
               {"/Three", 2880},
               {"/Four ", 3840},
               {"c", 4800},
               {"\\Five ", 5760},
               {"d", 6720},
               {"\\Six ", 7680},
               {"e", 8640},
               {"\\Seven ", 9600},
               {"f", 10560}}),
         "[00:01]ONE A\r\n[00:02]TWO B\r\n[00:02]THREE\r\n[00:04]FOUR C\r\n[00:06]FIVE D\r\n[00:08]SIX E\r\n"
         "[00:10]SEVEN F\r\n"},
        {"CR at the start, at the end and in the middle of a syllable",
         song({{"\rOne ", 960}, {"a\r", 1440}, {"Two ", 1920}, {"b\rThree ", 2400}, {"c", 2880}, {"\nFour", 3840}}),
         song({{"/One ", 960},
               {"a", 1440},
               {"/Two ", 1920},
               {"b", 2400},
               {"/Three ", 2400},
               {"c", 2880},
               {"\\Four", 3840}}),
         "[00:01]ONE A\r\n[00:02]TWO B\r\n[00:02]THREE C\r\n[00:02]FOUR\r\n"},

        {"a waiting CR adds nothing to a slash; a waiting LF makes it a paragraph; headers let it wait",
         song({{"/One", 0},
               {"\r", 10},
               {"/Two ", 960},
               {"a", 1920},
               {"\n", 2000},
               {"@Tx", 2000},
               {"<Three ", 2880},
               {"b", 3840}}),
         song({{"/One", 0}, {"/Two ", 960}, {"a", 1920}, {"@Tx", 2000}, {"\\Three ", 2880}, {"b", 3840}}),
         "[00:00]ONE\r\n[00:02]TWO A\r\n[00:03]THREE B\r\n"},
        {"an empty mark still ends the LRC, also right after a break",
         song({{"/One ", 0}, {"a", 960}, {"/Two", 1000}, {"b", 1100}, {"\r", 1200}, {"", 1920}, {"Three", 2880}}),
         song({{"/One ", 0}, {"a", 960}, {"/Two", 1000}, {"b", 1100}, {"", 1920}, {"/Three", 2880}}),
         "[00:01]ONE A\r\n"},
    };
    for (const Twin &t : twins) {
        const Readings crlf = read(t.crlf);
        EXPECT_EQ(crlf, read(t.slashes)) << t.form;
        EXPECT_EQ(crlf.lrc, t.lrc) << t.form;
    }
    // The page (whose first break adds an empty line) turned at the fourth
    // line and started afresh at the paragraph.
    const std::vector<std::string> pages = read(twins[0].crlf).pages;
    ASSERT_EQ(pages.size(), 13u);
    EXPECT_EQ(pages[3], "\r\nOne a\r\nTwo b");
    EXPECT_EQ(pages[4], "Three");
    EXPECT_EQ(pages[6], "Three\r\nFour c");
    EXPECT_EQ(pages[7], "Five ");
}

} // namespace

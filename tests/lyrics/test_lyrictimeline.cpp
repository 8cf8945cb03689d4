// The sing-along timeline: lines and paragraphs from the break characters,
// syllable times through the tempo factor, gaps
// with a countdown, and what is on screen at a given second.
#include "lyrics/lrcwords.h"
#include "lyrics/lyrictimeline.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

using namespace cantora::lyrics;

namespace {

// Marks written "seconds:text|seconds:text|..." (the song's own clock).
std::vector<LrcMark> marksAt(std::string_view list) {
    std::vector<LrcMark> out;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t colon = list.find(':', at), bar = std::min(list.find('|', colon), list.size());
        out.push_back({std::string(list.substr(colon + 1, bar - colon - 1)), 0,
                       std::stod(std::string(list.substr(at, colon - at)))});
        at = bar + 1;
    }
    return out;
}

std::vector<std::string> lineTexts(const LyricTimeline &t) {
    std::vector<std::string> out;
    for (const TimedLine &l : t.lines())
        out.push_back(std::to_string(l.paragraph) + ":" + l.text());
    return out;
}

TEST(LyricTimeline, BreakCharactersMakeLinesAndParagraphsAndHeadersAreNotShown) {
    // CP1252 and UTF-8 alike read as UTF-8; a slash after the last word ends the line too; spaces alone make no line.
    const LyricTimeline t(
        marksAt("0:@KMIDI KARAOKE FILE|1:\\Hel|2:lo |3:/w\xf6rld|4:<again|5:@Lenglish|6:\\S\u00e9cond "
                "|7:verse\r|8:next|9:/|10:last./ |11:o/|12:/|13:/ "),
        {"  Song title ", "The artist", "ignored"});
    EXPECT_EQ(lineTexts(t), (std::vector<std::string>{"0:Hello ", "0:w\u00f6rld", "0:again", "1:S\u00e9cond verse",
                                                      "1:next", "1:last. ", "1:o"}));
    EXPECT_EQ(t.title() + "|" + t.artist(), "Song title|The artist");
    // Text before any break is a line of the first paragraph.
    const LyricTimeline lead(marksAt("0:Intro |1:text|2:\\Verse"), {});
    EXPECT_EQ(lineTexts(lead), (std::vector<std::string>{"0:Intro text", "1:Verse"}));
}

TEST(LyricTimeline, SyllablesLastUntilTheNextMarkWithinLimits) {
    const LyricTimeline t(marksAt("10:\\A|10.5:ve|20:/Ma|20.25:ri|20.5:a"), {});
    const auto &l0 = t.lines()[0].syllables;
    EXPECT_DOUBLE_EQ(l0[0].end, 10.5);
    // A held last syllable before a long rest wipes for at most two seconds.
    EXPECT_DOUBLE_EQ(l0[1].end, 12.5);
    EXPECT_DOUBLE_EQ(t.lines()[1].syllables.back().end, 21.5);
    // Played twice as fast, every time halves.
    const LyricTimeline fast(marksAt("10:\\A|10.5:ve|20:/Ma|20.25:ri|20.5:a"), {}, 2.0);
    EXPECT_DOUBLE_EQ(fast.lines()[0].syllables[1].start, 5.25);
    EXPECT_DOUBLE_EQ(fast.lines()[0].syllables[1].end, 6.25);
    EXPECT_DOUBLE_EQ(fast.lines()[1].end(), 10.75);
}

TEST(LyricTimeline, LongSilencesGetACountdownAndShortOnesDoNot) {
    // The last gap lasts exactly as long as a countdown needs.
    const LyricTimeline t(marksAt("41:\\In|42:tro|44:/short|46:\\after|60:/long|68:/six"), {});
    std::vector<std::tuple<double, double, std::size_t>> gaps; // from, to, the line after it
    for (const auto &g : t.gaps())
        gaps.emplace_back(g.from, g.to, g.nextLine);
    EXPECT_EQ(gaps, (std::vector<std::tuple<double, double, std::size_t>>{{0, 41, 0}, {48, 60, 3}, {62, 68, 4}}));
}

using Rows = std::array<std::size_t, 2>;
constexpr std::size_t kNo = SingAlongFrame::kNoLine;

TEST(LyricTimeline, TheIntroShowsTheTitleWithTheCountdownThenTheFirstLinesCome) {
    const LyricTimeline t(marksAt("41:\\In|42:tro|44:/short|46:\\after|60:/long"), {"Ave", "Schubert"});
    // The countdown starts on the title screen and goes on over the first
    // two lines, up whole before they are sung; after the last line nothing is shown.
    const struct {
        double at;
        bool title;
        int dots;
        Rows rows;
        bool singing;
        std::size_t current;
    } frames[] = {{0, true, 0, {kNo, kNo}, false, 0},    {36.5, true, 5, {kNo, kNo}, false, 0},
                  {37.2, true, 4, {kNo, kNo}, false, 0}, {38.0, false, 3, {0, 1}, false, 0},
                  {40.99, false, 1, {0, 1}, false, 0},   {41.0, false, 0, {0, 1}, true, 0},
                  {70, false, 0, {kNo, kNo}, false, kNo}};
    for (const auto &f : frames) {
        const SingAlongFrame got = t.frameAt(f.at);
        EXPECT_EQ(got.showTitle, f.title) << f.at;
        EXPECT_EQ(got.countdownDots, f.dots) << f.at;
        EXPECT_EQ(got.rows, f.rows) << f.at;
        EXPECT_EQ(got.singing, f.singing) << f.at;
        EXPECT_EQ(got.current, f.current) << f.at;
    }
    EXPECT_TRUE(LyricTimeline().frameAt(3).showTitle) << "a song without lines shows its title";
}

// The lines on screen at each of `times`.
std::vector<Rows> rowsAt(const LyricTimeline &t, std::initializer_list<double> times) {
    std::vector<Rows> out;
    for (double s : times)
        out.push_back(t.frameAt(s).rows);
    return out;
}

TEST(LyricTimeline, LinesKeepTheirRowAndTheNextLineComesUpInTheOtherRow) {
    // Four lines back to back, two seconds each.
    const LyricTimeline t(marksAt("10:\\one |11:a|12:/two |13:b|14:/three |15:c|16:/four |17:d"), {});
    // While a line is sung it stays where it is; the row above or below
    // already holds the next, a whole line ahead of its first syllable.
    EXPECT_EQ(rowsAt(t, {10.5, 12.5, 14.5, 16.5, 17.9}),
              (std::vector<Rows>{{0, 1}, {2, 1}, {2, 3}, {kNo, 3}, {kNo, 3}}));
    for (std::size_t i = 2; i < t.lines().size(); ++i)
        EXPECT_DOUBLE_EQ(t.lines()[i].start() - t.lines()[i].shownFrom, 2.0) << i;
    const SingAlongFrame f = t.frameAt(12.5);
    EXPECT_EQ(f.current, 1u);
    EXPECT_TRUE(f.singing);
}

TEST(LyricTimeline, ANewParagraphTurnsToACleanPageWithLeadWhenTheRestAllowsIt) {
    // Paragraph 0 ends on the upper row. With a rest of 2.5 s after it the page
    // turns as soon as the old line is sung, well ahead of the new paragraph.
    for (const double f : {1.0, 2.0}) { // at double tempo, all of it in half the time
        const LyricTimeline rest(marksAt("10:\\one|12:/two|14:/three|14.5:x|19:\\new|21:/page"), {}, f);
        EXPECT_EQ(rowsAt(rest, {14.2 / f, 16.6 / f, 18.9 / f}), (std::vector<Rows>{{2, kNo}, {3, 4}, {3, 4}}));
        EXPECT_GE((rest.lines()[3].start() - rest.lines()[3].shownFrom) * f, LyricTimeline::kPageLeadSeconds);
    }

    // Sung straight on, the old line is not taken away early: the new
    // paragraph's first line comes up in the free lower row, as soon as that
    // row is free, and the paragraph goes on alternating.
    const LyricTimeline tight(marksAt("10:\\one|12:/two|14:/three|15:\\new|17:/page"), {});
    EXPECT_EQ(rowsAt(tight, {14.5, 15.5, 17.5}), (std::vector<Rows>{{2, 3}, {4, 3}, {4, kNo}}));
    EXPECT_DOUBLE_EQ(tight.lines()[3].shownFrom, 14.0);

    // A paragraph whose line before it sits in the lower row simply takes the upper one.
    const LyricTimeline lower(marksAt("10:\\one|12:/two|13:\\new|14:/page"), {});
    EXPECT_EQ(rowsAt(lower, {12.5, 13.5}), (std::vector<Rows>{{2, 1}, {2, 3}}));
}

TEST(LyricTimeline, ChangesAreKnownAheadSoTheViewCanPaintRightOnThem) {
    const LyricTimeline t(marksAt("10:\\Hel|10.5:lo|11:/there"), {});
    // The countdown's dots go each second, the title leaves 3 s ahead, then each syllable starts.
    // The last line leaves at 12 s; after that nothing changes.
    for (const auto &[now, next] :
         {std::pair{0.0, 5.0}, {6.5, 7.0}, {9.999, 10.0}, {10.0, 10.5}, {10.7, 11.0}, {11.5, 12.0}, {12.0, -1.0}})
        EXPECT_DOUBLE_EQ(t.nextChangeAfter(now), next) << now;
    EXPECT_LT(LyricTimeline().nextChangeAfter(0), 0);
}

TEST(LyricTimeline, TheWipeMovesThroughEachSyllableFromItsMarkToTheNext) {
    const LyricTimeline t(marksAt("1:\\Hel|2:lo |2.5:world|10:/x"), {});
    const std::pair<double, std::vector<double>> wipes[] = {
        {0.5, {0, 0, 0}}, {1.5, {0.5, 0, 0}}, {2.25, {1, 0.5, 0}}, {3.5, {1, 1, 0.5}}, {9.0, {1, 1, 1}}};
    for (const auto &[at, wipe] : wipes)
        EXPECT_EQ(t.wipeAt(0, at), wipe) << at;
    EXPECT_TRUE(t.wipeAt(5, 1).empty());
    // Widths 30, 20, 50: half way through "lo " the colour stands at 40.
    EXPECT_DOUBLE_EQ(wipeWidth({30, 20, 50}, t.wipeAt(0, 2.25)), 40);
    EXPECT_DOUBLE_EQ(wipeWidth({30, 20, 50}, t.wipeAt(0, 0)), 0);
    // The word-timed LRC: a tag for the line and each syllable, the length rounded.
    EXPECT_EQ(createWordLrc(LyricTimeline(marksAt("1:\\Hel|2.5:lo"), {"T"}), 61.5),
              "[ti:T]\r\n[length:01:02]\r\n[00:01.00]<00:01.00>Hel<00:02.50>lo\r\n");
}

} // namespace

// The sing-along view's geometry without pixels (word wrap, text scale, the
// wipe's width on a row) and its preferences file.
#include "core/tempfolder.h"
#include "lyrics/positionsmoother.h"
#include "lyrics/singalonglayout.h"
#include "lyrics/viewprefs.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace cantora::lyrics;

namespace {

// Ten units a character at the reference size.
const MeasureText chars = [](std::string_view s) { return 10.0 * static_cast<double>(s.size()); };

std::vector<std::string> rowTexts(const std::vector<std::string> &syl, const std::vector<LayoutRow> &rows) {
    std::vector<std::string> out;
    for (const LayoutRow &r : rows) {
        std::string t;
        for (std::size_t i = r.first; i < r.first + r.count; ++i)
            t += syl[i];
        out.push_back(t);
    }
    return out;
}

TEST(SingAlongLayout, LinesWrapBetweenWordsNeverInsideOne) {
    using Texts = std::vector<std::string>;
    const Texts twinkle = {"Twin", "kle, ", "twin", "kle, ", "lit", "tle ", "star"}, three = {"ab ", "cd ", "ef "};
    const std::tuple<Texts, double, Texts> cases[] = {
        {twinkle, 1000, {"Twinkle, twinkle, little star"}},
        {twinkle, 180, {"Twinkle, twinkle, ", "little star"}},
        // A word wider than the row stands alone rather than being cut.
        {twinkle, 50, {"Twinkle, ", "twinkle, ", "little ", "star"}},
        // A syllable starting with a space also allows a break before it.
        {{"one", " two", " three"}, 80, {"one two", " three"}},
        // A word that would overrun the row by a little still goes to the next one.
        {three, 85, {"ab cd ", "ef "}},
        {Texts{}, 100, Texts{}},
    };
    for (const auto &[syllables, width, rows] : cases)
        EXPECT_EQ(rowTexts(syllables, wrapSyllables(syllables, chars, width)), rows) << width;
    for (const LayoutRow &r : wrapSyllables(three, chars, 85))
        EXPECT_LE(r.width, 85);
}

TEST(SingAlongLayout, TheScaleFitsEveryRowInTheViewAndShrinksWithIt) {
    const std::vector<std::vector<std::string>> lines = {{"Twin", "kle, ", "twin", "kle, ", "lit", "tle ", "star"},
                                                         {"How ", "I ", "won", "der"}};
    // Wide and tall: the cap.
    EXPECT_DOUBLE_EQ(fitScale(lines, chars, 10000, 10000, 50, 2.0, 0.2), 2.0);
    // 600 wide, 100 high, rows 50 high: two rows at most, so no wrap; the
    // longest line (290 units) must fit 600: scale about 1.
    const double s = fitScale(lines, chars, 600, 100, 50, 2.0, 0.2);
    EXPECT_LE(s * 290, 600);
    EXPECT_LE(s * 2 * 50, 100.0 + 1e-9);
    EXPECT_GT(s, 0.9);
    // Narrow and tall: wrapped rows, every one within the width.
    const double narrow = fitScale(lines, chars, 150, 1000, 50, 2.0, 0.2);
    for (const auto &line : lines)
        for (const LayoutRow &r : wrapSyllables(line, chars, 150 / narrow))
            EXPECT_LE(r.width * narrow, 150.0 + 1e-9);
    EXPECT_DOUBLE_EQ(fitScale(lines, chars, 0, 100, 50, 2.0, 0.2), 0.2);
}

TEST(SingAlongLayout, OneScaleServesTheWholeSongSoTheTextKeepsItsSize) {
    // Two rows 50 high fit 100: each pair of neighbours must fit without
    // wrapping, and the 40-unit line sets the size for the whole song even
    // where the lines around it are short.
    const std::vector<std::vector<std::string>> lines = {
        {"ab"}, {"cd"}, {"0123456789012345678901234567890123456789"}, {"ef"}, {"gh"}};
    const double song = songScale(lines, chars, 200, 100, 50, 2.0, 0.1);
    EXPECT_LE(song * 400, 200);
    EXPECT_GT(song * 400, 200 * 0.95 * 0.95);
    EXPECT_LT(song, fitScale({lines[0], lines[1]}, chars, 200, 100, 50, 2.0, 0.1));
    // A single line fits alone; no lines leave the cap.
    EXPECT_DOUBLE_EQ(songScale({lines[2]}, chars, 200, 100, 50, 2.0, 0.1),
                     fitScale({lines[2]}, chars, 200, 100, 50, 2.0, 0.1));
    EXPECT_DOUBLE_EQ(songScale({}, chars, 200, 100, 50, 2.0, 0.1), 2.0);

    // Slightly larger text would break "abcd efgh" in two: one row each wins.
    EXPECT_DOUBLE_EQ(songScale({{"abcd ", "efgh"}, {"ij"}}, chars, 100, 200, 50, 2.0, 0.1), 100.0 / 90);
    // Much larger text is worth the break.
    EXPECT_DOUBLE_EQ(songScale({{"abcd ", "efgh ", "ijkl ", "mnop"}}, chars, 100, 400, 50, 2.0, 0.1), 2.0);
}

TEST(SingAlongLayout, TheWipeOnARowCountsOnlyItsOwnSyllables) {
    const std::vector<std::string> syl = {"Twin", "kle, ", "lit", "tle"};
    const auto rows = wrapSyllables(syl, chars, 90);
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<double> wipe = {1, 1, 0.5, 0};
    EXPECT_DOUBLE_EQ(rowWipeWidth(rows[0], syl, chars, wipe), 90);
    EXPECT_DOUBLE_EQ(rowWipeWidth(rows[1], syl, chars, wipe), 15);
    EXPECT_DOUBLE_EQ(rowWipeWidth(rows[1], syl, chars, {}), 0);
}

TEST(ViewPrefsFile, ReadsOurKeysAndWritesOnlyThemKeepingWhatOtherWindowsWrote) {
    ViewPrefs p = parseViewPrefs("# mine\r\nlyrics.view = singalong\r\nlyrics.contrast=yellow\r\n");
    EXPECT_EQ(p.view, LyricView::SingAlong);
    EXPECT_EQ(p.contrast, LyricContrast::Yellow);
    // Unknown values and broken lines read as the defaults.
    p = parseViewPrefs("lyrics.view=karaoke\nlyrics.contrast\n=x\nlyrics.contrast=day\n");
    EXPECT_EQ(p.view, LyricView::Classic);
    EXPECT_EQ(p.contrast, LyricContrast::Day);
    EXPECT_EQ(mergeViewPrefs("a=1", p), "a=1\nlyrics.view=classic\nlyrics.contrast=day\n");

    // Another window wrote its key since this one started: the save keeps it.
    const coretest::TempFolder dir;
    const std::string path = dir.put(kViewPrefsFile, "recent.1=/x.kar\n");
    p.view = LyricView::SingAlong;
    ASSERT_TRUE(saveViewPrefs(path, p));
    EXPECT_EQ(coretest::contents(path), "recent.1=/x.kar\nlyrics.view=singalong\nlyrics.contrast=day\n");
    EXPECT_EQ(loadViewPrefs(path).view, LyricView::SingAlong);
    EXPECT_EQ(loadViewPrefs(dir / "missing.ini").view, LyricView::Classic);
    EXPECT_FALSE(saveViewPrefs(dir / "none/x.ini", p));
}

TEST(PositionSmoother, CarriesThePositionBetweenStepsAndStopsWithinAStep) {
    const struct {
        double engine, wall, shown;
    } reads[] = {
        {-1, 0, -1},        {1.0, 10.0, 1.0},   {1.0, 10.05, 1.0},  // the first position as it is; no pace known yet
        {1.1, 10.1, 1.1},   {1.1, 10.14, 1.14}, {1.1, 10.18, 1.18}, // steps of 0.1 s every 0.1 s: on with the clock
        {1.1, 10.5, 1.2},   {1.1, 12.0, 1.2},                       // paused: no further than one step
        {1.15, 12.02, 1.2},                                         // a step short of the estimate: no going back
        {30.0, 12.1, 30.0}, {5.0, 12.2, 5.0},                       // seeks are taken at once, backwards too
        {5.2, 12.3, 5.2},   {5.2, 12.35, 5.3}, // a faster tempo: song seconds pass quicker than the clock
        {-1, 13, -1},
    };
    PositionSmoother s;
    for (const auto &r : reads)
        EXPECT_NEAR(s.at(r.engine, r.wall), r.shown, 1e-9) << r.wall;
}

TEST(PositionSmoother, LocksOntoWhenTheStepsHappenedNotWhenTheyWereSeen) {
    // Steps of 25 ms every 25 ms from wall 10 s, read every 15 ms: each
    // step is first seen up to 15 ms after it happened.
    const double stepS = 0.025, pollS = 0.015;
    auto engine = [&](double wall) { return 1.0 + stepS * std::floor((wall - 10.0) / stepS + 1e-9); };
    PositionSmoother s;
    double worstBehind = 0, worstAhead = 0;
    for (int i = 0; i < 200; ++i) {
        const double wall = 10.0 + 0.0005 + pollS * i;
        const double shown = s.at(engine(wall), wall);
        const double truth = 1.0 + (wall - 10.0); // the steps' own timing, carried on
        if (wall > 10.3) {
            worstBehind = std::max(worstBehind, truth - shown);
            worstAhead = std::max(worstAhead, shown - truth);
        }
    }
    // Trailing by when the steps were seen would be up to 15 ms behind.
    EXPECT_LT(worstBehind, 0.002);
    EXPECT_LT(worstAhead, 0.001);
}

} // namespace

// The lyrics window's lines without widgets: building the strip, reusing
// labels, the page jump every ten lines and the backward step's quirks.

#include "playback/lyricsstrip.h"

#include <gtest/gtest.h>

using namespace cantora::playback;

namespace {

constexpr int kH = 30;
constexpr std::uint32_t kNormal = 0xE0F0F0;

std::vector<std::string> song(int lines)
{
    std::vector<std::string> entries;
    for (int i = 0; i < lines; ++i)
        entries.push_back("00:" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "    line " + std::to_string(i));
    return entries;
}

} // namespace

TEST(LyricsStrip, BuildingTheStripShowsEachEntryWithoutItsStampAndFocusesTheFirst)
{
    LyricsStrip strip(kH);
    strip.Order_lblLyrics(song(3), kNormal);
    ASSERT_EQ(strip.labels().size(), 3u);
    EXPECT_EQ(strip.LineCount(), 3);
    EXPECT_EQ(strip.stripHeight(), 3 * kH);
    EXPECT_EQ(strip.labels()[2].caption, "line 2");
    EXPECT_EQ(strip.labels()[2].top, 2 * kH);
    EXPECT_EQ(strip.labels()[0].color, kFocusColor);
    EXPECT_TRUE(strip.labels()[0].bold);
    EXPECT_EQ(strip.labels()[1].color, kNormal);
    EXPECT_FALSE(strip.labels()[1].bold);
    EXPECT_TRUE(strip.labels()[1].visible);

    // Nine characters go, whatever the stamp: an eight-character one leaves blanks.
    EXPECT_EQ(LyricsStrip::displayText("00:12.34    Hi"), "   Hi");
    EXPECT_EQ(LyricsStrip::displayText("01:2é    Ciao"), "Ciao");
    EXPECT_EQ(LyricsStrip::displayText("short"), "");
}

TEST(LyricsStrip, AnEmptyListLeavesTheStripAsItWas)
{
    LyricsStrip strip(kH);
    strip.Order_lblLyrics(song(4), kNormal);
    strip.Move_Next_Focus_Lyrics();
    strip.Order_lblLyrics({}, 0x123456);
    EXPECT_EQ(strip.LineCount(), 4);
    EXPECT_EQ(strip.FocusIndex(), 1);
    EXPECT_EQ(strip.NormalColor(), kNormal);
    EXPECT_EQ(strip.labels()[1].color, kFocusColor);
}

TEST(LyricsStrip, AShorterSecondListReusesTheLabelsAndLeavesTheRestBelowTheStrip)
{
    LyricsStrip strip(kH);
    strip.Order_lblLyrics(song(12), kNormal);
    for (int i = 0; i < 11; ++i)
        strip.Move_Next_Focus_Lyrics();
    strip.Order_lblLyrics({"00:01    uno", "00:02    due"}, kNormal);
    ASSERT_EQ(strip.labels().size(), 12u) << "no label removed";
    EXPECT_EQ(strip.LineCount(), 2);
    EXPECT_EQ(strip.FocusIndex(), 0);
    EXPECT_EQ(strip.PageLine(), 0);
    EXPECT_EQ(strip.stripTop(), 0);
    EXPECT_EQ(strip.stripHeight(), 2 * kH);
    EXPECT_EQ(strip.labels()[1].caption, "due");
    EXPECT_EQ(strip.labels()[1].color, kNormal) << "the passed colour of the first song is gone";
    EXPECT_EQ(strip.labels()[0].color, kFocusColor);
    // Left over, untouched, below the strip's height.
    EXPECT_EQ(strip.labels()[11].caption, "line 11");
    EXPECT_GE(strip.labels()[11].top, strip.stripHeight());
}

TEST(LyricsStrip, ElevenStepsForwardMoveTheStripOnceOnTheTenth)
{
    LyricsStrip strip(kH);
    strip.Order_lblLyrics(song(25), kNormal);
    for (int step = 1; step <= 11; ++step) {
        strip.Move_Next_Focus_Lyrics();
        EXPECT_EQ(strip.FocusIndex(), step);
        EXPECT_EQ(strip.stripTop(), step < 10 ? 0 : -10 * kH) << "step " << step;
        EXPECT_EQ(strip.PageLine(), step % 10);
    }
    EXPECT_EQ(strip.labels()[11].color, kFocusColor);
    EXPECT_TRUE(strip.labels()[11].bold);
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(strip.labels()[i].color, kPassedColor) << i;
        EXPECT_FALSE(strip.labels()[i].bold) << i;
    }
    for (int step = 12; step <= 20; ++step)
        strip.Move_Next_Focus_Lyrics();
    EXPECT_EQ(strip.stripTop(), -20 * kH);
}

TEST(LyricsStrip, StepsBackMoveOnlyTheBoldAndNeverBeforeLineZero)
{
    LyricsStrip strip(kH);
    strip.Order_lblLyrics(song(15), kNormal);
    strip.Move_Previous_Focus_Lyrics();
    EXPECT_EQ(strip.FocusIndex(), 0);
    EXPECT_EQ(strip.PageLine(), 0);
    EXPECT_TRUE(strip.labels()[0].bold);

    for (int i = 0; i < 11; ++i)
        strip.Move_Next_Focus_Lyrics(); // focus 11, page line 1, strip at -10 lines
    strip.Move_Previous_Focus_Lyrics();
    strip.Move_Previous_Focus_Lyrics(); // across the page boundary
    EXPECT_EQ(strip.FocusIndex(), 9);
    EXPECT_EQ(strip.PageLine(), 9) << "wraps from -1 to 9";
    EXPECT_EQ(strip.stripTop(), -10 * kH) << "the strip does not move back";
    EXPECT_TRUE(strip.labels()[9].bold);
    EXPECT_FALSE(strip.labels()[10].bold);
    EXPECT_FALSE(strip.labels()[11].bold);
    EXPECT_EQ(strip.labels()[11].color, kFocusColor) << "a line left backwards keeps its red";
    EXPECT_EQ(strip.labels()[9].color, kPassedColor) << "colours are not changed going back";

    strip.Move_Next_Focus_Lyrics();
    EXPECT_EQ(strip.FocusIndex(), 10);
    EXPECT_EQ(strip.stripTop(), -10 * kH) << "page line 9 -> 0 moves the strip to the focus";
}

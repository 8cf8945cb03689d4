// Real-time capture: marks and slider seconds in, SYNCRO.LRC bytes out.
#include "lyrics/lrccapture.h"

#include <gtest/gtest.h>

#include <string>

using namespace cantora::lyrics;

TEST(LrcCapture, ScriptedSongGivesTheFileAtStop) {
    LrcCapture c;
    EXPECT_FALSE(c.onMark("@TSong", 0));
    EXPECT_FALSE(c.onMark("Intro ", 0));
    EXPECT_TRUE(c.onMark("\\Twin", 4)); // ends the text before the first break
    EXPECT_EQ(LrcCapture::entryText(c.entries().back()), "Intro \r\n");
    EXPECT_FALSE(c.onMark("kle", 5));
    EXPECT_TRUE(c.onMark("/Lit", 61));
    EXPECT_EQ(LrcCapture::entryText(c.entries().back()), "[00:03]Twinkle\r\n");
    EXPECT_FALSE(c.onMark("tle caf\xE9", 62)); // CP1252 in the song
    EXPECT_TRUE(c.onMark("<star", 63));
    EXPECT_EQ(c.openTag(), "[01:02]");
    EXPECT_EQ(c.fileBytes(), "[00:00]Intro \r\n[00:03]Twinkle\r\n[00:58]Little caf\xE9\r\n[01:02]star\r\n");
}

TEST(LrcCapture, PageShowsAtMostTwoLinesAndStaysApartFromTheLine) {
    LrcCapture c;
    c.onMark("one", 0);
    c.onMark("/two", 1);
    EXPECT_EQ(c.page(), "one\r\ntwo");
    c.onMark("/three", 2);
    EXPECT_EQ(c.page(), "three");      // a third line starts the page afresh
    EXPECT_EQ(c.openLine(), "/three"); // the line is whole, not the page
    c.onMark("/four", 3);
    c.onMark("\\five", 4);
    EXPECT_EQ(c.page(), "five");
    EXPECT_EQ(c.entries()[3].line, "/four");
}

TEST(LrcCapture, AtMost501EntriesAndResetStartsAgain) {
    LrcCapture c;
    for (int i = 0; i < 501; ++i)
        EXPECT_TRUE(c.onMark("/l" + std::to_string(i), i));
    EXPECT_FALSE(c.onMark("/late\r", 600)); // the 502nd entry is not recorded; its CR waits
    EXPECT_EQ(c.entries().size(), 501u);
    EXPECT_EQ(c.entries().back().line, "/l499");
    const std::string file = c.fileBytes();
    EXPECT_TRUE(file.ends_with("[08:18]l499\r\n[09:57]late\r\n")) << file.substr(file.size() - 40);
    c.reset();
    EXPECT_EQ(c.fileBytes(), ""); // nothing sung, nothing written
    // No break waits from before: the first syllable is on line 0, tagged [00:00].
    EXPECT_FALSE(c.onMark("again", 1));
    EXPECT_EQ(c.fileBytes(), "[00:00]again\r\n");
}

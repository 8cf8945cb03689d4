// The lyric page grammar and the rule that picks lyric or text events.
#include "audio/midiwriter.h"
#include "audio/output.h"
#include "lyrics/lyricpage.h"

#include <gtest/gtest.h>

using namespace cantora::lyrics;

namespace {

std::string feed(LyricState &s, std::initializer_list<const char *> marks) {
    for (const char *m : marks)
        applyMark(s, m, 0);
    return s.LyricPage;
}

} // namespace

TEST(LyricPage, ParagraphThenSyllableThenLineGrowTheSamePage) {
    LyricState s;
    EXPECT_EQ(feed(s, {"\\Hel"}), "Hel");
    EXPECT_EQ(feed(s, {"lo "}), "Hello ");
    EXPECT_EQ(feed(s, {"/world"}), "Hello \r\nworld");
    EXPECT_EQ(s.LastSyllable, "/world"); // as stored, slash included
    EXPECT_EQ(feed(s, {"<again"}), "Hello \r\nworld\r\nagain");
}

TEST(LyricPage, FourthLineAndParagraphStartAFreshPage) {
    LyricState s;
    feed(s, {"one", "/two", "/three"});
    EXPECT_EQ(countLines(s.LyricPage), 3);
    EXPECT_EQ(feed(s, {"/four"}), "four"); // no leading break kept
    EXPECT_EQ(feed(s, {"/five", "\\new"}), "new");
    EXPECT_EQ(feed(s, {"\\"}), ""); // a bare paragraph mark empties the page
}

TEST(LyricPage, HeaderMarksChangeNothingAndEmptyMarksAddNothing) {
    LyricState s;
    applyMark(s, "Hel", 10);
    EXPECT_FALSE(applyMark(s, "@TTwinkle", 20));
    EXPECT_EQ(s.LyricPage, "Hel");
    EXPECT_EQ(s.LastSyllable, "Hel");
    EXPECT_EQ(s.LastLyricTick, 10);
    EXPECT_TRUE(applyMark(s, "", 30));
    EXPECT_EQ(s.LyricPage, "Hel");
    EXPECT_EQ(s.LastSyllable, "");
    EXPECT_EQ(s.LastLyricTick, 30);
}

TEST(MarkSource, SixLyricEventsOrElseTwentyOneTextEvents) {
    cantora::audio::setOutputFactory([](int) { return cantora::audio::makeNullOutput(); });
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    auto sourceOf = [](int lyrics, int texts) {
        cantora::audio::MidiWriter w;
        int t = w.addTrack();
        for (int i = 0; i < lyrics; ++i)
            w.lyric(t, 10 * i, "la");
        for (int i = 0; i < texts; ++i)
            w.text(t, 10 * i + 5, "ta");
        w.noteOn(t, 0, 0, 60, 90);
        w.noteOff(t, 480, 0, 60);
        std::string b = w.bytes();
        HSTREAM h = BASS_MIDI_StreamCreateFile(1, b.data(), 0, b.size(), BASS_STREAM_DECODE, 44100);
        MarkSource m = markSourceOf(h);
        BASS_StreamFree(h);
        return m;
    };
    EXPECT_EQ(sourceOf(6, 0), MarkSource::Lyric);
    EXPECT_EQ(sourceOf(6, 30), MarkSource::Lyric);
    EXPECT_EQ(sourceOf(5, 30), MarkSource::Text);
    EXPECT_EQ(sourceOf(5, 21), MarkSource::Text);
    EXPECT_EQ(sourceOf(5, 20), MarkSource::None);
    EXPECT_EQ(sourceOf(0, 0), MarkSource::None);
    BASS_Free();
}

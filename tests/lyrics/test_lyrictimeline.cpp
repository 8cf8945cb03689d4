// The sing-along timeline: lines and paragraphs from the break characters,
// syllable times through the song's tempo map and the tempo factor, gaps
// with a countdown, and what is on screen at a given second.
#include "audio/bass.h"
#include "audio/midiwriter.h"
#include "audio/output.h"
#include "lyrics/lrcsong.h"
#include "lyrics/lyrictimeline.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace cantora::lyrics;
namespace fs = std::filesystem;

namespace {

// Marks at the given seconds (the song's own clock).
std::vector<LrcMark> marksAt(std::initializer_list<std::pair<double, const char *>> list) {
    std::vector<LrcMark> out;
    for (const auto &[s, text] : list)
        out.push_back({text, 0, s});
    return out;
}

std::vector<std::string> lineTexts(const LyricTimeline &t) {
    std::vector<std::string> out;
    for (const TimedLine &l : t.lines())
        out.push_back(std::to_string(l.paragraph) + ":" + l.text());
    return out;
}

TEST(LyricTimeline, BreakCharactersMakeLinesAndParagraphsAndHeadersAreNotShown) {
    const LyricTimeline t(marksAt({{0, "@KMIDI KARAOKE FILE"},
                                   {1, "\\Hel"},
                                   {2, "lo "},
                                   {3, "/world"},
                                   {4, "<again"},
                                   {5, "@Lenglish"},
                                   {6, "\\Second "},
                                   {7, "verse\r"},
                                   {8, "next"},
                                   {9, "/"},
                                   {10, "last"}}),
                          {"  Song title ", "The artist", "ignored"});
    EXPECT_EQ(lineTexts(t),
              (std::vector<std::string>{"0:Hello ", "0:world", "0:again", "1:Second verse", "1:next", "1:last"}));
    EXPECT_EQ(t.title(), "Song title");
    EXPECT_EQ(t.artist(), "The artist");
    // Text before any break is a line of the first paragraph.
    const LyricTimeline lead(marksAt({{0, "Intro "}, {1, "text"}, {2, "\\Verse"}}), {});
    EXPECT_EQ(lineTexts(lead), (std::vector<std::string>{"0:Intro text", "1:Verse"}));
}

TEST(LyricTimeline, Cp1252AndUtf8TextBothReadAsUtf8) {
    const LyricTimeline t(marksAt({{0, "\\Per\xf2"}, {1, "/Per\xc3\xb2"}}), {"Caf\xe9"});
    EXPECT_EQ(lineTexts(t), (std::vector<std::string>{"0:Per\xc3\xb2", "0:Per\xc3\xb2"}));
    EXPECT_EQ(t.title(), "Caf\xc3\xa9");
}

TEST(LyricTimeline, SyllablesLastUntilTheNextMarkWithinLimits) {
    const LyricTimeline t(marksAt({{10, "\\A"}, {10.5, "ve"}, {20, "/Ma"}, {20.25, "ri"}, {20.5, "a"}}), {});
    const auto &l0 = t.lines()[0].syllables;
    EXPECT_DOUBLE_EQ(l0[0].end, 10.5);
    // A held last syllable before a long rest wipes for at most two seconds.
    EXPECT_DOUBLE_EQ(l0[1].end, 12.5);
    EXPECT_DOUBLE_EQ(t.lines()[1].syllables.back().end, 21.5);
    // Played twice as fast, every time halves.
    const LyricTimeline fast(marksAt({{10, "\\A"}, {10.5, "ve"}, {20, "/Ma"}, {20.25, "ri"}, {20.5, "a"}}), {}, 2.0);
    EXPECT_DOUBLE_EQ(fast.lines()[0].syllables[1].start, 5.25);
    EXPECT_DOUBLE_EQ(fast.lines()[0].syllables[1].end, 6.25);
    EXPECT_DOUBLE_EQ(fast.lines()[1].end(), 10.75);
}

TEST(LyricTimeline, LongSilencesGetACountdownAndShortOnesDoNot) {
    const LyricTimeline t(marksAt({{41, "\\In"}, {42, "tro"}, {44, "/short"}, {46, "\\after"}, {60, "/long"}}), {});
    ASSERT_EQ(t.gaps().size(), 2u);
    EXPECT_DOUBLE_EQ(t.gaps()[0].from, 0);
    EXPECT_DOUBLE_EQ(t.gaps()[0].to, 41);
    EXPECT_EQ(t.gaps()[1].nextLine, 3u);
    EXPECT_DOUBLE_EQ(t.gaps()[1].from, 48);
    EXPECT_DOUBLE_EQ(t.gaps()[1].to, 60);
}

TEST(LyricTimeline, TheFrameShowsTitleThenCountdownThenTheSungAndTheNextLine) {
    const LyricTimeline t(marksAt({{41, "\\In"}, {42, "tro"}, {44, "/short"}, {46, "\\after"}, {60, "/long"}}),
                          {"Ave", "Schubert"});
    auto f = t.frameAt(0);
    EXPECT_TRUE(f.showTitle);
    EXPECT_EQ(f.lineCount, 0u);
    f = t.frameAt(37.5); // inside the lead: the first two lines are up, whole
    EXPECT_FALSE(f.showTitle);
    EXPECT_EQ(f.firstLine, 0u);
    EXPECT_EQ(f.lineCount, 2u);
    EXPECT_FALSE(f.singing);
    EXPECT_EQ(f.countdownDots, 0);
    EXPECT_EQ(t.frameAt(38.0).countdownDots, 3);
    EXPECT_EQ(t.frameAt(39.5).countdownDots, 2);
    EXPECT_EQ(t.frameAt(40.99).countdownDots, 1);
    f = t.frameAt(41.0);
    EXPECT_TRUE(f.singing);
    EXPECT_EQ(f.countdownDots, 0);
    // Once a line is sung the next one moves up: the page turns to the next
    // paragraph as soon as the last line of the old one is done.
    f = t.frameAt(46.5);
    EXPECT_EQ(f.firstLine, 2u);
    EXPECT_EQ(f.lineCount, 2u);
    f = t.frameAt(50);
    EXPECT_EQ(f.firstLine, 3u);
    EXPECT_FALSE(f.singing);
    EXPECT_EQ(t.frameAt(58.5).countdownDots, 2);
    f = t.frameAt(60.5);
    EXPECT_EQ(f.firstLine, 3u);
    EXPECT_EQ(f.lineCount, 1u);
    f = t.frameAt(70);
    EXPECT_EQ(f.lineCount, 0u);
    EXPECT_FALSE(f.showTitle);
    EXPECT_TRUE(LyricTimeline().frameAt(3).showTitle);
}

TEST(LyricTimeline, TheWipeMovesThroughEachSyllableFromItsMarkToTheNext) {
    const LyricTimeline t(marksAt({{1, "\\Hel"}, {2, "lo "}, {2.5, "world"}, {10, "/x"}}), {});
    EXPECT_EQ(t.wipeAt(0, 0.5), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(t.wipeAt(0, 1.5), (std::vector<double>{0.5, 0, 0}));
    EXPECT_EQ(t.wipeAt(0, 2.25), (std::vector<double>{1, 0.5, 0}));
    EXPECT_EQ(t.wipeAt(0, 3.5), (std::vector<double>{1, 1, 0.5}));
    EXPECT_EQ(t.wipeAt(0, 9.0), (std::vector<double>{1, 1, 1}));
    EXPECT_TRUE(t.wipeAt(5, 1).empty());
    // Widths 30, 20, 50: half way through "lo " the colour stands at 40.
    EXPECT_DOUBLE_EQ(wipeWidth({30, 20, 50}, t.wipeAt(0, 2.25)), 40);
    EXPECT_DOUBLE_EQ(wipeWidth({30, 20, 50}, t.wipeAt(0, 0)), 0);
}

class TimelineSong : public ::testing::Test {
protected:
    void SetUp() override {
        cantora::audio::setOutputFactory([](int) { return cantora::audio::makeNullOutput(); });
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
        dir_ = fs::temp_directory_path() /
               ("timeline-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        BASS_Free();
        fs::remove_all(dir_);
    }
    LyricTimeline timelineOf(const std::string &bytes, double factor = 1.0) {
        const std::string path = (dir_ / "song.kar").string();
        std::ofstream(path, std::ios::binary) << bytes;
        LrcSong song;
        EXPECT_EQ(readLrcSong(path, song), LrcSongError::None);
        return LyricTimeline(song.marks, song.atTTexts, factor);
    }
    fs::path dir_;
};

TEST_F(TimelineSong, SyllableTimesFollowTheWholeTempoMapAndTheTempoFactor) {
    // 120 bpm, division 480; the tempo halves (250000 us) at tick 4800 (5 s).
    cantora::audio::MidiWriter w(480);
    const int t = w.addTrack();
    w.tempo(t, 0, 500000);
    w.tempo(t, 4800, 250000);
    w.text(t, 0, "@TTempo test");
    w.text(t, 0, "@TNobody");
    const std::pair<std::uint64_t, const char *> lyrics[] = {{0, "\\One "},    {960, "two"},     {9600, "/Three"},
                                                             {10560, " four"}, {12000, "/Five"}, {12480, "six"}};
    for (const auto &[tick, text] : lyrics)
        w.lyric(t, tick, text);
    w.noteOn(t, 0, 0, 60, 90);
    w.noteOff(t, 14400, 0, 60);
    const LyricTimeline tl = timelineOf(w.bytes());
    ASSERT_EQ(tl.lines().size(), 3u);
    EXPECT_EQ(tl.title(), "Tempo test");
    EXPECT_EQ(tl.artist(), "Nobody");
    // Tick 9600: 5 s to tick 4800, then 4800 ticks at twice the speed.
    EXPECT_NEAR(tl.lines()[0].syllables[1].start, 1.0, 1e-4);
    EXPECT_NEAR(tl.lines()[1].start(), 7.5, 1e-4);
    EXPECT_NEAR(tl.lines()[1].syllables[1].start, 8.0, 1e-4);
    EXPECT_NEAR(tl.lines()[2].syllables[1].start, 9.0, 1e-4);
    const LyricTimeline faster = timelineOf(w.bytes(), 1.25);
    EXPECT_NEAR(faster.lines()[1].start(), 6.0, 1e-4);
}

TEST_F(TimelineSong, ATextEventSongKeepsItsHeadersOutOfTheLines) {
    cantora::audio::MidiWriter w(480);
    const int t = w.addTrack();
    w.tempo(t, 0, 500000);
    std::uint64_t tick = 0;
    for (const char *h : {"@KMIDI KARAOKE FILE", "@V0100", "@TSong", "@TSinger", "@LENG"})
        w.text(t, tick, h);
    for (int i = 0; i < 20; ++i)
        w.text(t, tick += 240, (i % 5 == 0 ? "/w" : "w") + std::to_string(i) + " ");
    w.noteOn(t, 0, 0, 60, 90);
    w.noteOff(t, tick + 480, 0, 60);
    const LyricTimeline tl = timelineOf(w.bytes());
    ASSERT_EQ(tl.lines().size(), 4u);
    EXPECT_EQ(tl.lines()[0].text(), "w0 w1 w2 w3 w4 ");
    EXPECT_EQ(tl.title(), "Song");
    EXPECT_EQ(tl.artist(), "Singer");
    EXPECT_NEAR(tl.lines()[0].start(), 0.25, 1e-4);
}

} // namespace

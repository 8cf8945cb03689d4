// The LRC file as the song creator writes it: tags, the early-tag rule,
// the per-mark state machine, and the exact variant.
#include "core/textcodec.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lrcformat.h"
#include "lyrics/lrcsong.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace cantora::lyrics;

namespace {

// 120 beats per minute at 480 ticks per quarter note.
constexpr double kMs120 = 500000.0 / 480 / 1000;

// Marks one quarter note apart unless a tick is given.
std::vector<LrcMark> marksOf(std::initializer_list<std::pair<const char *, std::uint32_t>> list) {
    std::vector<LrcMark> out;
    for (const auto &[text, tick] : list)
        out.push_back({text, tick, tick / 960.0});
    return out;
}

std::string run(const std::vector<LrcMark> &marks, double msPerTick = kMs120, LrcOptions options = {}) {
    LrcCreatorState state;
    return createLrc(marks, 1u << 20, msPerTick, state, options);
}

// A MIDI header with the given division and, somewhere after it, tempo bytes.
std::string headerWithTempo(std::uint16_t division, std::string tempoBytes) {
    std::string h("MThd\0\0\0\6\0\1\0\1", 12);
    h += static_cast<char>(division >> 8);
    h += static_cast<char>(division & 0xFF);
    return h + "MTrk\0\0\0\x20\0" + tempoBytes;
}

} // namespace

TEST(LrcTag, WholeSecondTagsComeEarlyAndExactOnesRound) {
    // The first three seconds stay; then one second early, or three on the
    // seconds 0 to 2 of a later minute; a hundred minutes print in full.
    const std::pair<int, const char *> tags[] = {{0, "[00:00]"},  {2, "[00:02]"},  {3, "[00:02]"},  {60, "[00:57]"},
                                                 {62, "[00:59]"}, {63, "[01:02]"}, {-4, "[00:00]"}, {6003, "[100:02]"}};
    for (const auto &[seconds, tag] : tags)
        EXPECT_EQ(lrcTag(seconds), tag) << seconds;
    const std::pair<double, const char *> exact[] = {{1.234, "[00:01.23]"},
                                                     {1.236, "[00:01.24]"},
                                                     {59.996, "[01:00.00]"},
                                                     {6000.01, "[100:00.01]"},
                                                     {-1, "[00:00.00]"}};
    for (const auto &[seconds, tag] : exact)
        EXPECT_EQ(lrcExactTag(seconds), tag) << seconds;
}

TEST(LrcTempo, FirstTempoBytesAndTheHeaderDivisionGiveMsPerTick) {
    using namespace std::string_literals;
    const std::pair<std::string, double> files[] = {
        {headerWithTempo(480, "\xFF\x51\x03\x07\xA1\x20"), kMs120},
        // 96 ticks per quarter at 600000 us; only the first tempo counts.
        {headerWithTempo(96, "\xFF\x51\x03\x09\x27\xC0\0\xFF\x51\x03\x07\xA1\x20"s), 6.25},
        // No tempo, a zero division, or tempo bytes cut off by the end of the file: nothing to go by.
        {headerWithTempo(480, "\x90\x40\x40"), 0},
        {headerWithTempo(0, "\xFF\x51\x03\x07\xA1\x20"), 0},
        {headerWithTempo(480, "\xFF\x51\x03\x07\xA1"), 0},
        {"\xFF\x51\x03\x07\xA1\x20", 0},
    };
    for (const auto &[bytes, ms] : files)
        EXPECT_NEAR(msPerTickOf(bytes).value_or(0), ms, 1e-9) << ms;
}

TEST(LrcCreator, LineIsItsMarksUpperCasedAtTheTimeOfItsSecondMark) {
    // 120 bpm, division 480: tick 9600 is 10 s, tagged a second early.
    EXPECT_EQ(run(marksOf({{"/hel", 9000}, {"lo", 9600}, {"world", 9900}})), "[00:09]HELLOWORLD\r\n");
    EXPECT_EQ(
        run(marksOf({{"/One ", 0}, {"two", 960}, {"\\Three", 2000}, {" four", 3840}, {"<Five", 4000}, {"six", 57600}})),
        "[00:01]ONE TWO\r\n[00:03]THREE FOUR\r\n[00:57]FIVESIX\r\n");
    // A damaged tempo (16.7 s per tick) puts the second line past 32-bit seconds: it keeps the time before.
    EXPECT_EQ(run(marksOf({{"/a", 0}, {"b", 60}, {"/c", 4000000000u}, {"d", 4000000000u}}), 16777.215),
              "[16:45]AB\r\n[16:45]CD\r\n");
    // Without a tempo the times stay at zero.
    EXPECT_EQ(run(marksOf({{"/a", 0}, {"b", 96000}}), 0.0), "[00:00]AB\r\n");
}

TEST(LrcCreator, TimesFollowAudioRenderedAtAnotherTempo) {
    // Tick 57600 is 60 s of song; at a tempo factor of 2/3 (the fastest) the
    // audio reaches it after 40 s, at 4/3 after 80 s.
    const auto marks = marksOf({{"/a", 0}, {"b", 57600}, {"/c", 57600}, {"d", 57600}});
    for (const auto &[factor, lrc, exact] : {std::tuple{2 / 3.0, "[00:39]AB\r\n[00:39]CD\r\n", "[00:40.00]c"},
                                             std::tuple{4 / 3.0, "[01:19]AB\r\n[01:19]CD\r\n", "[01:20.00]c"}}) {
        EXPECT_EQ(run(marks, kMs120, {factor}), lrc) << factor;
        EXPECT_NE(createExactLrc(marks, {}, {factor}).find(exact), std::string::npos) << factor;
    }
}

TEST(LrcCreator, EachRunStartsAfreshAndTextBeforeTheFirstBreakLosesItsFirstLetter) {
    // What an earlier song left: a pending line and its time.
    LrcCreatorState state{"/LEFT OVER", true, 75, 9600};
    const auto marks = marksOf({{"intro", 0}, {" words", 480}, {"/sung", 960}, {"now", 1920}});
    EXPECT_EQ(createLrc(marks, 1u << 20, kMs120, state), "[00:00]NTRO WORDS\r\n[00:02]SUNGNOW\r\n");
    EXPECT_EQ(createLrc(marks, 1u << 20, kMs120, state), run(marks));
}

TEST(LrcCreator, HeadersEmptyMarksBarsAndBareBreaks) {
    const std::pair<std::vector<LrcMark>, const char *> songs[] = {
        // A header is never written but counts as a mark: the one after the break gives the time.
        {marksOf({{"@TTitle", 0}, {"@LENGL", 0}, {"/", 0}, {"@Iinfo", 1920}, {"la", 2880}}), "[00:02]LA\r\n"},
        // Lines with nothing after the break are not written.
        {marksOf({{"/", 0}, {"/", 960}, {"/a", 1920}, {"b", 2880}, {"\\", 3840}, {"<", 4800}}), "[00:02]AB\r\n"},
        {{}, ""},
        // A bar ending starts the count before the first break: the text
        // gathered then takes each counted mark twice, as users' files hold.
        {marksOf({{"a", 0}, {"b|", 960}, {"c", 1920}, {"/d", 2880}, {"e", 3840}}), "[00:02]B|B|CC\r\n[00:03]DE\r\n"},
    };
    for (const auto &[marks, lrc] : songs)
        EXPECT_EQ(run(marks), lrc);
}

TEST(LrcCreator, TextIsReadInItsEncodingUpperCasedAndWrittenAsCp1252WhereThatHoldsIt) {
    std::string why;
    const auto sjis = cantora::core::SongEncoding::named("SHIFT_JIS", &why);
    const auto cp1251 = cantora::core::SongEncoding::named("CP1251", &why);
    ASSERT_TRUE(sjis && cp1251) << why;
    EXPECT_FALSE(cantora::core::SongEncoding::named("NO-SUCH-CODE", &why));
    EXPECT_NE(why, "");
    // "sakura さくら" in Shift-JIS (ら is 82 E7, whose E7 CP1252 would raise), "я, Ж" in CP1251.
    const auto japanese = marksOf({{"/sakura \x82\xB3\x82\xAD\x82\xE7", 0}});
    const auto russian = marksOf({{"/\xFF, \xC6", 0}, {"x", 960}});
    const std::tuple<std::vector<LrcMark>, const cantora::core::SongEncoding *, const char *> songs[] = {
        // UTF-8 is written as CP1252, upper-cased; ß and ÷ have no capital.
        {marksOf({{"/h\xC3\xA9llo \xC3\xA7"
                   "a \xC5\x93\xC3\xBF\xC5\xA1\xC3\x9F\xC3\xB7",
                   0},
                  {"!", 0}}),
         nullptr,
         "[00:00]H\xC9LLO \xC7"
         "A \x8C\x9F\x8A\xDF\xF7!\r\n"},
        // Without a named encoding, bytes that are not UTF-8 read as CP1252.
        {marksOf({{"/caf\xE9", 0}, {"\xE0", 0}}), nullptr, "[00:00]CAF\xC9\xC0\r\n"},
        {japanese, nullptr, "[00:00]SAKURA \x82\xB3\x82\xAD\x82\xC7\r\n"},
        // Words CP1252 cannot hold are written in UTF-8, never as "?"; a line
        // sung before the first break loses its whole first character.
        {marksOf({{"/sakura \xE3\x81\x95", 0}, {"\xE3\x81\x8F\xE3\x82\x89", 0}}), nullptr,
         "[00:00]SAKURA \xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89\r\n"},
        {marksOf({{"\xE3\x81\x95\xE3\x81\x8F", 0}, {"ra", 0}}), nullptr, "[00:00]\xE3\x81\x8FRA\r\n"},
        // A named encoding reads the bytes; only one-byte letters are raised.
        {japanese, &*sjis, "[00:00]SAKURA \xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89\r\n"},
        {russian, &*cp1251, "[00:01]\xD0\xAF, \xD0\x96X\r\n"},
    };
    for (const auto &[marks, encoding, lrc] : songs)
        EXPECT_EQ(run(marks, kMs120, {1.0, encoding}), lrc);
    EXPECT_EQ(createExactLrc(russian, {"\xD2"}, {1.0, &*cp1251}), "[ti:\xD0\xA2]\r\n[00:00.00]\xD1\x8F, \xD0\x96x\r\n");
}

TEST(LrcCreator, ReadingEndsAfterMark850AtTheFileLengthOrAtATickGoingBackFromMark26On) {
    // Marks in pairs "/l<n>" then "x", a tick apart; mark `backAt` goes back to tick 5.
    const auto song = [](std::uint32_t count, std::uint32_t backAt = ~0u) {
        std::vector<LrcMark> marks;
        for (std::uint32_t i = 0; i < count; ++i)
            marks.push_back({i % 2 ? "x" : "/l" + std::to_string(i / 2), i == backAt ? 5 : 1000 + i, 0});
        return run(marks);
    };
    // Mark 850 opens line L425, whose "x" is mark 851.
    const std::string all = song(900);
    EXPECT_TRUE(all.ends_with("]L425\r\n")) << all.substr(all.size() - 40);
    EXPECT_EQ(song(851), all);
    EXPECT_TRUE(song(850).ends_with("]L424X\r\n"));
    // Mark 25 is compared with an unset entry: it never ends the run.
    EXPECT_TRUE(song(30, 25).ends_with("]L14X\r\n"));
    EXPECT_TRUE(song(30, 24).ends_with("]L14X\r\n"));
    // Mark 27 going back ends at the line mark 26 opened, written without it.
    EXPECT_TRUE(song(30, 27).ends_with("]L12X\r\n[00:01]L13\r\n")) << song(30, 27);
    // No mark index beyond the file length is read.
    LrcCreatorState state;
    const auto five = marksOf({{"/a", 0}, {"b", 0}, {"c", 0}, {"d", 0}, {"e", 0}});
    EXPECT_EQ(createLrc(five, 3, kMs120, state), "[00:00]ABCD\r\n");
}

TEST(LrcExact, FirstSyllableTimeInHundredthsOriginalCaseUtf8AndHeaders) {
    const std::vector<LrcMark> marks = {{"@KMIDI KARAOKE FILE", 0, 0}, {"\\", 0, 0.5},  {"Tw\xC3", 96, 1.004},
                                        {"\xAFnkle", 192, 1.5},        {"", 200, 1.6},  {"/Lit", 300, 62.255},
                                        {"tle star|", 400, 63.0},      {"<", 500, 70.0}};
    EXPECT_EQ(createExactLrc(marks, {"Twinkle ", "Jane Taylor"}),
              "[ti:Twinkle]\r\n[ar:Jane Taylor]\r\n"
              "[00:01.00]Tw\xC3\xAFnkle\r\n[01:02.26]Little star|\r\n");
    EXPECT_EQ(createExactLrc(marks, {"Only a title"}).substr(0, 20), "[ti:Only a title]\r\n[");
    EXPECT_EQ(createExactLrc({}, {}), "");
    // CP1252 texts become UTF-8.
    EXPECT_EQ(createExactLrc({{"caf\xE9", 0, 0}}, {"\xE9t\xE9"}),
              "[ti:\xC3\xA9t\xC3\xA9]\r\n[00:00.00]caf\xC3\xA9\r\n");
}

TEST(LrcEmpty, AnLrcWithNoLineSaysWhyAndTheMp3TakesTheExactLines) {
    const auto song = [](std::vector<LrcMark> marks, MarkSource source = MarkSource::Lyric) {
        LrcSong s;
        s.bytes = headerWithTempo(480, "\xFF\x51\x03\x07\xA1\x20") + std::string(1000, '\0');
        s.marks = std::move(marks);
        s.source = s.marks.empty() ? MarkSource::None : source;
        return s;
    };
    std::vector<LrcMark> back;
    for (std::uint32_t i = 0; i < 30; ++i)
        back.push_back({"/", i == 26 ? 0 : 960 * i, i == 26 ? 0 : double(i)});
    back.push_back({"/late", 40000, 41.7});
    const std::tuple<LrcSong, const char *> songs[] = {
        {song(marksOf({{"/one", 0}, {"", 960}, {"/two", 57600}})),
         "stopped at an empty lyric event at 0:01, as the LRC rules say"},
        {song(back), "stopped at lyric event 27 (0:00), which comes before the one above it, as the LRC rules say"},
        {song(marksOf({{"/", 0}, {"\\", 960}}), MarkSource::Text), "its text events hold no line with text"},
        {song({}), "the song has no lyrics (fewer than six lyric and twenty-one text events)"},
    };
    for (const auto &[s, why] : songs) {
        const SongLrc lrc = lrcForSong(s, false);
        EXPECT_EQ(lrc.bytes, "") << why;
        EXPECT_EQ(lrc.whyEmpty, why);
        EXPECT_EQ(lyricsForMp3(s).whyEmpty, why);
    }
    const SongLrc mp3 = lyricsForMp3(std::get<0>(songs[0]));
    EXPECT_TRUE(mp3.exactLines);
    EXPECT_EQ(mp3.bytes, "[00:00.00]one\r\n[01:00.00]two\r\n");
    EXPECT_FALSE(lyricsForMp3(std::get<0>(songs[2])).exactLines);
    EXPECT_EQ(lrcForSong(std::get<0>(songs[0]), true).whyEmpty, "");
}

TEST(LyricFileText, ByteOrderMarksNameTheEncoding) {
    using cantora::core::textFileToUtf8;
    const std::u16string text = u"[00:01]\u00e9t\u00e9 \u3055\r\n";
    const auto utf16 = [&](const char *mark, bool big) {
        std::string b = mark;
        for (const char16_t c : text)
            b += big ? std::string{char(c >> 8), char(c & 0xFF)} : std::string{char(c & 0xFF), char(c >> 8)};
        return b;
    };
    const std::string wanted = "[00:01]\xC3\xA9t\xC3\xA9 \xE3\x81\x95\r\n";
    const std::pair<std::string, const char *> files[] = {
        {utf16("\xFF\xFE", false), "UTF-16LE"},
        {utf16("\xFE\xFF", true), "UTF-16BE"},
        {"\xEF\xBB\xBF" + wanted, "UTF-8"},
    };
    for (const auto &[bytes, encoding] : files) {
        EXPECT_STREQ(cantora::core::byteOrderMarkEncoding(bytes), encoding);
        EXPECT_EQ(textFileToUtf8(bytes), wanted) << encoding;
    }
    EXPECT_EQ(textFileToUtf8(std::string("\xFF\xFE\0\0\x61\0\0\0\x62\0\0\0\x63", 13)), "ab"); // UTF-32LE, cut short
    EXPECT_EQ(textFileToUtf8(std::string("\xFE\xFF\0a\xD8\0\0b", 8)), "a"); // a lone surrogate ends it
}

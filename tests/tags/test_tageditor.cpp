// The tag editor's rules on plain texts: stamping a line among its tags,
// undoing stamps, the lyric entries and their follower, lyric files, pending rows.
#include "core/tempfolder.h"
#include "tags/tageditor.h"

#include <gtest/gtest.h>

using namespace cantora::tags;

TEST(TagEditorStamp, TheStampGoesAmongTheLinesTagsInTimeOrderAndTheCaretToTheNextLine) {
    struct Case {
        std::string text;
        std::size_t caret;
        double seconds;
        std::string stamped;
        std::size_t insertedAt, caretAfter;
    } const cases[] = {
        {"[01:20]Hello\r\nWorld\r\n", 3, 83.4, "[01:20][01:23]Hello\r\nWorld\r\n", 7, 21},
        // An equal stamp goes before the tag.
        {"[01:20]Hello\r\nWorld\r\n", 10, 79.6, "[01:20][01:20]Hello\r\nWorld\r\n", 0, 21},
        {"x\n[00:10][00:12.34][01:00]Hi\n", 2, 30, "x\n[00:10][00:12.34][00:30][01:00]Hi\n", 19, 36},
        // From one hour on the hours show; half seconds go to the even neighbour.
        {"Hi", 0, 3725.5, "[01:02:06]Hi", 0, 0},
        {"Hi", 0, 2.5, "[00:02]Hi", 0, 0},
        // Blank lines are skipped; on the last line the caret stays.
        {"[00:01]One\r\nTwo\r\n\r\n\r\nThree\r\n", 13, 5, "[00:01]One\r\n[00:05]Two\r\n\r\n\r\nThree\r\n", 12, 28},
        {"One\r\nTwo", 6, 1, "One\r\n[00:01]Two", 5, 5},
    };
    for (const Case &c : cases) {
        const Stamped s = AddStamp(c.text, c.caret, c.seconds);
        EXPECT_EQ(s.text, c.stamped);
        EXPECT_EQ(s.insertedAt, c.insertedAt) << c.stamped;
        EXPECT_EQ(s.caret, c.caretAfter) << c.stamped;
        EXPECT_EQ(RemoveStamp(s.text, s.insertedAt), c.text) << "undo";
    }
    // A header bracket (nine characters inside, one more than a stamp holds) is no stamp: Undo leaves it.
    EXPECT_EQ(RemoveStamp("[ar:Artist]", 0), "[ar:Artist]");
}

TEST(TagEditorUndo, GivenElevenStamps_ThenTheyComeBackNewestFirstPastTheFirstTen) {
    UndoStack undo;
    for (std::int32_t at = 0; at < 11; ++at)
        undo.PushUndo(at * 7);
    EXPECT_EQ(undo.Count(), 11);
    for (std::int32_t at = 10; at >= 0; --at)
        EXPECT_EQ(undo.PopUndo(), at * 7);
    EXPECT_FALSE(undo.PopUndo());
    undo.PushUndo(5);
    undo.Reset(); // other lyrics loaded: nothing left to undo
    EXPECT_FALSE(undo.PopUndo());
}

TEST(TagEditorLyrics, GivenTwoTagsOnALine_ThenEachGivesItsEntry_AndLongBracketsNone) {
    EXPECT_EQ(LyricEntries("[00:12.34][00:40.00]Hi\r\n"),
              (std::vector<std::string>{"00:12.34    Hi", "00:40.00    Hi"}));
    EXPECT_TRUE(LyricEntries("[ar:Artist]\r\n").empty());
    // The unfinished last line and texts without brackets give nothing.
    EXPECT_TRUE(LyricEntries("[00:01]Hi").empty());
    EXPECT_TRUE(LyricEntries("plain\r\n").empty());
    // Entries come in time order.
    EXPECT_EQ(LyricEntries("[00:05][00:20]A\n  [00:10]B  \n"),
              (std::vector<std::string>{"00:05    A", "00:10    B", "00:20    A"}));
}

TEST(TagEditorLyrics, GivenEntries_WhenTimePassesAndGoesBack_ThenTheHighlightFollows) {
    const std::vector<std::string> e{"00:05    A", "00:10    B", "00:20    C", "00:30    D"};
    int nexts = 0, prevs = 0;
    // The highlight is the line being sung: the last stamp at or before the time, never past the last.
    const std::tuple<const char *, int, int, int, int> steps[] = {
        {"00:03", 0, 0, 0, 0}, {"00:09", 0, 0, 0, 0}, {"00:10", 0, 1, 1, 0},
        {"00:21", 1, 2, 2, 0}, {"01:00", 2, 3, 3, 0}, {"00:06", 3, 0, 3, 3},
    };
    for (const auto &[time, from, to, wantNexts, wantPrevs] : steps) {
        EXPECT_EQ(FollowLyrics(
                      time, e, from, [&] { ++nexts; }, [&] { ++prevs; }),
                  to)
            << time;
        EXPECT_EQ(nexts, wantNexts) << time;
        EXPECT_EQ(prevs, wantPrevs) << time;
    }
}

TEST(TagEditorFiles, GivenALyricFileWithBlankLines_ThenOnlyTheOthersAreKept) {
    const coretest::TempFolder dir;
    const LyricFile f = Chargement_Paroles(dir.put("a.lrc", "[00:01]One\n\n   \r\n[00:02]Two"));
    EXPECT_TRUE(f.ok);
    EXPECT_EQ(f.lines, (std::vector<std::string>{"[00:01]One", "[00:02]Two"}));
    EXPECT_FALSE(Chargement_Paroles(dir / "missing.lrc").ok);
    EXPECT_EQ(LrcPathFor("/a/SYNCRO.MP3"), "/a/SYNCRO.lrc");
}

TEST(TagEditorPending, GivenARowPerFile_WhenStoredAndCleared_ThenOnlyThatRowChanges) {
    PendingEdits p;
    p.AddRow("/a.mp3");
    p.AddRow("/b.mp3");
    p.AddRow("/a.mp3");
    EXPECT_EQ(p.rows().size(), 2u);
    p.Store("/a.mp3", {"T", "Ar", "Al", "1999", "C", 18, "L\r\n"});
    const PendingRow *a = p.Row("/a.mp3");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->sub, (std::array<std::string, 8>{"", "T", "Ar", "Al", "1999", "18", "L\r\n", "C"}));
    EXPECT_EQ(p.Row("/b.mp3")->sub[1], "");
    p.ClearRow("/a.mp3");
    EXPECT_EQ(p.Row("/a.mp3")->sub, (std::array<std::string, 8>{}));
}

// ID3v1 fields and Lyrics3 v2 lyrics as GetMp3Info reads them.

#include "core/byteio.h"
#include "mp3bytes.h"
#include "tags/genres.h"
#include "tags/id3module.h"

#include <gtest/gtest.h>

using namespace cantora::tags;
using cantora::core::MemorySource;
using namespace mp3bytes;

namespace {

Mp3Info read(Id3Module &m, const std::string &bytes) { return m.GetMp3Info(MemorySource(bytes), "mem.mp3"); }

} // namespace

TEST(Id3v1Read, FieldsAreTrimmedFreedOfNulsAndReadAsUtf8) {
    Id3Module m;
    // Texts are UTF-8 when they are valid UTF-8, else CP1252.
    Mp3Info i =
        read(m, audio(5000) + id3v1("Abc", "  Someone  ", "Perch\xE9 \x93x\x94", "1999", " caf\xC3\xA9 ", 12, '\0'));
    EXPECT_EQ(i.Title, "Abc");
    EXPECT_EQ(i.Artist, "Someone");
    EXPECT_EQ(i.Album, "Perch\xC3\xA9 \xE2\x80\x9Cx\xE2\x80\x9D");
    EXPECT_EQ(i.Year, "1999");
    EXPECT_EQ(i.Comment, "caf\xC3\xA9");
    EXPECT_EQ(i.Genre, "13");

    // ID3v1.1: a NUL at byte 125 gives byte 126 to the track number.
    std::string tag = id3v1("T", "", "", "", std::string(30, 'c'));
    tag[125] = '\0';
    EXPECT_EQ(read(m, tag).Comment, std::string(28, 'c'));
    EXPECT_EQ(Id3v1Track(tag), 'c');
    tag[126] = '\0';
    EXPECT_EQ(Id3v1Track(tag), 0);

    EXPECT_EQ(read(m, id3v1("", "", "", "", "", 255)).Genre, "256");
    EXPECT_EQ(read(m, id3v1("", "", "", "", "", 0)).Genre, "1");
}

TEST(Id3v1Read, NothingOfTheFileReadBeforeLeaksIntoTheNext) {
    Id3Module m;
    for (const std::string &bytes : {audio(5000), std::string("TAG", 3), std::string(127, 'T'), std::string()}) {
        read(m, audio(5000) + lyrics3({{"LYR", "words"}}) + id3v1("Old"));
        ASSERT_TRUE(m.LyricsTagFound);
        const Mp3Info i = read(m, bytes);
        EXPECT_FALSE(m.HasId3v1);
        EXPECT_FALSE(m.LyricsTagFound);
        EXPECT_EQ(i.Title + i.Genre + i.Lyrics, "");
        // Only the editor clears the marker flag.
        EXPECT_TRUE(m.HasLyricsMarker);
    }
    // Exactly 128 bytes is a tag and nothing else.
    EXPECT_EQ(read(m, id3v1("Only")).Title, "Only");
}

TEST(Lyrics3Read, BlockBeforeTagOrAtTheEnd) {
    const std::string lyr = "[00:01]One\r\n[00:02]Two";
    for (const bool withTag : {true, false}) {
        Id3Module m;
        const std::string block = lyrics3({{"IND", "10"}, {"LYR", "  " + lyr + "  "}, {"EAL", "Album"}});
        const std::string file = audio(5000) + block + (withTag ? id3v1("T") : "");
        const Mp3Info i = read(m, file);
        EXPECT_TRUE(m.LyricsTagFound);
        EXPECT_EQ(m.LyricsStart, 5001);
        EXPECT_EQ(i.Lyrics, lyr);
    }
}

TEST(Lyrics3Read, DamagedBlocksAreRejectedOrWalkedSafely) {
    std::string before = lyrics3({{"LYR", "abc"}}), outside; // size digits pointing before "LYRICSBEGIN"
    before.replace(before.size() - 15, 6, "000040");
    (outside = before).replace(before.size() - 15, 6, "999999"); // or before the start of the file
    const struct {
        std::string file;
        bool found;
        const char *lyrics;
    } cases[] = {
        {audio(5000) + before + id3v1("T"), false, ""},
        {outside, false, ""},
        // Length digits that are not a number count as 0: the walk steps 8 bytes on.
        {audio(100) + "LYRICSBEGININDxxxxxLYR00003abc000030LYRICS200", true, "abc"},
        // A field longer than the file reads what there is and ends the walk.
        {"LYRICSBEGINLYR99999abc000022LYRICS200", true, "abc"},
        // A Lyrics3 v1 ending is seen as a marker but is no v2 block.
        {audio(100) + "LYRICSBEGINabcLYRICSEND", false, ""},
    };
    for (const auto &c : cases) {
        Id3Module m;
        const Mp3Info i = read(m, c.file);
        EXPECT_TRUE(m.HasLyricsMarker);
        EXPECT_EQ(m.LyricsTagFound, c.found) << c.file.size();
        EXPECT_EQ(i.Lyrics.substr(0, 3), c.lyrics) << c.file.size();
        if (&c == cases) {
            EXPECT_EQ(m.LyricsStart, 5001 + 22 - 40); // the block is 22 bytes before its size digits
        }
    }
}

TEST(Genres, EditorListAndLookups) {
    const auto &list = GenreList();
    ASSERT_EQ(list.size(), 127u);
    EXPECT_EQ(list[0], std::string_view("\0", 1));
    EXPECT_EQ(GenreName(125), "Dance Hall");
    EXPECT_EQ(GenreName(126), "");
    EXPECT_EQ(GenreName(255), "");
    EXPECT_EQ(GenreByteFromName("other"), 12);
    EXPECT_FALSE(GenreByteFromName("Nope"));
    EXPECT_FALSE(GenreByteFromName(std::string_view("\0", 1)));
}

#include "tags/lyricstext.h"

TEST(LyricFile, BlankLinesDroppedAndLinesEndedByCrLf) {
    EXPECT_EQ(LyricBoxText("\xEF\xBB\xBF[00:01]Caf\xC3\xA9\n\n  \r\n[00:02] two \r[00:03]x"),
              "[00:01]Caf\xC3\xA9\r\n[00:02] two \r\n[00:03]x\r\n");
    EXPECT_EQ(LyricBoxText("[00:01]Perch\xE9\r\n"), "[00:01]Perch\xC3\xA9\r\n");
    EXPECT_EQ(LyricBoxText("\r\n \t\n"), "");
}

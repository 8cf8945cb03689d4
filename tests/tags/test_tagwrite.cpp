// Writing the Lyrics3 v2 block and ID3v1 tag to files on disk.

#include "core/byteio.h"
#include "core/tempfolder.h"
#include "mp3bytes.h"
#include "tags/id3module.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace cantora::tags;
using namespace mp3bytes;
namespace fs = std::filesystem;

namespace {

class TagWrite : public ::testing::Test {
protected:
    void put(const std::string &bytes) { coretest::save(path, bytes); }
    std::string get() const { return coretest::contents(path); }
    // Reads the file, then writes `lyrics` with a tag titled `title`.
    TagWriteResult save(const std::string &title, const std::string &lyrics) {
        m.GetMp3Info(path);
        return m.WriteLyricsTag(path, MakeId3v1Tag(title, "Artist", "Album", "24", "", 12), lyrics);
    }
    // The tag bytes save() writes.
    static std::string saved(const std::string &title) {
        return MakeId3v1Tag(title, "Artist", "Album", "24", "", 12).Bytes();
    }
    static Id3v1Tag bare(const std::string &title, std::uint8_t genre) {
        return MakeId3v1Tag(title, "", "", "", "", genre);
    }

    coretest::TempFolder dir;
    const std::string path = dir / "song.mp3";
    Id3Module m;
    const std::string music = audio(3000);
};

} // namespace

TEST_F(TagWrite, UntaggedFileGetsBlockAndTagAppendedByteForByte) {
    put(music);
    ASSERT_TRUE(save("Title", "[00:00:01]Hi"));
    const std::string expected =
        music + "LYRICSBEGIN" + "LYR" + "00012" + "[00:00:01]Hi" + "000031" + "LYRICS200" + saved("Title");
    EXPECT_EQ(get(), expected);
}

TEST_F(TagWrite, EachSaveReplacesTheOldBlockAndTagLeavingNoTrace) {
    std::string broken = lyrics3({{"LYR", "abc"}});
    broken.replace(broken.size() - 15, 6, "000040"); // points before LYRICSBEGIN: not a block
    const struct {
        std::string before, title, lyrics, after;
    } cases[] = {
        {music + lyrics3({{"IND", "10"}, {"LYR", std::string(500, 'x')}}) + id3v1("Old"), "New", "short",
         music + lyrics3({{"LYR", "short"}}) + saved("New")},
        {music + lyrics3({{"LYR", "words"}}) + id3v1("Old"), "T", "", music + saved("T")},
        {music + lyrics3({{"LYR", "words"}}), "T", "new", music + lyrics3({{"LYR", "new"}}) + saved("T")},
        {music + broken + id3v1("Old"), "T", "", music + broken + saved("T")},
    };
    for (const auto &c : cases) {
        put(c.before);
        ASSERT_TRUE(save(c.title, c.lyrics));
        EXPECT_EQ(get(), c.after);
        ASSERT_TRUE(save(c.title, c.lyrics)) << "saving twice keeps one of each";
        EXPECT_EQ(get(), c.after);
    }
    ASSERT_TRUE(save("Newer", "a longer text than before"));
    ASSERT_TRUE(save("Newest", "mid"));
    EXPECT_EQ(get(), music + broken + lyrics3({{"LYR", "mid"}}) + saved("Newest"));
}

TEST_F(TagWrite, RefusedWritesLeaveTheFileAsItWas) {
    const std::string original = music + lyrics3({{"LYR", "keep"}}) + id3v1("Old");
    put(original);

    // Lyrics the five length digits cannot count.
    TagWriteResult r = save("T", std::string(100000, 'a'));
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find("99999"), std::string::npos);
    EXPECT_TRUE(save("T", std::string(99998, 'a') + "\xc3\xa9")); // 99,999 bytes once in CP1252
    put(original);

    // No read before the write, a file changed since it was read, a state that no longer matches the bytes on disk.
    Id3Module fresh;
    EXPECT_FALSE(fresh.WriteLyricsTag(path, bare("T", 0), "x"));
    m.GetMp3Info(path);
    put(music + original.substr(music.size() + 1) + "!"); // same length, tag moved by one byte
    EXPECT_FALSE(m.WriteLyricsTag(path, bare("U", 0), "y"));
    put(music);
    m.GetMp3Info(path);
    put(music + "more"); // grown since: nothing in it says so but its length
    EXPECT_FALSE(m.WriteLyricsTag(path, bare("U", 0), "y"));
    put(original);
    m.GetMp3Info(path);
    m.LyricsStart = 10; // state no longer matches the bytes on disk
    EXPECT_FALSE(m.WriteLyricsTag(path, bare("U", 0), "y"));
    EXPECT_EQ(get(), original);

    // A directory, a missing file.
    m.GetMp3Info(dir.path.string());
    EXPECT_FALSE(m.OpenError().empty());
    EXPECT_FALSE(m.WriteLyricsTag(dir.path.string(), bare("T", 0), "y"));
    m.GetMp3Info(dir / "none.mp3");
    EXPECT_FALSE(m.WriteLyricsTag(dir / "none.mp3", bare("T", 0), "y"));
    EXPECT_FALSE(fs::exists(dir / "none.mp3"));
}

TEST_F(TagWrite, WritableFileInReadOnlyFolderIsWrittenInPlace) {
    put(music);
    fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
    EXPECT_TRUE(save("T", "la"));
    EXPECT_EQ(m.GetMp3Info(path).Lyrics, "la");
}

TEST(Id3v1Build, TextsAreTrimmedPaddedAndCutBetweenCharactersInCp1252WhereItHoldsThem) {
    std::string ten; // ten three-byte characters: exactly one field
    for (int i = 0; i < 10; ++i)
        ten += "\xE6\x97\xA5";
    Id3v1Fit fit;
    std::string b =
        MakeId3v1Tag(std::string(40, 'T'), "  Caf\xC3\xA9 \xE2\x99\xAA ", "Perch\xC3\xA9", "24", ten, 255, &fit)
            .Bytes();
    ASSERT_EQ(b.size(), 128u);
    EXPECT_EQ(b.substr(0, 33), "TAG" + std::string(30, 'T'));
    // CP1252 cannot hold the note: the whole field is UTF-8, nothing becomes '?'.
    EXPECT_EQ(b.substr(33, 30), "Caf\xC3\xA9 \xE2\x99\xAA" + std::string(21, ' '));
    // CP1252 holds this one: its bytes are what older readers expect.
    EXPECT_EQ(b.substr(63, 34), "Perch\xE9" + std::string(24, ' ') + "24  ");
    EXPECT_EQ(b.substr(97), ten + "\xFF");
    EXPECT_EQ(fit.cutFields, "title");
    EXPECT_EQ(fit.utf8Fields, "artist, comment");
    // A full field is not cut; one byte more pushes the tenth character out whole, never half of it.
    fit = {};
    b = MakeId3v1Tag(std::string(30, 'x'), "a" + ten, "", "", "", 12, &fit).Bytes();
    EXPECT_EQ(b.substr(33, 30), "a" + ten.substr(0, 27) + "  ");
    EXPECT_EQ(fit.cutFields, "artist");
}

TEST_F(TagWrite, LyricsCp1252CannotHoldAreWrittenInUtf8AndReadBackTheSame) {
    const std::string japanese = "[00:01]\xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89\r\n[00:03]\xE6\xA1\x9C"; // さくら 桜
    put(music);
    TagWriteResult r = save("T", japanese);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r.lyricsUtf8);
    EXPECT_EQ(get(), music + lyrics3({{"LYR", japanese}}) + saved("T"));
    EXPECT_EQ(m.GetMp3Info(path).Lyrics, japanese);

    // Text CP1252 holds keeps the bytes existing files and readers know.
    r = save("T", "[00:01]Perch\xC3\xA9");
    ASSERT_TRUE(r);
    EXPECT_FALSE(r.lyricsUtf8);
    EXPECT_NE(get().find("LYR00013[00:01]Perch\xE9"), std::string::npos);
    EXPECT_EQ(m.GetMp3Info(path).Lyrics, "[00:01]Perch\xC3\xA9");
}

TEST_F(TagWrite, TagOnlyWriteKeepsTheLyricsBlockByteForByte) {
    // UTF-8 lyrics CP1252 could hold: a rewrite through the text would shrink them.
    const std::string block = lyrics3({{"IND", "10"}, {"LYR", "[00:01]gi\xC3\xA0 \xC3\xA8 cos\xC3\xAC"}});
    put(music + block + id3v1("Old", "Someone"));
    m.GetMp3Info(path);
    ASSERT_TRUE(m.WriteId3v1Tag(path, bare("New", 13)));
    EXPECT_EQ(get(), music + block + bare("New", 13).Bytes());
    EXPECT_FALSE(m.WriteId3v1Tag(path, bare("Again", 13))) << "a write needs a new read";
    // Without a tag behind the block, the tag is appended after it.
    put(music + block);
    m.GetMp3Info(path);
    ASSERT_TRUE(m.WriteId3v1Tag(path, bare("New", 13)));
    EXPECT_EQ(get(), music + block + bare("New", 13).Bytes());
}

TEST_F(TagWrite, DamagedBlockIsReadLiterallyButNeverWrittenBackAsLyrics) {
    // The LYR length claims 143 bytes more than the field holds: the reader
    // takes the size digits, the end marker and the ID3v1 tag as lyrics.
    std::string block = lyrics3({{"LYR", "[00:01]la"}});
    block.replace(block.find("00009"), 5, "00152");
    const std::string tag = id3v1("Old");
    put(music + block + tag);
    Mp3Info i = m.GetMp3Info(path);
    ASSERT_TRUE(m.LyricsTagFound);
    EXPECT_TRUE(m.LyricsBlockDamaged);
    EXPECT_NE(i.Lyrics.find("LYRICS200TAGOld"), std::string::npos);

    // A tag-only save keeps the block's bytes; the file does not grow.
    ASSERT_TRUE(m.WriteId3v1Tag(path, bare("New", 12)));
    EXPECT_EQ(get(), music + block + bare("New", 12).Bytes());
    // New lyrics replace the whole block.
    ASSERT_TRUE(save("New", "[00:02]fresh"));
    EXPECT_EQ(get(), music + lyrics3({{"LYR", "[00:02]fresh"}}) + saved("New"));
    m.GetMp3Info(path);
    EXPECT_FALSE(m.LyricsBlockDamaged);

    // Bytes left over between the last field and the size digits are damage too.
    std::string gap = lyrics3({{"LYR", "abc"}});
    gap.replace(gap.find("00003"), 5, "00001");
    put(music + gap);
    m.GetMp3Info(path);
    EXPECT_TRUE(m.LyricsBlockDamaged);
}

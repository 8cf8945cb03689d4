// Writing the Lyrics3 v2 block and ID3v1 tag to files on disk.

#include "mp3bytes.h"
#include "tags/id3module.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h> // geteuid

using namespace cantora::tags;
using namespace mp3bytes;
namespace fs = std::filesystem;

namespace {

// A scratch folder removed with everything in it at the end of the test.
class TagWrite : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "cantora-tags-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        path = (dir / "song.mp3").string();
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    void put(const std::string &bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    std::string get() const {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Reads the file, then writes `lyrics` with a tag titled `title`.
    TagWriteResult save(const std::string &title, const std::string &lyrics) {
        m.GetMp3Info(path);
        return m.WriteLyricsTag(path, MakeId3v1Tag(title, "Artist", "Album", "24", "", 12), lyrics);
    }

    fs::path dir;
    std::string path;
    Id3Module m;
    const std::string music = audio(3000);
};

} // namespace

TEST_F(TagWrite, UntaggedFileGetsBlockAndTagAppendedByteForByte) {
    put(music);
    ASSERT_TRUE(save("Title", "[00:00:01]Hi"));
    const std::string expected = music + "LYRICSBEGIN" + "LYR" + "00012" + "[00:00:01]Hi" + "000031" + "LYRICS200" +
                                 "TAG" + "Title" + std::string(25, ' ') + "Artist" + std::string(24, ' ') + "Album" +
                                 std::string(25, ' ') + "24  " + std::string(30, ' ') + "\x0C";
    EXPECT_EQ(get(), expected);
    const Mp3Info i = m.GetMp3Info(path);
    EXPECT_EQ(i.Lyrics, "[00:00:01]Hi");
    EXPECT_EQ(i.Year, "24");
    EXPECT_EQ(i.Genre, "13");
}

TEST_F(TagWrite, ReplacingLongerBlockLeavesNoTraceAndSavingTwiceKeepsOneOfEach) {
    put(music + lyrics3({{"IND", "10"}, {"LYR", std::string(500, 'x')}}) + id3v1("Old"));
    ASSERT_TRUE(save("New", "short"));
    const std::string once = get();
    EXPECT_EQ(once, music + lyrics3({{"LYR", "short"}}) + MakeId3v1Tag("New", "Artist", "Album", "24", "", 12).Bytes());

    ASSERT_TRUE(save("New", "short"));
    EXPECT_EQ(get(), once);
    ASSERT_TRUE(save("Newer", "a longer text than before"));
    ASSERT_TRUE(save("Newest", "mid"));
    EXPECT_EQ(get().size(), music.size() + lyrics3({{"LYR", "mid"}}).size() + 128);
    EXPECT_EQ(m.GetMp3Info(path).Title, "Newest");
    EXPECT_EQ(get().find("LYRICSBEGIN"), get().rfind("LYRICSBEGIN"));
    EXPECT_EQ(get().find("TAG", music.size()), get().size() - 128);
}

TEST_F(TagWrite, EmptyLyricsRemoveTheBlockAndTagOnlyFilesKeepOneTag) {
    put(music + lyrics3({{"LYR", "words"}}) + id3v1("Old"));
    ASSERT_TRUE(save("T", ""));
    EXPECT_EQ(get(), music + MakeId3v1Tag("T", "Artist", "Album", "24", "", 12).Bytes());
    ASSERT_TRUE(save("T2", ""));
    EXPECT_EQ(get().size(), music.size() + 128);
    // A block without a tag behind it is replaced as well.
    put(music + lyrics3({{"LYR", "words"}}));
    ASSERT_TRUE(save("T", "new"));
    EXPECT_EQ(get(), music + lyrics3({{"LYR", "new"}}) + MakeId3v1Tag("T", "Artist", "Album", "24", "", 12).Bytes());
}

TEST_F(TagWrite, RejectedBlockIsLeftAloneAndOnlyTheTagIsRewritten) {
    std::string broken = lyrics3({{"LYR", "abc"}});
    broken.replace(broken.size() - 15, 6, "000040"); // points before LYRICSBEGIN
    put(music + broken + id3v1("Old"));
    ASSERT_TRUE(save("T", ""));
    EXPECT_EQ(get(), music + broken + MakeId3v1Tag("T", "Artist", "Album", "24", "", 12).Bytes());
}

TEST_F(TagWrite, RefusedWritesLeaveTheFileAsItWas) {
    const std::string original = music + lyrics3({{"LYR", "keep"}}) + id3v1("Old");
    put(original);

    // Lyrics the five length digits cannot count.
    TagWriteResult r = save("T", std::string(100000, 'a'));
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find("99999"), std::string::npos);
    EXPECT_TRUE(save("T", std::string(99999, 'a')));
    put(original);

    // No read before the write, a second write without a new read, a file
    // changed since it was read, a file read under another name.
    Id3Module fresh;
    EXPECT_FALSE(fresh.WriteLyricsTag(path, MakeId3v1Tag("T", "", "", "", "", 0), "x"));
    ASSERT_TRUE(save("T", "x"));
    const std::string afterOne = get();
    EXPECT_FALSE(m.WriteLyricsTag(path, MakeId3v1Tag("U", "", "", "", "", 0), "y"));
    EXPECT_EQ(get(), afterOne);
    m.GetMp3Info(path);
    put(music + afterOne.substr(music.size() + 1) + "!"); // same length, tag moved by one byte
    EXPECT_FALSE(m.WriteLyricsTag(path, MakeId3v1Tag("U", "", "", "", "", 0), "y"));
    put(original);
    m.GetMp3Info(path);
    m.LyricsStart = 10; // state no longer matches the bytes on disk
    EXPECT_FALSE(m.WriteLyricsTag(path, MakeId3v1Tag("U", "", "", "", "", 0), "y"));
    EXPECT_EQ(get(), original);

    // Read-only file, directory, missing file.
    if (::geteuid() != 0) {
        fs::permissions(path, fs::perms::owner_read, fs::perm_options::replace);
        r = save("T", "y");
        EXPECT_FALSE(r);
        EXPECT_FALSE(r.error.empty());
        EXPECT_EQ(get(), original);
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
    }
    m.GetMp3Info(dir.string());
    EXPECT_FALSE(m.OpenError().empty());
    EXPECT_FALSE(m.WriteLyricsTag(dir.string(), MakeId3v1Tag("T", "", "", "", "", 0), "y"));
    m.GetMp3Info((dir / "none.mp3").string());
    EXPECT_FALSE(m.WriteLyricsTag((dir / "none.mp3").string(), MakeId3v1Tag("T", "", "", "", "", 0), "y"));
    EXPECT_FALSE(fs::exists(dir / "none.mp3"));
}

TEST_F(TagWrite, WritableFileInReadOnlyFolderIsWrittenInPlace) {
    put(music);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
    EXPECT_TRUE(save("T", "la"));
    EXPECT_EQ(m.GetMp3Info(path).Lyrics, "la");
}

TEST(Id3v1Build, TextsAreCutPaddedAndConverted) {
    Id3v1Fit fit;
    const Id3v1Tag t = MakeId3v1Tag(std::string(40, 'T'), "  Caf\xC3\xA9 \xE2\x99\xAA ", "", "24", "", 255, &fit);
    const std::string b = t.Bytes();
    ASSERT_EQ(b.size(), 128u);
    EXPECT_EQ(b.substr(0, 33), "TAG" + std::string(30, 'T'));
    EXPECT_EQ(b.substr(33, 30), "Caf\xE9 ?" + std::string(24, ' '));
    EXPECT_EQ(b.substr(93, 4), "24  ");
    EXPECT_EQ(static_cast<unsigned char>(b[127]), 255);
    EXPECT_EQ(b.find('\0'), std::string::npos);
    EXPECT_EQ(fit.cutFields, "title");
    EXPECT_EQ(fit.unrepresentable, "\xE2\x99\xAA");
}

TEST_F(TagWrite, TruncateOnlyShortens) {
    put("0123456789");
    EXPECT_TRUE(Id3Module::TruncateFile(path, 20));
    EXPECT_EQ(get(), "0123456789");
    EXPECT_TRUE(Id3Module::TruncateFile(path, 4));
    EXPECT_EQ(get(), "0123");
    EXPECT_FALSE(Id3Module::TruncateFile((dir / "none").string(), 0));
}

// Save's records and writes on files built from bytes in a temporary
// folder: which fields the apply boxes let through, the genre byte rules,
// the player released around the write, the copy over the output file,
// and files that cannot be written staying as they were.
#include "core/byteio.h"
#include "core/tempfolder.h"
#include "tags/audioframes.h"
#include "tags/id3module.h"
#include "tags/karaokeassembly.h"
#include "tags/mp3bytes.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>

using namespace cantora::tags;
namespace fs = std::filesystem;

namespace {

using coretest::contents;
using coretest::save;

class SaveTagsTest : public ::testing::Test {
protected:
    SaveRequest request(const fs::path &file) {
        SaveRequest r;
        r.fileName = file;
        r.appFolder = dir.path.string();
        return r;
    }
    coretest::TempFolder dir;
    Id3Module module;
    const std::string audio = mp3bytes::audio(417); // one whole 128 kbit/s frame: Save takes only MPEG audio
};

PendingRow row(const std::string &title, const std::string &genreIndex) {
    PendingRow r;
    r.sub[1] = title;
    r.sub[2] = "Artist";
    r.sub[5] = genreIndex;
    r.sub[7] = "Comment";
    return r;
}

using Frames = std::vector<std::pair<std::string, std::string>>;

// The file after its leading ID3v2 tag.
std::string afterTag(const std::string &b) {
    return b.substr(static_cast<std::size_t>(LeadingId3v2(cantora::core::MemorySource(b))->end));
}

} // namespace

TEST_F(SaveTagsTest, GivenNoTickedBox_WhenSaved_ThenTheOldTagAndLyricsAreWrittenBack) {
    const std::string old = audio + mp3bytes::lyrics3({{"LYR", "[00:01]a\r\n"}}) +
                            mp3bytes::id3v1("Title", "Artist", "Album", "2001", "Comment", 200);
    const std::string file = dir.put("a.mp3", old);
    SaveRequest r = request(file);
    r.fields = {"Other", "Other", "Other", "1", "Other", 3, "other lyrics"};
    int released = 0, resumed = 0;
    r.releaseFile = [&] { EXPECT_EQ(resumed, released++); };
    r.resumeFile = [&] { EXPECT_EQ(released, ++resumed); };
    const SaveOutcome out = SaveTags(module, r);
    EXPECT_TRUE(out.written);
    EXPECT_TRUE(out.failures.empty());
    // Genre byte 200 has no name in the list; unticked, it is kept all the same.
    EXPECT_EQ(contents(file), old);
    EXPECT_EQ(released, 1);
}

TEST_F(SaveTagsTest, GivenTickedBoxes_ThenTheirFieldsComeFromTheEditor_TitleCommentAndLyricsNot) {
    const std::string sung = audio + mp3bytes::lyrics3({{"LYR", "[00:01]a\r\n"}});
    const std::string file =
        dir.put("a.mp3", sung + mp3bytes::id3v1("Title", "Artist", "Album", "2001", "Comment", 200));
    SaveRequest r = request(file);
    r.apply = {true, true, true, true};
    r.fields = {"T2", "A2", "B2", "1999", "C2", 0, ""};
    SaveTags(module, r);
    // The empty genre entry is written as 12.
    EXPECT_EQ(contents(file), sung + mp3bytes::id3v1("Title", "A2", "B2", "1999", "Comment", 12));
    // Album and genre ticked, for other players too: the ID3v2 tag gets those two frames and the lyrics.
    r.apply = {false, true, false, true};
    r.fields = {"T3", "A3", "B3", "2000", "C3", 9, ""};
    r.id3v2Lyrics = true;
    module.GetMp3Info(file);
    SaveTags(module, r);
    EXPECT_EQ(afterTag(contents(file)), sung + mp3bytes::id3v1("Title", "A2", "B3", "1999", "Comment", 8));
    const Id3v2Info tag = ReadId3v2(cantora::core::MemorySource(contents(file)));
    EXPECT_EQ(tag.textFrames, (Frames{{"TALB", "B3"}, {"TCON", "Jazz"}}));
    EXPECT_EQ(tag.lyrics, "[00:01]a\r\n");
}

TEST_F(SaveTagsTest, GivenAPendingTitle_ThenTheRowAndTheLyricBoxAreWritten_AndSavingAgainKeepsOneOfEach) {
    const std::string file = dir.put("a.mp3", audio + mp3bytes::lyrics3({{"LYR", "old"}}) + mp3bytes::id3v1("Old"));
    SaveRequest r = request(file);
    r.pending = row("  New  ", "0");
    r.fields.lyrics = "[00:01]x\n[00:02]y\n";
    r.id3v2Lyrics = true;
    Id3v2Edit theirs; // another player's album, not in the row
    theirs.album = "Theirs";
    ASSERT_EQ(WriteId3v2(file, theirs), "");
    SaveTags(module, r);
    // The ID3v2 tag goes before the audio: the box as USLT, its stamps as SYLT, read back by the editor as lines.
    const std::string saved = contents(file);
    const std::string once = audio + mp3bytes::lyrics3({{"LYR", "[00:01]x\r\n[00:02]y\r\n"}}) +
                             mp3bytes::id3v1("New", "Artist", "", "", "Comment", 12);
    EXPECT_EQ(afterTag(saved), once);
    const Id3v2Info v2 = ReadId3v2(cantora::core::MemorySource(saved));
    EXPECT_EQ(v2.lyrics, "[00:01]x\r\n[00:02]y\r\n");
    EXPECT_EQ(v2.textFrames, (Frames{{"TALB", "Theirs"}, {"TIT2", "New"}, {"TPE1", "Artist"}, {"COMM", "Comment"}}));
    EXPECT_EQ(LyricBoxFromId3v2(file), "[00:01.00]x\r\n[00:02.00]y\r\n");
    SaveTags(module, r);
    EXPECT_EQ(contents(file), saved);
    // Empty lyrics remove the block; a genre index gives the byte below it.
    r.pending = row("New", "18");
    r.fields.lyrics = "   ";
    SaveTags(module, r);
    EXPECT_EQ(afterTag(contents(file)), audio + mp3bytes::id3v1("New", "Artist", "", "", "Comment", 17));
    EXPECT_EQ(LyricBoxFromId3v2(file), "");
}

TEST_F(SaveTagsTest, GivenAnId3v11Tag_WhenTheRowIsSaved_ThenTheTrackStaysAndGenreNoneUnlessChosen) {
    const auto v11 = [](std::string tag, char track, std::uint8_t genre) {
        tag[125] = '\0';
        tag[126] = track;
        tag[127] = static_cast<char>(genre);
        return tag;
    };
    const std::string file = dir.put("a.mp3", audio + v11(mp3bytes::id3v1("Old", "", "", "", "Old comment"), 7, 255));
    SaveRequest r = request(file);
    for (auto [index, genre] : {std::pair{"0", 255}, {"18", 17}}) {
        r.pending = row("New", index);
        r.pending->sub[7] = std::string(30, 'c');
        SaveTags(module, r);
        EXPECT_EQ(contents(file), audio + v11(mp3bytes::id3v1("New", "Artist", "", "", std::string(30, 'c')), 7,
                                              static_cast<std::uint8_t>(genre)));
    }
}

TEST_F(SaveTagsTest, GivenAConvertedSong_ThenSyncroIsCopiedOverTheOutput_AndAFailedWriteCopiesNothing) {
    const fs::path syncro = dir / kSyncroMp3;
    save(syncro, audio);
    save(dir / "out.mp3", "the user's older file");
    SaveRequest r = request(syncro);
    r.pending = row("Song", "1");
    r.outputFile = dir / "out.mp3";
    SaveOutcome out = SaveTags(module, r);
    EXPECT_TRUE(out.copied);
    EXPECT_EQ(contents(dir / "out.mp3"), contents(syncro));

    // SYNCRO.MP3 gone: the write fails and the output stays as it is.
    const std::string before = contents(dir / "out.mp3");
    fs::remove(syncro);
    out = SaveTags(module, r);
    EXPECT_FALSE(out.written);
    EXPECT_FALSE(out.copied);
    EXPECT_EQ(out.failures.size(), 2u);
    EXPECT_EQ(contents(dir / "out.mp3"), before);
    EXPECT_FALSE(fs::exists(syncro));
}

TEST_F(SaveTagsTest, GivenAWriteThatFailsPartWay_ThenTheMp3IsByteIdenticalAndTheFailureSaid) {
    // A file size limit stops the write ten bytes into the new tag, as a full disk would, for root too.
    const std::string old = audio + mp3bytes::id3v1("Old");
    const std::string file = dir.put("full.mp3", old);
    SaveRequest r = request(file);
    r.pending = row("New", "1");
    rlimit was{};
    ::getrlimit(RLIMIT_FSIZE, &was);
    const rlimit limit{audio.size() + 10, was.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const SaveOutcome out = SaveTags(module, r);
    ::setrlimit(RLIMIT_FSIZE, &was);
    ASSERT_FALSE(out.written);
    EXPECT_EQ(out.failures, std::vector<std::string>{"cannot write " + file + ": File too large"});
    EXPECT_EQ(contents(file), old);
    EXPECT_EQ(dir.entries(), 1u) << "a temporary file was left";
}

TEST_F(SaveTagsTest, CopyOverAFolderInTheWayFails_AndExitRemovesOnlyTheWorkFiles) {
    save(dir / "from.mp3", audio);
    fs::create_directories(dir / "busy.mp3/x"); // the copy is made, then cannot take the folder's place
    EXPECT_FALSE(CopyOver(dir / "from.mp3", dir / "busy.mp3").empty());
    EXPECT_TRUE(CopyOver(dir / "from.mp3", dir / "to.mp3").empty() && contents(dir / "to.mp3") == audio);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 3); // no temporary left

    save(dir / kSyncroMp3, audio);
    save(dir / kSyncroLrc, "[00:01]a\r\n");
    EXPECT_TRUE(ConvertedSongWaiting(dir.path.string()));
    DeleteWorkFiles(dir.path.string());
    DeleteWorkFiles(dir.path.string()); // already gone: fine
    EXPECT_FALSE(ConvertedSongWaiting(dir.path.string()));
    EXPECT_FALSE(fs::exists(dir / kSyncroLrc));
    EXPECT_TRUE(fs::exists(dir / "to.mp3"));
    save(dir / kSyncroMp3, "");
    EXPECT_FALSE(ConvertedSongWaiting(dir.path.string())); // an empty one is no song
}

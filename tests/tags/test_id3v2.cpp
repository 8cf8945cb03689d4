// The ID3v2 tag at the start of an MP3: frame information found past it,
// lyrics timed from LRC text, tags written and read back, damage refused.

#include "core/byteio.h"
#include "core/tempfolder.h"
#include "mp3bytes.h"
#include "tags/audioframes.h"
#include "tags/id3module.h"
#include "tags/id3v2tag.h"

#include <gtest/gtest.h>

using namespace cantora::tags;
using cantora::core::MemorySource;
using cantora::lyrics::SyncedText;

namespace {

// A tag header declaring `size` bytes after it, then `body` (padded with zeros to `size`).
std::string id3(std::int64_t size, const std::string &body = {}, char flags = 0, char version = 4) {
    std::string h = {'I', 'D', '3', version, 0, flags};
    for (int i = 3; i >= 0; --i)
        h += static_cast<char>((size >> (7 * i)) & 0x7F);
    return h + body + std::string(static_cast<std::size_t>(std::max<std::int64_t>(0, size - std::ssize(body))), '\0');
}

std::string renderOver(const std::string &file, const Id3v2Edit &edit, int version = 0) {
    const Id3v2Render r = RenderId3v2(MemorySource(file), edit, version);
    EXPECT_EQ(r.error, "");
    return r.tag + file.substr(static_cast<std::size_t>(r.replaces));
}

} // namespace

TEST(Id3v2, FrameInformationIsReadPastALeadingTag) {
    const std::string audio = mp3bytes::audio(20000);
    struct Case {
        std::string file;
        bool found;
    } cases[] = {
        {id3(300000) + audio, true},                                // cover art far beyond the 4096 bytes searched
        {id3(5000, {}, 0x10) + std::string(10, 'x') + audio, true}, // a footer follows the declared size
        {id3(5000) + std::string(4092, '\0') + audio, false},       // the search still ends 4092 bytes on
        {id3(1000000).substr(0, 10) + audio, true}, // a size past the end is no tag: the search starts at 0
    };
    for (const Case &c : cases) {
        Id3Module m;
        EXPECT_EQ(m.GetMp3Info(MemorySource(c.file)).Layer == "layer 3", c.found) << c.file.size();
    }
}

TEST(Id3v2, LrcTextGivesTimedLinesAndWords) {
    struct Case {
        const char *lrc;
        std::vector<SyncedText> synced;
    } cases[] = {
        {"[ti:Song]\r\n[00:01.50]One\r\n[01:02.345]Two\r\nno time\r\n", {{1500, "One"}, {62345, "\nTwo"}}},
        {"[00:20]B\n[00:05][00:30]A\n", {{5000, "A"}, {20000, "\nB"}, {30000, "\nA"}}}, // repeated lines, in time order
        {"[00:01.00]<00:01.00>Twin<00:01.25>kle\n[00:02.00]<00:02.10>star\n",
         {{1000, "Twin"}, {1250, "kle"}, {2100, "\nstar"}}},
        {"[00:60.00]bad [xx:01]tags\n[1:02]ok", {{62000, "ok"}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cantora::lyrics::syncedFromLrc(c.lrc), c.synced) << c.lrc;
    // The lyric box reads a line's timed words back as that one line.
    EXPECT_EQ(cantora::lyrics::lrcFromSynced(cases[2].synced), "[00:01.00]Twinkle\r\n[00:02.10]star\r\n");
}

TEST(Id3v2, WrittenTagReadsBackInBothVersionsAndKeepsTheRest) {
    const std::string original = coretest::contents(std::string(CANTORA_TEST_DATA) + "/mp3/lyrics3v2.mp3");
    const std::int64_t oldEnd = LeadingId3v2(MemorySource(original))->end;
    Id3v2Edit edit = LyricsEdit("[00:01.00]Ünder\r\n[00:02.50]the sea\r\n");
    edit.title = "Tïtle";
    edit.year = "2024";
    for (int version : {3, 4}) {
        const std::string once = renderOver(original, edit, version);
        const Id3v2Info info = ReadId3v2(MemorySource(once));
        EXPECT_EQ(info.version, version);
        EXPECT_EQ(info.lyrics, *edit.lyrics);
        EXPECT_EQ(info.synced, *edit.synced);
        const auto has = [&](const char *id, const std::string &text) {
            return std::count(info.textFrames.begin(), info.textFrames.end(),
                              std::pair<std::string, std::string>(id, text));
        };
        EXPECT_TRUE(has("TIT2", "Tïtle") && has("TDRC", "2024")) << version;
        EXPECT_TRUE(has("TSSE", "LAME 64bits version 3.98.4 (http://www.mp3dev.org/)")) << "frames not edited stay";
        // Everything after the tag is the old file's, byte for byte; a second save is the same file.
        const std::int64_t newEnd = LeadingId3v2(MemorySource(once))->end;
        EXPECT_EQ(once.substr(static_cast<std::size_t>(newEnd)), original.substr(static_cast<std::size_t>(oldEnd)));
        EXPECT_EQ(renderOver(once, edit), once);
    }
    // No tag and nothing to write: none is made.
    Id3v2Edit none;
    none.title = "x";
    none.create = false;
    EXPECT_EQ(RenderId3v2(MemorySource(mp3bytes::audio(5000)), none).tag, "");
    // Another tagger's SYLT of other content (a transcription) is read when none is typed lyrics.
    const std::string sylt("SYLT\0\0\0\x0e\0\0\0eng\x02\x02\0Hi\0\0\0\x03\xe8", 24);
    EXPECT_EQ(ReadId3v2(MemorySource(id3(100, sylt))).synced, std::vector<SyncedText>({{1000, "Hi"}}));
}

TEST(Id3v2, DamagedTagIsRefusedUnlessFramesMayBeDropped) {
    const std::string frame = std::string("TIT2\0\0\0\x05\0\0", 10) + std::string("\x03Good", 5);
    const std::string overlong = std::string("TALB\0\0\x7F\x7F\0\0", 10) + "x";
    struct Case {
        std::string file;
        const char *damage; // in the message; empty: sound
        bool repairable;
    } cases[] = {
        {id3(100, frame) + mp3bytes::audio(1000), "", true},
        {id3(15, frame) + mp3bytes::audio(1000), "", true}, // the frame ends where the tag does
        {id3(15, frame, 0x10) + std::string("3DI\x04\0\x10\0\0\0\x0f", 10) + mp3bytes::audio(1000), "",
         true}, // a footer
        {id3(100, std::string("\0\0\0\x06\x01\0", 6) + frame, 0x40) + mp3bytes::audio(1000), "", true},
        {id3(100, std::string("\0\0\0\x06", 4) + std::string(6, '\0') + frame, 0x40, 3) + mp3bytes::audio(1000), "",
         true}, // extended headers of 2.4 and 2.3
        {id3(100000, frame).substr(0, 25) + mp3bytes::audio(1000), "past the end of the file", false},
        {id3(100, frame + overlong) + mp3bytes::audio(1000), "TALB at byte 25 claims", true},
        {id3(100, frame + "ti\x01x" + std::string(6, '\0')) + mp3bytes::audio(1000), "no valid name", true},
        {id3(100, frame, 0, 5) + mp3bytes::audio(1000), "version 2.5", false},
    };
    for (const Case &c : cases) {
        const auto names = [&](const std::string &why) {
            return *c.damage ? why.find(c.damage) != std::string::npos : why.empty();
        };
        EXPECT_TRUE(names(ReadId3v2(MemorySource(c.file)).damage)) << c.damage;
        Id3v2Edit edit;
        edit.artist = "A";
        EXPECT_TRUE(names(RenderId3v2(MemorySource(c.file), edit).error)) << c.damage;
        edit.dropDamaged = true;
        const Id3v2Render repaired = RenderId3v2(MemorySource(c.file), edit);
        EXPECT_EQ(repaired.error.empty(), c.repairable) << c.damage;
        if (c.repairable) {
            EXPECT_EQ(ReadId3v2(MemorySource(repaired.tag)).textFrames.front().second, "Good");
        }
    }
}

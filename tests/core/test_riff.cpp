// The RIFF chunk walk shared by the WAV, RMID and SoundFont readers, and the byte sources under it.
#include "core/byteio.h"
#include "core/riff.h"
#include "core/samefile.h"
#include "tempfolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cantora::core;
using coretest::chunk;
using coretest::leBytes;

namespace {

struct Seen {
    std::string id;
    std::int64_t body;
    std::uint32_t size;
    bool operator==(const Seen &) const = default;
};

std::vector<Seen> walk(std::string_view bytes, std::int64_t begin, std::int64_t end) {
    std::vector<Seen> seen;
    walkRiffChunks(bytes, begin, end, [&](const RiffChunk &c) {
        seen.push_back({c.id, c.body, c.size});
        return true;
    });
    return seen;
}

} // namespace

TEST(RiffWalk, OddSizedChunkIsFollowedByItsPadByte) {
    // An RMID song whose "data" follows a chunk of 3 bytes: the pad byte
    // must be stepped over, or "data" is never found.
    const std::string file = "RIFF" + leBytes(0) + "RMID" + chunk("DISP", "abc") + chunk("data", "MThd");
    EXPECT_EQ(walk(file, 12, static_cast<std::int64_t>(file.size())),
              (std::vector<Seen>{{"DISP", 20, 3}, {"data", 32, 4}}));
    // Even sizes get no pad.
    const std::string even = chunk("ab  ", "12") + chunk("cd  ", "");
    EXPECT_EQ(walk(even, 0, static_cast<std::int64_t>(even.size())),
              (std::vector<Seen>{{"ab  ", 8, 2}, {"cd  ", 18, 0}}));
}

TEST(RiffWalk, StopsAtTheRangeAHeaderCutShortOrTheVisitor) {
    const std::string two = chunk("one ", "1234") + chunk("two ", "5678");
    // A range ending inside the second header sees only the first chunk; ending exactly after it sees both.
    EXPECT_EQ(walk(two, 0, 12 + 7).size(), 1u);
    EXPECT_EQ(walk(two, 0, 12 + 8).size(), 2u);
    // The range is cut to the bytes there are.
    EXPECT_EQ(walk(two, 0, 1000).size(), 2u);
    EXPECT_EQ(walk(two.substr(0, 12 + 7), 0, 1000).size(), 1u);

    // A size past the end is visited as stated (the caller clamps the body)
    // and ends the walk: no allocation, no endless loop.
    const std::string huge = chunk("big ", "xy", 0xFFFFFFFF) + chunk("next", "");
    const auto seen = walk(huge, 0, static_cast<std::int64_t>(huge.size()));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].size, 0xFFFFFFFFu);
    RiffChunk c;
    c.body = 8;
    c.size = 0xFFFFFFFF;
    EXPECT_EQ(riffBody(huge, c), huge.substr(8));
    c.body = static_cast<std::int64_t>(huge.size());
    EXPECT_EQ(riffBody(huge, c), "");

    int visits = 0;
    walkRiffChunks(two, 0, 1000, [&](const RiffChunk &) { return ++visits < 1; });
    EXPECT_EQ(visits, 1);
}

TEST(ByteSources, ReadsStopAtTheEndAndNumbersKeepTheirByteOrder) {
    const std::string bytes = "\x01\x02\x03\x04xyz";
    const MemorySource src(bytes);
    EXPECT_EQ(src.readString(4, 3), "xyz");
    EXPECT_EQ(src.readString(5, 10), "yz");
    EXPECT_EQ(src.readString(7, 1), "");
    EXPECT_EQ(src.readString(-1, 2), "");
    // A length field asking for gigabytes gets what there is.
    EXPECT_EQ(src.readString(0, std::size_t(1) << 40).size(), bytes.size());
    EXPECT_EQ(le16(bytes, 0), 0x0201);
    EXPECT_EQ(le32(bytes, 0), 0x04030201u);
    EXPECT_EQ(be16(bytes, 0), 0x0102);
    EXPECT_EQ(be32(bytes, 0), 0x01020304u);
    EXPECT_EQ(le32("\xFF\xFF\xFF\xFF", 0), 0xFFFFFFFFu);

    FileSource none;
    EXPECT_FALSE(none.open("/nonexistent/file"));
    EXPECT_EQ(none.error(), "No such file or directory");
    EXPECT_FALSE(none.open("/tmp"));
    EXPECT_EQ(none.error(), "is a directory");
}

TEST(SameFile, OneFileUnderEveryNameAndNoOtherFile) {
    coretest::TempFolder dir;
    const std::string song = dir.put("song.mid");
    dir.put("copy.mid");
    dir.put("sub/x");
    std::filesystem::create_symlink(song, dir / "link.mid");
    std::filesystem::create_hard_link(song, dir / "hard.mid");

    EXPECT_TRUE(sameFile(song, song));
    EXPECT_TRUE(sameFile(song, dir / "sub/../song.mid"));
    EXPECT_TRUE(sameFile(song, dir / "link.mid"));
    EXPECT_TRUE(sameFile(dir / "hard.mid", song));
    EXPECT_FALSE(sameFile(song, dir / "copy.mid")) << "equal bytes, another file";
    EXPECT_FALSE(sameFile(song, dir / "new.wav")) << "an output that does not exist yet";
    EXPECT_FALSE(sameFile(dir / "none", dir / "none"));

    // An inode number means something on its own device only: the roots of
    // the kernel's file systems all tend to be inode 1.
    const char *roots[] = {"/proc", "/sys", "/dev", "/dev/pts", "/dev/shm"};
    int pairs = 0;
    for (const char *a : roots) {
        for (const char *b : roots) {
            struct stat sa {
            }, sb{};
            if (a == b || ::stat(a, &sa) != 0 || ::stat(b, &sb) != 0)
                continue;
            if (sa.st_ino == sb.st_ino && sa.st_dev != sb.st_dev) {
                ++pairs;
                EXPECT_FALSE(sameFile(a, b)) << a << " and " << b;
            }
        }
    }
    RecordProperty("same_inode_pairs", pairs);
}

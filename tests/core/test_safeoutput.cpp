// SafeOutput: the old file stays whole until the new one is complete, the
// temporary file is never a path that existed, and nothing is left behind.
#include "core/safeoutput.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using cantora::core::SafeOutput;
using namespace coretest;

TEST(SafeOutput, OldFileStaysWholeUntilCommitAndNothingIsLeft) {
    TempFolder dir;
    const std::string out = dir / "out.wav";
    dir.put("out.wav", "old");
    ::chmod(out.c_str(), 0640);
    const bool root = ::geteuid() == 0 && ::chown(out.c_str(), 65534, 100) == 0; // as root: another user's file
    fs::create_symlink(dir / "song.mid", dir / "out.wav.part");                  // a name earlier versions used
    dir.put("song.mid", "song");
    struct Case {
        bool replace;
        bool commit;
        const char *want;
    };
    for (const Case c : {Case{true, false, "old"}, Case{false, true, "old"}, Case{true, true, "new"}}) {
        SafeOutput file;
        ASSERT_TRUE(file.open(out, c.replace)) << file.error();
        EXPECT_NE(file.tempPath(), dir / "out.wav.part");
        ASSERT_TRUE(file.write("new"));
        EXPECT_EQ(contents(out), "old");
        if (c.commit) {
            EXPECT_EQ(file.commit(), c.replace) << file.error();
        }
        file.abandon();
        EXPECT_EQ(contents(out), c.want) << c.replace << c.commit;
        EXPECT_EQ(file.existed(), c.commit && !c.replace);
        EXPECT_EQ(dir.entries(), 3u) << "a temporary file was left";
    }
    EXPECT_EQ(fs::status(out).permissions(), fs::perms(0640)) << "the replaced file's mode was not kept";
    struct stat st {};
    EXPECT_TRUE(!root || (::stat(out.c_str(), &st) == 0 && st.st_uid == 65534 && st.st_gid == 100)) << "nor its owner";
    EXPECT_EQ(contents(dir / "song.mid"), "song");
}

TEST(SafeOutput, RemovesOnlyTheLeftoversOfWritersThatAreGone) {
    TempFolder dir;
    const std::string prefix = SafeOutput::tempPrefix(dir / "out.mp3");
    const std::string dead = dir / (prefix + "2147483646-abcdefgh.part");
    const std::string live = dir / (prefix + std::to_string(getppid()) + "-abcdefgh.part");
    const std::string other = dir / (SafeOutput::tempPrefix(dir / "other.mp3") + "2147483646-abcdefgh.part");
    for (const std::string &p : {dead, live, other})
        std::ofstream(p) << "x";
    SafeOutput file;
    ASSERT_TRUE(file.open(dir / "out.mp3", false));
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(other));
}

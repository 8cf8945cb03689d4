// The song-file reader: the range asked for, the one size limit, and what is no regular file.

#include "audio/bass.h"
#include "audio/songfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace cantora::audio;

namespace {
std::string writeFile(const std::string &name, const std::string &bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}
} // namespace

TEST(SongFile, ReadsTheRangeAskedForUpToTheOneLimitFromRegularFilesOnly) {
    {
        const std::string path = writeFile("songfile_range.bin", "JUNKmiddleTAIL");
        auto r = readSongFile(path, 4, 6);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r.bytes, "middle");
        EXPECT_EQ(r.available, 6u);
        r = readSongFile(path, 4); // length 0: to the end
        EXPECT_EQ(r.bytes, "middleTAIL");
        r = readSongFile(path, 10, 100); // a length past the end stops there
        EXPECT_EQ(r.bytes, "TAIL");
        r = readSongFile(path, 99);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r.bytes, "");
        EXPECT_FALSE(r.overLimit);
        EXPECT_EQ(readSongFile(path + ".missing").error, SongFileError::Open);
        EXPECT_EQ(readSongFile(::testing::TempDir()).error, SongFileError::NotRegular);
        std::remove(path.c_str());
    }
    {
        // Nobody writes to the FIFO: an open() that blocks would hang here for
        // ever, so the call runs aside and the test frees it if it must.
        const std::string fifo = ::testing::TempDir() + "songfile_fifo.mid";
        unlink(fifo.c_str());
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        auto call = std::async(std::launch::async, [&] { return readSongFile(fifo).error; });
        if (call.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                close(fd);
            FAIL() << "opening a FIFO as a song blocked";
        }
        EXPECT_EQ(call.get(), SongFileError::NotRegular);
        unlink(fifo.c_str());
    }
    {
        const std::string path = writeFile("songfile_limit.bin", "x");
        ASSERT_EQ(truncate(path.c_str(), kMaxSongBytes + 1), 0); // sparse: nothing written
        auto r = readSongFile(path, 1);
        ASSERT_TRUE(r.ok());
        EXPECT_FALSE(r.overLimit);
        EXPECT_EQ(r.bytes.size(), kMaxSongBytes);
        r = readSongFile(path);
        EXPECT_TRUE(r.overLimit);
        EXPECT_EQ(r.available, kMaxSongBytes + 1);
        EXPECT_EQ(r.bytes.size(), kMaxSongBytes);
        EXPECT_EQ(r.bytes[0], 'x');
        std::remove(path.c_str());
    }
}

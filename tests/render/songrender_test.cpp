// renderSongToWav: what it refuses before writing, and that a render that does not finish leaves no file behind.

#include "render/songrender.h"

#include "render/songfolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace cantora::render;
using cantora::audio::MidiWriter;
using namespace wavbytes;
namespace fs = std::filesystem;

namespace {

using SongRender = SongFolder;

TEST_F(SongRender, ACancelFromTheBlockCallbackLeavesNoFile) {
    const std::string in = noteSong(0, 480 * 8); // 4 s
    int blocks = 0;
    SongRenderResult r = renderSongToWav(in, dir / "out.wav", [&](HSTREAM, std::int64_t position) {
        ++blocks;
        return position < 4 * kRenderBlockBytes;
    });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "render cancelled");
    EXPECT_EQ(blocks, 1 + 5) << "the set-up call, then blocks at 0 .. 4 x 20000 bytes";
    EXPECT_TRUE(onlySong());
    // Cancelled before the first block: the same.
    r = renderSongToWav(in, dir / "out.wav", [](HSTREAM, std::int64_t) { return false; });
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(onlySong());
    // Run to the end, it gives the song.
    r = renderSongToWav(in, dir / "out.wav");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_GE(r.dataBytes, 4u * 44100 * 4);
    EXPECT_EQ(fs::file_size(dir / "out.wav"), r.dataBytes + 44);
}

TEST_F(SongRender, SongsLongerThanAWavHoldsAreRefusedBeforeWriting) {
    // 7 hours at 44100 Hz stereo 16-bit is 4.4 GB: more than 4 GiB of data.
    const std::uint64_t hour = 480 * 2 * 3600;
    const std::string seven = noteSong(7 * hour, 7 * hour + 480);
    SongRenderResult r = renderSongToWav(seven, dir / "out.wav");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("7:00:0"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("a WAV file holds at most 4294967259"), std::string::npos) << r.error;
    EXPECT_TRUE(onlySong());
    // Other sinks (the MP3 encoder) take it: the limit is the WAV file's.
    struct AnySink : PcmSink {
        std::string begin(const PcmFormat &) override { return {}; }
        std::string write(const char *, std::size_t) override { return {}; }
    } any;
    r = renderSongBlocks(seven, any, [](HSTREAM, std::int64_t position) { return position < 0; });
    EXPECT_EQ(r.error, kRenderCancelled);
    // Over a day is refused as absurd, whatever the format could hold.
    r = renderSongToWav(noteSong(25 * hour, 25 * hour + 480), dir / "out.wav");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("limited to 24 hours"), std::string::npos) << r.error;
    EXPECT_TRUE(onlySong());
}

TEST_F(SongRender, ASongWithNothingToPlayIsAnErrorWithoutAFile) {
    MidiWriter w(480, 0);
    w.addTrack();
    EXPECT_FALSE(renderSongToWav(saveSong(w), dir / "out.wav").ok);
    EXPECT_TRUE(onlySong());
}

} // namespace

// The conversion's file work: the WAV work file as bytes, what a cancel
// leaves behind, the MP3 and WAV work files made together on the job's
// worker with the chosen preset and bit rate, and the clean-up of the work files;
// under it, renderSongToWav: what it refuses before writing, and that a render
// that does not finish leaves no file behind.

#include "render/conversionjob.h"
#include "render/songrender.h"

#include "render/mp3decode.h"
#include "render/songfolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace cantora::render;
using cantora::audio::MidiWriter;
using namespace wavbytes;
namespace fs = std::filesystem;

namespace {

// Songs of one note: 960 ticks a second.
using Conversion = SongFolder;

TEST_F(Conversion, ATenSecondSongReplacesTheOldWorkFileWithExactSizes) {
    save(dir / "newwave.wav", std::string(3'000'000, 'x')); // longer than the new one
    ConversionJob job(dir.path.string());
    std::int64_t length = -1;
    std::vector<std::int64_t> positions;
    RenderWatch watch;
    watch.started = [&](std::int64_t bytes, double) { length = bytes; };
    watch.block = [&](std::int64_t position) { positions.push_back(position); };
    int liveCalls = 0;
    const auto live = [&](HSTREAM, std::int64_t) { return ++liveCalls > 0; };
    const SongRenderResult r = job.renderWave(noteSong(0, 9600), live, watch);
    ASSERT_TRUE(r.ok) << r.error;

    EXPECT_EQ(length, 1764000);
    ASSERT_EQ(positions.size(), 89u) << "1764000 bytes in blocks of 20000";
    EXPECT_EQ(liveCalls, 1 + 89) << "the live settings go on before the first block and before every block";
    EXPECT_EQ(fs::file_size(dir / "newwave.wav"), 44 + 1764000u);
    EXPECT_EQ(files(), (std::vector<std::string>{"newwave.wav", "song.mid"}));
}

TEST_F(Conversion, ACancelDuringTheRenderLeavesNoWaveFileAtAnyMoment) {
    save(dir / "newwave.wav", "an old rendering");
    ConversionJob job(dir.path.string());
    bool partGoneAtOnce = false;
    RenderWatch watch;
    watch.block = [&](std::int64_t position) {
        if (position != 60000)
            return;
        ASSERT_EQ(files().size(), 2u) << "the render builds its file under another name";
        // As Exit does: the process may end right after this call.
        job.cancel();
        partGoneAtOnce = files().size() == 1;
    };
    const SongRenderResult r = job.renderWave(noteSong(0, 3840), {}, watch);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(partGoneAtOnce);
    EXPECT_EQ(files(), std::vector<std::string>{"song.mid"}) << "the old work file went before the render";
    // A cancelled job does nothing more.
    EXPECT_FALSE(job.renderWave(dir / "song.mid", {}, {}).ok);
    EXPECT_FALSE(job.renderMp3(dir / "song.mid", {}, {}, {}).ok);
    EXPECT_EQ(files(), std::vector<std::string>{"song.mid"});
}

TEST_F(Conversion, TheMp3AndItsWaveComeTogetherOnTheWorkerWithThePresetAndTheBitRate) {
    save(dir / "SYNCRO.MP3", "left over from an earlier run");
    ConversionJob job(dir.path.string());
    std::int64_t last = 0, total = 0;
    bool waveFirst = false;
    RenderWatch watch;
    watch.encoded = [&](std::int64_t done, std::int64_t all) {
        EXPECT_GE(done, last);
        last = done;
        total = all;
    };
    watch.rendered = [&](const SongRenderResult &r) {
        waveFirst = r.ok && load(dir / "newwave.wav").size() == 44 + 2 * 176400 &&
                    load(dir / "SYNCRO.MP3") == "left over from an earlier run";
    };
    EncodeResult e;
    job.start([&] { e = job.renderMp3(noteSong(0, 1920), {}, {10, 128}, watch); });
    job.wait();
    ASSERT_TRUE(e.ok) << e.error;
    EXPECT_TRUE(waveFirst) << "the WAV is complete when the render ends, the MP3 only when the encoder does";
    EXPECT_EQ(decode(dir / "SYNCRO.MP3").info.bitrate, 320) << "Insane is 320 kbit/s";
    EXPECT_EQ(last, 2 * 44100 * 2) << "16-bit samples over both channels, to the end";
    EXPECT_EQ(total, last);

    // The fixed bit-rate preset takes the bit rate chosen in the window.
    ASSERT_TRUE(job.renderMp3(noteSong(0, 1920), {}, {12, 192}, {}).ok);
    EXPECT_EQ(decode(dir / "SYNCRO.MP3").info.bitrate, 192);
    EXPECT_EQ(files(), (std::vector<std::string>{"SYNCRO.MP3", "newwave.wav", "song.mid"}));
}

TEST_F(Conversion, AnMp3CancelledOnTheWorkerLeavesNeitherWorkFile) {
    save(dir / "SYNCRO.MP3", "an old one");
    ConversionJob job(dir.path.string());
    RenderWatch watch;
    watch.block = [&](std::int64_t position) {
        if (position == 60000)
            job.cancel(); // as Stop does, from another thread
    };
    EncodeResult e;
    job.start([&] { e = job.renderMp3(noteSong(0, 2880), {}, {}, watch); });
    job.wait();
    EXPECT_FALSE(e.ok);
    EXPECT_EQ(files(), (std::vector<std::string>{"SYNCRO.MP3", "song.mid"}))
        << "the old MP3 is replaced only by a whole one";
}

TEST_F(Conversion, KillTempRemovesTheFourWorkFilesAndNothingElse) {
    for (const char *name : {"newwave.wav", "newnorm.wav", "SYNCRO.LRC", "SYNCRO.MP3", "song.mid"})
        save(dir / name, "x");
    KillTemp(dir.path.string());
    EXPECT_TRUE(onlySong());
    KillTemp(dir.path.string()); // nothing to delete is no error
    KillTemp(dir / "missing");
}

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

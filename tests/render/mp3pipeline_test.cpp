// A song rendered straight into the encoder: the MP3 decodes to the song's
// length, holds the very bytes a render to WAV encoded afterwards gives, and
// whatever stops the conversion leaves no file.

#include "render/mp3pipeline.h"

#include "render/encoderpresets.h"
#include "render/lameencoder.h"
#include "render/mp3decode.h"
#include "render/songfolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace cantora::render;
using cantora::audio::MidiWriter;
using namespace wavbytes;
namespace fs = std::filesystem;

namespace {

class Mp3Pipeline : public SongFolder {
protected:
    static void SetUpTestSuite() {
        SetExecutableName("cantora");
        SongFolder::SetUpTestSuite();
    }

    // A few notes for `quarters` quarter notes at 120 bpm (0.5 s each).
    std::string song(int quarters) {
        MidiWriter w(480, 0);
        const int t = w.addTrack();
        w.program(t, 0, 0, 73);
        for (int q = 0; q < quarters; ++q) {
            w.noteOn(t, 480u * q, 0, 60 + q % 12, 100);
            w.noteOff(t, 480u * q + 400, 0, 60 + q % 12);
        }
        w.meta(t, 480u * quarters, 0x2F, "");
        return saveSong(w);
    }
};

} // namespace

TEST_F(Mp3Pipeline, TheMp3DecodesToTheSongsLengthAndEqualsRenderThenEncode) {
    const std::string in = song(16); // 8 s
    Mp3ConversionOptions options;
    options.queueBlocks = 2; // the renderer runs into a full queue many times
    std::uint64_t lastEncoded = 0, expected = 0;
    options.onEncoded = [&](std::uint64_t encoded, std::uint64_t total) {
        EXPECT_GE(encoded, lastEncoded);
        lastEncoded = encoded;
        expected = total;
    };
    const Mp3ConversionResult r = renderSongToMp3(in, dir / "out.mp3", options);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.rate, 44100u);
    EXPECT_LE(r.queueHighWater, 2u);
    EXPECT_EQ(expected, r.pcmBytes) << "the engine's length is what gets rendered";
    EXPECT_GE(lastEncoded + 4 * 1152, r.pcmBytes) << "progress reaches the end, short of the last partial chunk";
    EXPECT_EQ(decode(dir / "out.mp3").frames(), r.pcmBytes / 4);
    EXPECT_NEAR(double(r.pcmBytes / 4), 8.0 * 44100, 44100) << "8 s of notes, and the release tail";

    // The same PCM through a WAV file and the file encoder.
    ASSERT_TRUE(renderSongToWav(in, dir / "song.wav").ok);
    cLameEncoder encoder;
    encoder.EncodingPreset(LQP_STANDARD);
    encoder.WavFile(dir / "song.wav");
    encoder.Mp3File(dir / "two-steps.mp3");
    encoder.Encode();
    EXPECT_TRUE(load(dir / "out.mp3") == load(dir / "two-steps.mp3")) << "same PCM, same MP3";
}

TEST_F(Mp3Pipeline, ACancelledRenderLeavesNoMp3) {
    const std::string in = song(40);
    Mp3ConversionOptions options;
    int blocks = 0;
    options.onBlock = [&](HSTREAM, std::int64_t) { return ++blocks < 30; };
    const Mp3ConversionResult r = renderSongToMp3(in, dir / "out.mp3", options);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.error, kRenderCancelled);
    EXPECT_TRUE(onlySong());
}

TEST_F(Mp3Pipeline, AnEncoderThatCannotWriteStopsTheRender) {
    const std::string in = song(40);
    Mp3ConversionOptions options;
    int blocks = 0;
    options.onBlock = [&](HSTREAM, std::int64_t) { return ++blocks < 1000000; };
    const Mp3ConversionResult r = renderSongToMp3(in, dir / "no-such-folder/out.mp3", options);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.cancelled);
    EXPECT_NE(r.error.find("out.mp3: No such file or directory"), std::string::npos) << r.error;
    EXPECT_LE(blocks, 1 + 1 + int(options.queueBlocks) + 2) << "the renderer stops soon after";
    EXPECT_TRUE(onlySong());
}

TEST_F(Mp3Pipeline, ASongTheEngineCannotReadLeavesNoMp3) {
    save(dir / "song.mid", "MThd but not really a song");
    const Mp3ConversionResult r = renderSongToMp3(dir / "song.mid", dir / "out.mp3", {});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.engineError, 0);
    EXPECT_TRUE(onlySong());
}

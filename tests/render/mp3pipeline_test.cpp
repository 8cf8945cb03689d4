// A song rendered straight into the encoder: the MP3 decodes to the song's
// length, holds the very bytes a render to WAV encoded afterwards gives, and
// whatever stops the conversion leaves no file.

#include "render/mp3pipeline.h"

#include "render/encoderpresets.h"
#include "render/lameencoder.h"
#include "render/mp3decode.h"
#include "render/songfolder.h"

#include <gtest/gtest.h>

using namespace cantora::render;
using namespace wavbytes;

// Songs of one note: 480 ticks a quarter note, 0.5 s.
using Mp3Pipeline = SongFolder;

TEST_F(Mp3Pipeline, TheMp3DecodesToTheSongsLengthAndEqualsRenderThenEncode) {
    const std::string in = noteSong(0, 480 * 16); // 8 s
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
    EXPECT_NEAR(double(r.pcmBytes / 4), 8.0 * 44100, 44100) << "8 s of the note, and the release tail";

    // The same PCM through a WAV file and the file encoder.
    ASSERT_TRUE(renderSongToWav(in, dir / "song.wav").ok);
    cLameEncoder encoder;
    encoder.EncodingPreset(LQP_STANDARD);
    encoder.WavFile(dir / "song.wav");
    encoder.Mp3File(dir / "two-steps.mp3");
    encoder.Encode();
    EXPECT_TRUE(load(dir / "out.mp3") == load(dir / "two-steps.mp3")) << "same PCM, same MP3";
}

TEST_F(Mp3Pipeline, ACancelAnEncoderThatCannotWriteOrAnUnreadableSongLeaveNoMp3) {
    const std::string notes = load(noteSong(0, 480 * 40));
    const struct {
        std::string song, out;
        int blocks; // the render is cancelled at this block
        const char *error;
    } cases[] = {
        {notes, "out.mp3", 30, kRenderCancelled},
        {notes, "no-such-folder/out.mp3", 1000000, "out.mp3: No such file or directory"},
        {"MThd but not really a song", "out.mp3", 1000000, ""},
    };
    for (const auto &c : cases) {
        save(dir / "song.mid", c.song);
        Mp3ConversionOptions options;
        int blocks = 0;
        options.onBlock = [&](HSTREAM, std::int64_t) { return ++blocks < c.blocks; };
        const Mp3ConversionResult r = renderSongToMp3(dir / "song.mid", dir / c.out, options);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.cancelled, c.blocks == 30);
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
        EXPECT_EQ(r.engineError != 0, !*c.error) << "only the song the engine cannot read";
        EXPECT_LE(blocks, c.blocks == 30 ? 30 : 1 + 1 + int(options.queueBlocks) + 2) << "the renderer stops soon";
        EXPECT_TRUE(onlySong());
    }
}

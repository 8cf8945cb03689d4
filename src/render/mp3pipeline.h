#pragma once
// A MIDI song straight to an MP3 file, without a WAV file in between: the
// render loop runs in the calling thread and hands its blocks through a
// bounded queue (blockpipeline.h) to the LAME encoder on a second thread, so
// rendering and encoding overlap. The encoder gets exactly the record and
// chunks cLameEncoder uses, so the MP3 holds the same bytes as a render to
// WAV encoded afterwards.
//
// The MP3 goes into a stream the caller owns (core::SafeOutput's temporary
// file, which it commits or abandons), or into a path written safely.

#include "render/bladeenc.h"
#include "render/mp3writer.h"
#include "render/songrender.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace cantora::render {

// LAME fed with PCM as it comes, in the chunks the library asks for.
// Errors are NumberedError, as cLameEncoder raises them. One thread at a time.
class Mp3StreamEncoder {
public:
    // Opens the library stream with the record cLameEncoder would hand it
    // for `preset` and `rate` (16-bit stereo input), writing into `mp3`
    // (named `name` in messages).
    // `kbps` is the bit rate of the ABR and CBR presets (0: the default).
    Mp3StreamEncoder(long preset, std::uint32_t rate, std::FILE *mp3, const std::string &name, long kbps = 0);
    // Abandons the stream unless finish() ran.
    ~Mp3StreamEncoder();
    Mp3StreamEncoder(const Mp3StreamEncoder &) = delete;
    Mp3StreamEncoder &operator=(const Mp3StreamEncoder &) = delete;

    // Interleaved 16-bit stereo bytes; any count (a partial frame waits for the rest).
    void encode(const char *data, std::size_t bytes);
    // Encodes what is left, flushes, puts the Info frame in place and flushes the file.
    void finish();
    // Closes the library stream; the file's owner removes it.
    void abandon();
    std::uint64_t bytesEncoded() const { return encoded_; }

private:
    void encodeChunk(const char *data, std::size_t bytes);

    HBE_STREAM stream_ = 0;
    std::uint32_t chunkBytes_ = 0; // input bytes per beEncodeChunk
    cMp3Writer writer_;
    std::vector<char> pending_;         // less than one chunk, waiting
    std::vector<std::int16_t> samples_; // one chunk, aligned for the library
    std::uint64_t encoded_ = 0;
    bool done_ = false;
};

struct Mp3ConversionOptions {
    long preset = LQP_STANDARD;
    long bitrate = 0;             // kbit/s of the ABR and CBR presets; 0 keeps the default
    std::uint32_t rate = 0;       // the sample rate rendered and encoded (0: the engine's)
    std::size_t queueBlocks = 32; // rendered blocks waiting for the encoder, at most
    // Render thread, as renderSongToWav calls it (live settings, Ctrl-C).
    RenderBlockFn onBlock;
    // Encoder thread, after each block: PCM bytes encoded so far and the
    // song's expected PCM bytes (0 when unknown).
    std::function<void(std::uint64_t encoded, std::uint64_t expected)> onEncoded;
    // Render thread: every block goes here too (begun before the first);
    // the caller completes or abandons it.
    PcmSink *copyTo = nullptr;
    // Render thread, once the render has ended, while the encoder catches up.
    std::function<void(const SongRenderResult &render)> onRendered;
};

struct Mp3ConversionResult {
    bool ok = false;
    bool cancelled = false; // the block callback stopped the render
    std::string error;      // what went wrong, for messages
    int engineError = 0;    // the engine's code, when the render failed on an engine call
    std::uint64_t pcmBytes = 0;
    std::uint32_t rate = 0;
    double renderBusySeconds = 0; // render thread, not counting waits for the encoder
    double encodeBusySeconds = 0; // encoder thread, not counting waits for the renderer
    double renderCpuSeconds = 0;  // processor time of the render thread
    double encodeCpuSeconds = 0;  // processor time of the encoder thread
    std::size_t queueHighWater = 0;
};

// Renders `songPath` (engine initialised, fonts set as for renderSongToWav)
// and encodes it into `mp3` (named `mp3Name` in messages).
Mp3ConversionResult renderSongToMp3(const std::string &songPath, std::FILE *mp3, const std::string &mp3Name,
                                    const Mp3ConversionOptions &options);
// The same into the file `mp3Path`, replaced only when complete.
Mp3ConversionResult renderSongToMp3(const std::string &songPath, const std::string &mp3Path,
                                    const Mp3ConversionOptions &options);

} // namespace cantora::render

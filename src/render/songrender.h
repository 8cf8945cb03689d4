#pragma once
// Renders a MIDI song through the engine, faster than real time: a decoding
// stream pulled in 20000-byte blocks until it ends. renderSongBlocks hands
// the blocks to any PcmSink; renderSongToWav is that loop writing a 16-bit
// PCM WAV file, which appears under its name only when complete: a failed or
// cancelled render leaves nothing behind.
//
// The engine must be initialised (the "no sound" device is enough) and the
// stream gets the engine's default SoundFont list (BASS_MIDI_StreamSetFonts
// with handle 0). Runs in the calling thread.

#include "audio/bass.h"
#include "core/safeoutput.h"
#include "render/wavwriter.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace cantora::render {

struct SongRenderResult {
    bool ok = false;
    std::string error;   // what went wrong, for messages
    int engineError = 0; // BASS_ErrorGetCode of the failing call, if any
    std::uint64_t dataBytes = 0;
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
};

// Called with the decoding stream: before the first block (`position` = -1:
// set effects and live settings there) and before every block with the
// stream position in bytes. Returning false cancels the render.
using RenderBlockFn = std::function<bool(HSTREAM stream, std::int64_t position)>;

// Bytes asked from the decoder per block.
constexpr DWORD kRenderBlockBytes = 20000;
// Longest song rendered: anything longer is a damaged file (one absurd
// delta time), not music.
constexpr double kMaxRenderSeconds = 24 * 3600;
// The error text of a render stopped by its block callback.
inline constexpr const char *kRenderCancelled = "render cancelled";

// What the decoder delivers.
struct PcmFormat {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bits = 0;
    std::uint64_t expectedBytes = 0; // the song's length as the engine computes it; 0 when unknown
};

// Where rendered blocks go. An error text from either call stops the render
// with that text as its error.
class PcmSink {
public:
    virtual ~PcmSink() = default;
    // Before the first block (and before the block callback's set-up call).
    virtual std::string begin(const PcmFormat &format) = 0;
    // One block of interleaved samples as the decoder delivered them.
    virtual std::string write(const char *data, std::size_t bytes) = 0;
};

// Refusals come before the sink is begun: a song longer than
// kMaxRenderSeconds (a sink may refuse more in begin()). A song that
// yields no audio at all is an error too. The sink is told nothing of the
// end: the caller finishes or abandons it after the result. `rate` is the
// sample rate rendered (0: the engine's, 44100 Hz).
SongRenderResult renderSongBlocks(const std::string &songPath, PcmSink &sink, const RenderBlockFn &onBlock = {},
                                  std::uint32_t rate = 0);

// The render as a WAV file written safely (core::SafeOutput): replaced only
// when complete. A song longer than a WAV file can hold (4 GiB of data) is
// refused before any sample.
SongRenderResult renderSongToWav(const std::string &songPath, const std::string &wavPath,
                                 const RenderBlockFn &onBlock = {}, std::uint32_t rate = 0);
// The same into an open stream the caller owns (a file, or a pipe: the
// header's sizes are patched only where the stream can seek); `wavName`
// names it in messages.
SongRenderResult renderSongToWav(const std::string &songPath, std::FILE *wav, const std::string &wavName,
                                 const RenderBlockFn &onBlock = {});

class WavSink;

// The samples into a 16-bit PCM WAV file at `path`, written safely
// (core::SafeOutput): it is in place only after complete(), and an
// abandoned or destroyed sink leaves whatever was there before.
class WavFileSink : public PcmSink {
public:
    explicit WavFileSink(std::string path);
    ~WavFileSink() override;
    WavFileSink(const WavFileSink &) = delete;
    WavFileSink &operator=(const WavFileSink &) = delete;
    std::string begin(const PcmFormat &format) override;
    std::string write(const char *data, std::size_t bytes) override;
    // Patches the sizes and puts the file in place; the reason when it cannot.
    std::string complete();
    // Closes and removes the file under construction.
    void abandon();

private:
    std::string path_;
    core::SafeOutput out_;
    std::unique_ptr<WavSink> sink_;
};

} // namespace cantora::render

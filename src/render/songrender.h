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
#include "render/wavwriter.h"

#include <cstdint>
#include <functional>
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
// kMaxRenderSeconds or than a WAV file can hold (4 GiB of data). A song that
// yields no audio at all is an error too. The sink is told nothing of the
// end: the caller finishes or abandons it after the result.
SongRenderResult renderSongBlocks(const std::string &songPath, PcmSink &sink, const RenderBlockFn &onBlock = {});

SongRenderResult renderSongToWav(const std::string &songPath, const std::string &wavPath,
                                 const RenderBlockFn &onBlock = {});

// The samples into a 16-bit PCM WAV file built under `partPath`; it takes its
// own name only in complete(), and goes again when abandoned or destroyed first.
class WavFileSink : public PcmSink {
public:
    explicit WavFileSink(std::string partPath);
    ~WavFileSink() override;
    WavFileSink(const WavFileSink &) = delete;
    WavFileSink &operator=(const WavFileSink &) = delete;
    std::string begin(const PcmFormat &format) override;
    std::string write(const char *data, std::size_t bytes) override;
    // Patches the sizes and renames the file to `path`; the reason when it cannot.
    std::string complete(const std::string &path);
    // Closes and removes the file under construction.
    void abandon();

private:
    WavWriter writer_;
    std::string partPath_;
    bool begun_ = false; // the file may exist
    bool done_ = false;
};

} // namespace cantora::render

#pragma once
// Renders a MIDI song to a 16-bit PCM WAV file through the engine, faster
// than real time: a decoding stream pulled in 20000-byte blocks until it
// ends. The file appears under its name only when complete; a failed or
// cancelled render leaves nothing behind.
//
// The engine must be initialised (the "no sound" device is enough) and the
// stream gets the engine's default SoundFont list (BASS_MIDI_StreamSetFonts
// with handle 0). Runs in the calling thread.

#include "audio/bass.h"

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

// Refusals come before the file is created: a song longer than
// kMaxRenderSeconds or than a WAV file can hold (4 GiB of data). A song that
// yields no audio at all is an error too, and leaves no file.

SongRenderResult renderSongToWav(const std::string &songPath, const std::string &wavPath,
                                 const RenderBlockFn &onBlock = {});

} // namespace cantora::render

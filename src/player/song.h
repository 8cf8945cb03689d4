#pragma once
// The one song of the player: its stream, path, tempo and the small texts
// the window shows about it.
//
// Threading: `tempo` and `tempoFactor` are read and written by the mix-time
// tempo callbacks on the engine's render thread as well as by the UI
// thread, so they are atomics; everything else is UI-thread only.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "audio/bass.h"

namespace cantora::player {

// Tempo shared between the UI and the render thread.
struct SongTempo {
    std::atomic<std::int32_t> tempo{0};   // song tempo last read, µs per quarter note
    std::atomic<float> tempoFactor{1.0f}; // above 1 = slower
};

// Process-wide song state.
struct Song {
    HSTREAM handle = 0; // 0 = no stream was ever opened
    std::string path;   // file of the song
    SongTempo tempo;
    std::uint8_t format = 0;
};

// Transport flags of the main window.
struct TransportFlags {
    bool started = false;
    bool paused = false;
    bool stopped = false;
    bool rebuildOnPlay = false;
};

// "&H" followed by the hexadecimal digits of the header's format bytes
// (offsets 8 and 9), each without padding: "&H01" for a format 1 file.
// Empty when the file is too short.
std::string TipoFile(std::string_view fileBytes);

// The time label: "Time: 1:05 / 3:07" for 65 seconds played of 187.
std::string timeText(long long elapsed, long long length);

// Beats per minute with one decimal, as the BPM label shows it ("180.0");
// empty when there is no tempo yet.
std::string bpmText(std::int32_t tempo, float factor);

// Seconds of a byte length or position of `stream`, rounded; -1 when the
// engine cannot tell (no stream).
long long roundedSeconds(HSTREAM stream, QWORD bytes);

// Reads the song tempo from `stream` when `reread`, then sends tempo ×
// factor (rounded) as the stream's tempo.
void ApplyTempo(HSTREAM stream, SongTempo &tempo, bool reread);

// Registers the two mix-time tempo callbacks (on tempo events and on
// position changes); `tempo` must outlive the stream.
void registerTempoSyncs(HSTREAM stream, SongTempo &tempo);

} // namespace cantora::player

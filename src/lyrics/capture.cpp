#include "lyrics/capture.h"

#include "lyrics/livesync.h"

#include <cstdint>

namespace cantora::lyrics {

void LyricCapture(HSYNC, DWORD channel, DWORD data, void *user) {
    try {
        // User 0 (the registration at Open) means the lyric events.
        auto type = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(user));
        reportCapture(
            readMark(channel, type == BASS_MIDI_MARK_TEXT ? BASS_MIDI_MARK_TEXT : BASS_MIDI_MARK_LYRIC, data));
    } catch (...) {
        // Nothing may escape into the engine's thread.
    }
}

HSYNC registerLyricCapture(HSTREAM stream, MarkSource source, DWORD user) {
    DWORD type = source == MarkSource::Text ? BASS_SYNC_MIDI_TEXT : BASS_SYNC_MIDI_LYRIC;
    return BASS_ChannelSetSync(stream, type, 0, LyricCapture,
                               reinterpret_cast<void *>(static_cast<std::uintptr_t>(user)));
}

} // namespace cantora::lyrics

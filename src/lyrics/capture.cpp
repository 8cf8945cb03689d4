#include "lyrics/capture.h"

#include <cstdint>

namespace cantora::lyrics {

void LyricCapture(HSYNC, DWORD, DWORD, void *) {}

void registerLyricCapture(HSTREAM stream, MarkSource source, DWORD user) {
    DWORD type = source == MarkSource::Text ? BASS_SYNC_MIDI_TEXT : BASS_SYNC_MIDI_LYRIC;
    BASS_ChannelSetSync(stream, type, 0, LyricCapture, reinterpret_cast<void *>(static_cast<std::uintptr_t>(user)));
}

} // namespace cantora::lyrics

#pragma once
// Real-time capture of a timed lyric list while the song plays with "MP3K"
// ticked. The player registers it on the song's marks; the recording itself
// arrives with the LRC file support, until then the callback records nothing.

#include "audio/bass.h"
#include "lyrics/lyricpage.h"

namespace cantora::lyrics {

// Capture callback: data = mark index, user = mark type (0 at Open, 2 or 3 on replay).
void LyricCapture(HSYNC handle, DWORD channel, DWORD data, void *user);
// Registers LyricCapture on the song's lyric marks with the given user value.
void registerLyricCapture(HSTREAM stream, MarkSource source, DWORD user);

} // namespace cantora::lyrics

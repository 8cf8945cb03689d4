#pragma once
// Real-time capture of a timed lyric list while the song plays with "MP3K"
// ticked. The player registers it on the song's marks; each reached mark
// goes to the capture listeners of its stream (see livesync.h). The list
// itself is kept by whoever listens; until the LRC file support arrives,
// nobody does.

#include "audio/bass.h"
#include "lyrics/lyricpage.h"

namespace cantora::lyrics {

// Capture callback: data = mark index, user = mark type (0 at Open, 2 or 3 on replay).
void LyricCapture(HSYNC handle, DWORD channel, DWORD data, void *user);
// Registers LyricCapture on the song's lyric marks with the given user value;
// the sync, for removing it again (0 when none was made).
HSYNC registerLyricCapture(HSTREAM stream, MarkSource source, DWORD user);

} // namespace cantora::lyrics

#pragma once
// The engine callbacks of the live lyric page. They run on the engine's
// notification thread, so they never touch the page or a widget: LyricSync
// reads the reached mark and the stream's tick position and hands them to
// the listener, EndSync releases the stream and tells the listener. The
// window's listener posts each report to the UI thread in arrival order.

#include <cstdint>
#include <functional>
#include <string>

#include "audio/bass.h"
#include "lyrics/lyricpage.h"

namespace cantora::lyrics {

// One reached mark, text already in UTF-8.
struct MarkReached {
    HSTREAM stream = 0;
    std::string text;
    std::int32_t tick = 0;
};

// Called on the engine thread for each mark reached.
using MarkListener = std::function<void(const MarkReached &)>;
// Called on the engine thread when a stream has ended (and been released).
using EndListener = std::function<void(HSTREAM)>;

// Installs the listeners (empty functions detach them). Safe from any thread.
void setLyricListeners(MarkListener onMark, EndListener onEnd);

// Mark callback: data = mark index, user = the mark type (2 or 3) as an integer.
void LyricSync(HSYNC handle, DWORD channel, DWORD data, void *user);
// End-of-stream callback: frees the stream, then reports the end.
void EndSync(HSYNC handle, DWORD channel, DWORD data, void *user);

// Registers LyricSync on the marks `source` names (nothing for None).
void registerLyricSync(HSTREAM stream, MarkSource source);
// Registers EndSync on the end of the stream.
void registerEndSync(HSTREAM stream);

} // namespace cantora::lyrics

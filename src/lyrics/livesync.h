#pragma once
// The engine callbacks of the live lyric page and the capture. They run on
// the engine's notification thread, so they never touch the page or a
// widget: LyricSync and LyricCapture read the reached mark and the stream's
// tick position and hand them to the listeners of THAT stream; EndSync
// releases the stream and tells its listeners. Each window (the live page,
// the capture, later windows with streams of their own) listens to its own
// stream; reports from a stream nobody listens to any more are dropped.

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

// What one listener of a stream wants to hear; empty functions hear nothing.
struct StreamListeners {
    MarkListener onMark;    // marks registered with LyricSync (the live page)
    MarkListener onCapture; // marks registered with LyricCapture (the timed lyric list)
    EndListener onEnd;      // the stream ended and was released
};

// Listens to one stream for as long as it lives; the destructor (or reset)
// stops listening, and returns only once no report of it is running, so a
// listener can be destroyed right after. Move-only. Safe from any thread
// except from inside one of its own reports.
class StreamSubscription {
public:
    StreamSubscription() = default;
    StreamSubscription(HSTREAM stream, StreamListeners listeners);
    StreamSubscription(StreamSubscription &&other) noexcept;
    StreamSubscription &operator=(StreamSubscription &&other) noexcept;
    StreamSubscription(const StreamSubscription &) = delete;
    StreamSubscription &operator=(const StreamSubscription &) = delete;
    ~StreamSubscription() { reset(); }

    // Stops listening.
    void reset();
    // The stream listened to; 0 when none.
    HSTREAM stream() const { return stream_; }

private:
    HSTREAM stream_ = 0;
    std::uint64_t id_ = 0;
};

// Mark callback: data = mark index, user = the mark type (2 or 3) as an integer.
void LyricSync(HSYNC handle, DWORD channel, DWORD data, void *user);
// End-of-stream callback: frees the stream, then reports the end.
void EndSync(HSYNC handle, DWORD channel, DWORD data, void *user);

// Reads mark `index` of `type` on `stream` as a report (text widened, tick position).
MarkReached readMark(HSTREAM stream, DWORD type, DWORD index);
// Hands a reached mark to the stream's page listeners (LyricSync's second half;
// tests call it with marks of their own).
void reportMark(const MarkReached &mark);
// Hands a reached mark to the stream's capture listeners.
void reportCapture(const MarkReached &mark);
// Tells the stream's listeners that it ended.
void reportEnd(HSTREAM stream);

// Registers LyricSync on the marks `source` names (nothing for None); the sync, 0 when none.
HSYNC registerLyricSync(HSTREAM stream, MarkSource source);
// Registers EndSync on the end of the stream.
void registerEndSync(HSTREAM stream);

} // namespace cantora::lyrics

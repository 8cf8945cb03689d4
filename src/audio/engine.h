#pragma once
// The engine's state as one object, and the helpers every entry point of
// bass.h is built on: error codes, handle look-up (withStream), the playing
// list, the mixer the output pulls, and the notifier.
//
// Entry points live in bass_device.cpp, bass_streams.cpp, bass_midi.cpp,
// bass_fonts.cpp and bass_effects.cpp, one per section of bass.h.
//
// Locking: `table` guards the handle tables and the output; it is never
// held while a stream's lock is taken or a callback runs (a stream's lock
// may be held while `table` is taken, never the other way round). A
// stream's own (recursive) lock guards everything inside it. So a sync
// callback may call back into the engine, for its own stream or another,
// without deadlocking.

#include "audio/bass.h"
#include "audio/fontregistry.h"
#include "audio/notifier.h"
#include "audio/output.h"
#include "audio/stream.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace cantora::audio {

// ---- the calling thread's last error (BASS_ErrorGetCode) ----
void setError(int code);
int lastError();

template <typename T>
T fail(int code, T value) {
    setError(code);
    return value;
}
inline BOOL fail(int code) { return fail<BOOL>(code, 0); }
template <typename T>
T ok(T value) {
    setError(BASS_OK);
    return value;
}

class Engine {
public:
    static Engine &instance();

    // The stream of a handle, or null.
    std::shared_ptr<Stream> find(DWORD handle);
    // Adds to or removes from the list the output mixes.
    void setPlaying(const std::shared_ptr<Stream> &s, bool on);
    // Marks a stream freed and drops it from the tables; the object lives
    // on while a render call or a callback still holds it.
    void release(const std::shared_ptr<Stream> &s);
    // The output's pull: mixes every playing stream into `out` and hands
    // the callbacks that fell in the block to the notifier, due at
    // blockStart (seconds on the notifier's clock) plus their offset.
    void mix(float *out, std::size_t frames, double blockStart);
    // Now, on the notifier's clock: the hand-driven output's, else the wall.
    double clockNow();
    // Hands callbacks a position change fired to the notifier, due now.
    void postNow(const std::shared_ptr<Stream> &s);

    std::mutex table;
    bool initialised = false;
    int device = 0;
    int rate = 44100;
    std::unique_ptr<AudioOutput> output;
    std::unique_ptr<AudioOutput> retiredOutput; // kept until the next init: a test may still hold it
    double latency = 0;
    std::map<DWORD, std::shared_ptr<Stream>> streams;
    std::map<DWORD, bool> probes; // float probe streams
    std::map<HFX, std::weak_ptr<Stream>> effects;
    std::vector<FontRecord> defaultFonts;
    DWORD nextHandle = 0x10000;
    std::atomic<DWORD> nextSync{1};
    OutputFactory factory;
    std::atomic<std::uint32_t> bassVersion{0}, fxVersion{0};

    Notifier notifier;

private:
    Engine() = default;

    // Streams the output mixes; the mixer copies the list under this lock.
    std::mutex playingMutex_;
    std::vector<std::shared_ptr<Stream>> playing_;
    // Touched only by the mixing thread.
    std::vector<std::shared_ptr<Stream>> mixList_;
    std::vector<float> mixBuffer_;
    std::vector<Notification> mixDeferred_;
};

// The look-up every stream call starts with: finds the stream of `handle`
// (failing with BASS_ERROR_HANDLE and `failValue` when there is none) and
// runs `body(stream)` with the stream's lock held.
template <typename R, typename Body>
R withStream(DWORD handle, R failValue, Body &&body) {
    const auto s = Engine::instance().find(handle);
    if (!s)
        return fail<R>(BASS_ERROR_HANDLE, failValue);
    std::lock_guard lock(s->mutex);
    return body(s);
}

// A path argument as UTF-8: UTF-16 (char16_t) with BASS_UNICODE, else as is.
std::string pathArg(const void *file, DWORD flags);

} // namespace cantora::audio

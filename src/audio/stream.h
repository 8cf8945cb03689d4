#pragma once
// One MIDI stream of the engine: the song's sequencer, its synth, its
// effects and sync points, and the end-of-song rule.
//
// Threading: every member is used with `mutex` held (recursive, so a sync
// callback may call back into the engine for its own stream). Mix-time
// syncs and, on decode streams, every sync run with the lock held, in the
// rendering thread; other syncs of a playing stream are handed out through
// `pending` and run later without any lock.

#include "audio/bass.h"
#include "audio/effects.h"
#include "audio/notifier.h"
#include "audio/sequencer.h"
#include "audio/synthvoice.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace cantora::audio {

struct MidiFile;

// A callback to run later, off the render thread.
struct DeferredSync {
    NotifyCall call;
    std::size_t frameOffset; // frames into the block where it fell
};

// `freed` (from NotifyTarget): set once when the stream is freed; it stops
// rendering and its pending callbacks, and may be read without the lock.
class Stream : public SequencerListener, public NotifyTarget {
public:
    enum class State { Stopped, Playing, Paused };

    Stream(HSTREAM handle, DWORD flags, double rate, const MidiFile &file, std::string path);

    bool isDecode() const { return flags & BASS_STREAM_DECODE; }

    // Renders up to `frames` float frames: events, effects, syncs and the
    // end of the song (at the last event, or after the sound has decayed
    // with BASS_MIDI_DECAYEND). Returns fewer frames only at the end.
    std::size_t renderFloat(float *out, std::size_t frames);

    // Seeks on the song's own clock and fires the position syncs.
    void seek(std::uint64_t frame);

    HSYNC addSync(HSYNC id, DWORD type, QWORD param, SYNCPROC proc, void *user);
    bool removeSync(HSYNC id);

    HFX addEffect(HFX id, DWORD type, int priority);
    Effect *effect(HFX id);
    bool removeEffect(HFX id);

    // SequencerListener: song events that carry sync points.
    void onTempoEvent(std::uint32_t usPerQuarter) override;
    void onMark(MarkKind kind, std::uint32_t index) override;

    std::recursive_mutex mutex;
    const HSTREAM handle;
    const DWORD flags;
    const double rate;
    const std::string path;
    Sequencer seq;
    SynthVoice voice;
    State state = State::Stopped;
    bool ended = false;
    std::vector<float> scratch;        // 16-bit decoding goes through float here
    std::vector<DeferredSync> pending; // filled while a playing stream renders

private:
    struct Sync {
        HSYNC id;
        DWORD type; // without the mix-time bit
        QWORD param;
        SYNCPROC proc;
        void *user;
        bool mixtime;
    };
    struct FxSlot {
        HFX id;
        int priority;
        std::unique_ptr<Effect> effect;
    };
    void fire(DWORD type, QWORD param, DWORD data);

    std::vector<Sync> syncs_;
    std::vector<FxSlot> effects_;
    std::uint64_t blockStart_ = 0;    // live-clock frame where the current render call began
    std::size_t blockDone_ = 0;       // frames already delivered by the current render call
    std::uint64_t quietFrames_ = 0;   // consecutive near-silent frames after the last event
    std::uint64_t pastEndFrames_ = 0; // frames rendered after the last event
};

} // namespace cantora::audio

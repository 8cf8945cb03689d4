#pragma once
// Plays a MIDI file into a SynthSink on a clock of rendered samples.
//
// All tracks are merged into one list ordered by tick; events on the same
// tick go in this order: note-offs (and note-ons of velocity 0), bank
// selects, program changes, other controllers, everything else (pitch bend,
// pressure, tempo, lyric and text), note-ons. Rendering is split at each
// event's sample, so an event sounds at the exact sample its tick maps to.
// A seek chases programs, banks, controllers, pitch bend and tempo, so what
// sounds after it is what plain playback gives there.
//
// Not thread-safe: the owning stream serialises every call. A listener may
// call setTempo, seek or abortRender from inside its callbacks.

#include "audio/synthsink.h"
#include "audio/tempomap.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cantora::audio {

struct MidiFile;

// A lyric (FF 05) or text (FF 01) event of the song.
struct SongMark {
    std::uint32_t track = 0; // 0-based track number in file order
    std::uint64_t tick = 0;
    std::uint64_t sample = 0; // output frame on the song's own clock
    std::string text;         // bytes as stored
};

enum class MarkKind { Lyric = 0, Text = 1 };

// Told about song events that carry sync points.
class SequencerListener {
public:
    virtual ~SequencerListener() = default;
    virtual void onTempoEvent(std::uint32_t usPerQuarter) = 0;
    virtual void onMark(MarkKind kind, std::uint32_t index) = 0;
};

class Sequencer {
public:
    Sequencer(const MidiFile &file, double rate);

    const TempoMap &tempoMap() const { return map_; }
    const std::vector<SongMark> &marks(MarkKind kind) const { return marks_[static_cast<int>(kind)]; }
    // Tick and sample (song clock) of the last event of the song.
    std::uint64_t lastTick() const { return lastTick_; }
    std::uint64_t lengthFrames() const { return lengthFrames_; }

    // Renders up to `frames` frames into `out`, dispatching due events first.
    // With stopAtLastEvent it stops at the last event's sample and returns
    // fewer frames; otherwise the sound goes on after the last event.
    std::size_t render(float *out, std::size_t frames, SynthSink &sink, SequencerListener *listener,
                       bool stopAtLastEvent);
    // Makes the render call in progress return after the current event.
    void abortRender() { abort_ = true; }
    bool pastLastEvent() const { return next_ >= events_.size(); }
    // Live-clock frame at which the last event was played.
    std::uint64_t lastEventFrame() const { return lastEventFrame_; }

    std::uint64_t renderedFrame() const { return frame_; } // live clock
    double tick() const;                                   // current tick
    // Current position on the song's own clock, in frames.
    std::uint64_t positionFrames() const;

    // Jumps to a frame of the song's own clock and chases the song state.
    void seekFrame(std::uint64_t frame, SynthSink &sink);

    // Sets the tempo in force until the song's next tempo event, clamped to
    // what a tempo event can hold (kMinTempo to kMaxTempo).
    void setTempo(std::uint32_t usPerQuarter);
    // The tempo in force at the position, from the moment the sequencer
    // exists and right after a seek: the song's, or the one set since.
    std::uint32_t tempo() const { return tempo_; }
    // The song's own tempo at the position, whatever setTempo said.
    std::uint32_t songTempo() const { return songTempo_; }
    static constexpr std::uint32_t kMinTempo = 1;
    static constexpr std::uint32_t kMaxTempo = 0xFFFFFF;

    // Semitones added to the notes of the channel that start from now on.
    // A sounding note keeps its pitch, and its note-off still ends it.
    void setTranspose(int channel, int semitones);
    int transpose(int channel) const { return transpose_[channel & 15]; }

    // A controller set from outside (volume, pan, reverb, chorus, or the
    // program as kProgram) holds its value: the song's later events of that
    // controller on that channel are kept track of but not played, and a
    // seek puts the held value back. Only these can be held; other numbers
    // are ignored.
    static constexpr int kProgram = 128;
    void holdController(int channel, int cc, int value);
    // Ends a hold and gives the channel the song's own value of the
    // controller at the position (its default when the song set none).
    void releaseController(int channel, int cc, SynthSink &sink);
    bool held(int channel, int cc) const;

private:
    enum class Kind : std::uint8_t { Channel, Tempo, Lyric, Text, End };
    struct Event {
        std::uint64_t tick;
        std::uint64_t sample; // on the song's own clock
        std::uint32_t value;  // tempo, or mark index
        Kind kind;
        std::uint8_t status, d1, d2;
    };

    std::uint64_t dueSample(const Event &e) const;
    void dispatch(const Event &e, SynthSink &sink, SequencerListener *listener);
    void sendChannel(std::uint8_t status, std::uint8_t d1, std::uint8_t d2, SynthSink &sink);

    TempoMap map_;
    std::vector<Event> events_;
    std::array<std::vector<SongMark>, 2> marks_;
    std::uint64_t lastTick_ = 0;
    std::uint64_t lengthFrames_ = 0;

    std::size_t next_ = 0;    // first event not yet dispatched
    std::uint64_t frame_ = 0; // samples rendered (position of the live clock)
    double anchorFrame_ = 0;  // the live clock: tick anchorTick_ fell at anchorFrame_
    double anchorTick_ = 0;
    std::uint32_t tempo_ = TempoMap::kDefaultTempo;
    std::uint32_t songTempo_ = TempoMap::kDefaultTempo;
    bool abort_ = false;
    std::uint64_t lastEventFrame_ = 0;

    std::array<int, 16> transpose_{};
    // Per channel, for volume, pan, reverb, chorus and program (heldSlot order):
    // the held value (-1 = follows the song) and the song's own last value
    // (-1 = none yet).
    std::array<std::array<int, 5>, 16> heldValue_;
    std::array<std::array<int, 5>, 16> songValue_;
    // Key actually sounding for each (channel, key as written), -1 = none.
    std::array<std::array<std::int8_t, 128>, 16> sounding_;
};

} // namespace cantora::audio

#pragma once
// A song's tempo map: ticks <-> seconds <-> output frames, built from the
// tempo events the song itself carries. Live tempo changes (the player's
// tempo slider) are not part of it: positions, lengths and mark positions
// are always measured on the song's own clock.

#include <cstdint>
#include <utility>
#include <vector>

namespace cantora::audio {

class TempoMap {
public:
    // Tempo before a song's first tempo event: 120 beats per minute.
    static constexpr std::uint32_t kDefaultTempo = 500000;

    // changes: (tick, microseconds per quarter note), any order; zero tempos
    // are ignored. division = ticks per quarter note (0 is read as 480).
    TempoMap(std::uint16_t division, std::vector<std::pair<std::uint64_t, std::uint32_t>> changes, double rate);

    double tickToFrame(double tick) const;  // fractional output frame of a tick
    double frameToTick(double frame) const; // inverse of tickToFrame
    double tickToSeconds(double tick) const { return tickToFrame(tick) / rate_; }
    double secondsToTick(double s) const { return frameToTick(s * rate_); }
    std::uint32_t tempoAt(double tick) const; // tempo in force at a tick

    std::uint16_t division() const { return division_; }
    double rate() const { return rate_; }
    // Frames per tick at a given tempo.
    double framesPerTick(std::uint32_t usPerQuarter) const;

    // Frame reached from startFrame after dTicks at a tempo. The one formula
    // the map and the live sequencer clock share, so that both give the very
    // same numbers when nothing changes the tempo.
    double advance(double startFrame, double dTicks, std::uint32_t usPerQuarter) const;

    // The sample at which something at a fractional frame is heard.
    static std::uint64_t sampleOf(double frame);

private:
    struct Segment {
        double tick;
        double frame;
        std::uint32_t tempo;
    };
    const Segment &segmentForTick(double tick) const;
    const Segment &segmentForFrame(double frame) const;

    std::uint16_t division_;
    double rate_;
    std::vector<Segment> segments_; // first one starts at tick 0
};

} // namespace cantora::audio

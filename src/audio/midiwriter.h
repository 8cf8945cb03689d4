#pragma once
// Builds Standard MIDI Files in memory: the demo song generator and the
// tests use it to make songs with exactly the events a case needs.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cantora::audio {

class MidiWriter {
public:
    // division = ticks per quarter note; format 0 or 1.
    explicit MidiWriter(std::uint16_t division = 480, std::uint16_t format = 1);

    // Adds an empty track and returns its index.
    int addTrack();

    // Events at absolute ticks; a track's events may be added in any order
    // (they are sorted stably by tick when the file is built, so same-tick
    // events keep the order they were added in). `track` must come from
    // addTrack(); data values are clamped to their 7-bit (or 14-bit) range.
    void noteOn(int track, std::uint64_t tick, int channel, int key, int velocity);
    void noteOff(int track, std::uint64_t tick, int channel, int key);
    void program(int track, std::uint64_t tick, int channel, int program);
    void controller(int track, std::uint64_t tick, int channel, int cc, int value);
    void pitchBend(int track, std::uint64_t tick, int channel, int value14);
    void channelPressure(int track, std::uint64_t tick, int channel, int value);
    void keyPressure(int track, std::uint64_t tick, int channel, int key, int value);
    void tempo(int track, std::uint64_t tick, std::uint32_t usPerQuarter);
    // Any meta event: 0x01 text, 0x03 track name, 0x05 lyric, ... An
    // end-of-track event (0x2F) only sets the tick the track ends at.
    void meta(int track, std::uint64_t tick, std::uint8_t type, std::string_view data);
    void text(int track, std::uint64_t tick, std::string_view t) { meta(track, tick, 0x01, t); }
    void lyric(int track, std::uint64_t tick, std::string_view t) { meta(track, tick, 0x05, t); }
    void sysex(int track, std::uint64_t tick, std::string_view bodyAfterF0);

    // The whole file. With runningStatus, repeated channel statuses are
    // omitted (also across meta and SysEx events, as some writers do).
    // End-of-track events are added.
    std::string bytes(bool runningStatus = false) const;

private:
    struct Ev {
        std::uint64_t tick;
        std::vector<std::uint8_t> raw; // status + data (meta/sysex with length)
    };
    std::uint16_t division_;
    std::uint16_t format_;
    std::vector<std::vector<Ev>> tracks_;
};

} // namespace cantora::audio

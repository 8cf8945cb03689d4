#pragma once
// The sixteen channel records of the mixer: what the song file starts each
// channel with and what the user changed since.

#include <array>
#include <cstdint>

namespace cantora::player {

// One MIDI channel, nine 16-bit fields.
struct ChannelRecord {
    std::int16_t programChanged = 0; // the user picked an instrument
    std::int16_t volumeChanged = 0;  // the user moved the volume slider
    std::int16_t program = 0;        // current program 0-127
    std::int16_t state = -1;         // -1: no note-on in the file, else channel + 1
    std::int16_t volume = 0;         // starting volume (controller 7)
    std::int16_t pan = 64;           // starting pan (controller 10)
    std::int16_t panState = 0;       // 2 once the strip was filled from the file
    std::int16_t reverb = 0;         // starting reverb send (controller 91)
    std::int16_t chorus = 0;         // starting chorus send (controller 93)
};

using ChannelRecords = std::array<ChannelRecord, 16>;

// ZeroVariables on the records: the reset values; reverb and chorus are kept.
void resetChannelRecords(ChannelRecords &records);

} // namespace cantora::player

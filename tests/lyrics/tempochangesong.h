#pragma once
// A karaoke song whose tempo changes halfway through the lyrics, for the
// tests that time syllables through the first tempo or the whole tempo map.

#include "audio/midiwriter.h"

#include <cstdint>
#include <string>
#include <utility>

namespace lyricstest {

// 120 bpm, division 480; the tempo halves (250000 us) at tick 4800 (5 s).
// Title "Tempo test", artist "Nobody", three lines of two syllables.
inline std::string songWithTempoChange() {
    cantora::audio::MidiWriter w(480);
    const int t = w.addTrack();
    w.tempo(t, 0, 500000);
    w.tempo(t, 4800, 250000);
    w.text(t, 0, "@TTempo test");
    w.text(t, 0, "@TNobody");
    const std::pair<std::uint64_t, const char *> lyrics[] = {{0, "\\One "},    {960, "two"},     {9600, "/Three"},
                                                             {10560, " four"}, {12000, "/Five"}, {12480, "six"}};
    for (const auto &[tick, text] : lyrics)
        w.lyric(t, tick, text);
    w.noteOn(t, 0, 0, 60, 90);
    w.noteOff(t, 14400, 0, 60);
    return w.bytes();
}

} // namespace lyricstest

// MIDI file builder: values out of range clamped and SysEx written whole, with
// and without running status. (The committed demo song holds the builder's
// exact bytes; the sequencer tests read back its notes, programs and bends.)
#include "audio/midifile.h"
#include "audio/midiwriter.h"

#include <gtest/gtest.h>

using namespace cantora::audio;

TEST(MidiWriter, ValuesOutOfRangeAreClampedAndSysexIsWrittenWhole) {
    MidiWriter w(96, 0);
    const int t = w.addTrack();
    const std::string sysex("\x7E\x7F\x09\x01\xF7", 5);
    w.tempo(t, 0, 0x1234567);      // beyond 24 bits
    w.controller(t, 0, 3, 7, 200); // beyond 7 bits
    w.sysex(t, 20, sysex);
    for (bool running : {false, true}) {
        const auto r = readMidi(w.bytes(running));
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(std::tuple(r.file.format, r.file.division), std::tuple(0, 96));
        const auto &e = r.file.tracks.at(0).events;
        ASSERT_EQ(e.size(), 4u);
        EXPECT_EQ(e[0].data, "\xFF\xFF\xFF");
        EXPECT_EQ(std::tuple(e[1].status, e[1].data1, e[1].data2), std::tuple(0xB3, 7, 127));
        EXPECT_EQ(std::tuple(e[2].tick, e[2].data), std::tuple(20u, sysex));
    }
}

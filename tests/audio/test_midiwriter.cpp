// MIDI file builder: what the reader gets back, values out of range clamped.
// (The committed demo song holds the builder's exact bytes.)
#include "audio/midifile.h"
#include "audio/midiwriter.h"

#include <gtest/gtest.h>

using namespace cantora::audio;

TEST(MidiWriter, ReaderGetsBackEveryEvent) {
    MidiWriter w(480, 1);
    const int conductor = w.addTrack();
    const int music = w.addTrack();
    w.tempo(conductor, 0, 500000);
    w.tempo(conductor, 100000, 0x1234567); // beyond 24 bits: clamped
    w.program(music, 0, 9, 73);
    w.controller(music, 0, 3, 7, 200); // value clamped to 127
    w.pitchBend(music, 10, 3, 0x2001);
    w.sysex(music, 20, std::string("\x7E\x7F\x09\x01\xF7", 5));
    w.noteOn(music, 300000, 15, 127, 1); // three-byte delta time

    for (bool running : {false, true}) {
        const auto r = readMidi(w.bytes(running));
        ASSERT_TRUE(r.ok());
        EXPECT_FALSE(r.file.truncated);
        EXPECT_EQ(r.file.division, 480);
        ASSERT_EQ(r.file.tracks.size(), 2u);
        const auto &c = r.file.tracks[0].events;
        ASSERT_EQ(c.size(), 3u);
        EXPECT_EQ(c[0].data, std::string("\x07\xA1\x20", 3));
        EXPECT_EQ(c[1].tick, 100000u);
        EXPECT_EQ(c[1].data, "\xFF\xFF\xFF");
        const auto &m = r.file.tracks[1].events;
        ASSERT_EQ(m.size(), 6u);
        EXPECT_EQ(std::tuple(m[0].status, m[0].data1, m[1].data2, m[2].status), std::tuple(0xC9, 73, 127, 0xE3));
        EXPECT_EQ(m[2].data1 | (m[2].data2 << 7), 0x2001);
        EXPECT_EQ(m[3].data, std::string("\x7E\x7F\x09\x01\xF7", 5));
        EXPECT_EQ(std::tuple(m[4].tick, m[4].status, m[5].tick, m[5].metaType),
                  std::tuple(300000u, 0x9F, 300000u, 0x2F));
    }
}

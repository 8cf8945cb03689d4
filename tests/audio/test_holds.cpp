// Controllers set from outside hold against the song's own, through its
// later events and a seek's chase, until they are released.

#include "audio/bass.h"
#include "audiotest.h"

#include <gtest/gtest.h>

using namespace cantora::audiotest;
using cantora::audio::MidiWriter;

namespace {

class Holds : public EngineWithFont {};

// Two organ notes, channel 0 (A4) and channel 1 (E5), four seconds at
// 120 bpm; the song sets both channels' volume, pan and reverb again at 1 s.
std::string twoChannels() {
    MidiWriter w(480);
    const int t = w.addTrack();
    for (int ch : {0, 1}) {
        dry(w, t, ch);
        w.controller(t, 0, ch, 7, 100);
        w.program(t, 0, ch, 19);
        w.controller(t, 960, ch, 7, 120);
        w.controller(t, 960, ch, 10, 0);
        w.controller(t, 960, ch, 91, 90);
    }
    w.noteOn(t, 0, 0, 69, 110);
    w.noteOn(t, 0, 1, 76, 110);
    w.noteOff(t, 3840, 0, 69);
    w.noteOff(t, 3840, 1, 76);
    return w.bytes();
}

} // namespace

TEST_F(Holds, GIVEN_controllers_set_by_the_user_WHEN_the_song_changes_them_or_a_seek_chases_THEN_the_users_stand) {
    const std::string song = twoChannels();
    const HSTREAM h = decodeStream(song);
    const auto before = decodeFloat(h, frames(0.5));
    for (auto [ch, event, value] : {std::tuple{0, MIDI_EVENT_VOLUME, 0},
                                    {0, MIDI_EVENT_PAN, 127},
                                    {0, MIDI_EVENT_REVERB, 5},
                                    {0, MIDI_EVENT_CHORUS, 7},
                                    {1, MIDI_EVENT_PROGRAM, 5}})
        ASSERT_TRUE(BASS_MIDI_StreamEvent(h, DWORD(ch), event, DWORD(value)));
    const auto rest = decodeFloat(h, frames(1.0)); // the song's changes fall at 0.5 s into this
    // (The other tone's leakage keeps the bin from reading true silence.)
    EXPECT_LT(power(rest, 440, frames(0.6), frames(1.0)), power(before, 440, frames(0.1), frames(0.5)) / 1000)
        << "the song's volume undid the silence";
    // Channel 0 as the user set it, channel 1 following its song but for the program.
    const auto events = [&] {
        std::vector<DWORD> v;
        for (DWORD ch : {0, 1})
            for (DWORD e :
                 {MIDI_EVENT_VOLUME, MIDI_EVENT_PAN, MIDI_EVENT_REVERB, MIDI_EVENT_CHORUS, MIDI_EVENT_PROGRAM})
                v.push_back(BASS_MIDI_StreamGetEvent(h, ch, e));
        return v;
    };
    EXPECT_EQ(events(), (std::vector<DWORD>{0, 127, 5, 7, 19, 120, 0, 90, 0, 5}));

    // Released, a controller takes the song's value at the position and is heard again.
    ASSERT_TRUE(cantora::audio::releaseController(h, 0, MIDI_EVENT_VOLUME));
    ASSERT_TRUE(cantora::audio::releaseController(h, 1, MIDI_EVENT_PROGRAM));
    const std::vector<DWORD> held{120, 127, 5, 7, 19, 120, 0, 90, 0, 19};
    EXPECT_EQ(events(), held);
    const auto back = decodeFloat(h, frames(0.5)); // hard right: the right channel
    EXPECT_GT(power({back.begin() + 1, back.end()}, 440, frames(0.1), frames(0.5)),
              power(before, 440, frames(0.1), frames(0.5)) / 10);
    // The others hold through a seek's chase.
    ASSERT_TRUE(BASS_ChannelSetPosition(h, BASS_ChannelSeconds2Bytes(h, 1.5), BASS_POS_BYTE));
    EXPECT_EQ(events(), held);
    EXPECT_FALSE(cantora::audio::releaseController(h, 0, MIDI_EVENT_TEMPO));
    EXPECT_FALSE(cantora::audio::releaseController(h, 16, MIDI_EVENT_VOLUME));
    BASS_StreamFree(h);
}

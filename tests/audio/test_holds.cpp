// Controllers set from outside hold against the song's own: measured on
// the sound of songs whose later events try to undo them.

#include "audio/bass.h"
#include "audiotest.h"

#include <gtest/gtest.h>

using namespace cantora::audiotest;
using cantora::audio::MidiWriter;

namespace {

class Holds : public EngineWithFont {};

// Two organ notes, channel 0 (A4) and channel 1 (E5), four seconds at
// 120 bpm; the song sets channel 0's volume, pan and sends again at 1 s.
std::string twoChannels() {
    MidiWriter w(480);
    const int t = w.addTrack();
    for (int ch : {0, 1}) {
        dry(w, t, ch);
        w.controller(t, 0, ch, 7, 100);
        w.program(t, 0, ch, 19);
    }
    w.noteOn(t, 0, 0, 69, 110);
    w.noteOn(t, 0, 1, 76, 110);
    for (int ch : {0, 1}) {
        w.controller(t, 960, ch, 7, 120);
        w.controller(t, 960, ch, 10, 0);
        w.controller(t, 960, ch, 91, 90);
    }
    w.noteOff(t, 3840, 0, 69);
    w.noteOff(t, 3840, 1, 76);
    return w.bytes();
}

double powerDb(const std::vector<float> &x, double hz, double from, double to) {
    return 10 * std::log10(power(x, hz, frames(from), frames(to)) + 1e-12);
}

} // namespace

TEST_F(Holds, GIVEN_a_channel_silenced_by_volume_0_WHEN_the_song_sends_its_volume_again_THEN_it_stays_silent) {
    const std::string song = twoChannels();
    const HSTREAM h = decodeStream(song);
    const auto before = decodeFloat(h, frames(0.5));
    ASSERT_TRUE(BASS_MIDI_StreamEvent(h, 0, MIDI_EVENT_VOLUME, 0));
    const auto rest = decodeFloat(h, frames(3.0)); // the song's CC 7 falls at 0.5 s into this
    // (The other tone's leakage keeps the bin from reading true silence.)
    EXPECT_LT(powerDb(rest, 440, 1.0, 2.5), powerDb(before, 440, 0.1, 0.5) - 30)
        << "the song's volume undid the silence";
    EXPECT_GT(powerDb(rest, 659.3, 1.0, 1.4), powerDb(before, 659.3, 0.0, 0.4))
        << "the untouched channel followed its song's louder volume";
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_VOLUME), 0u);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 1, MIDI_EVENT_VOLUME), 120u);
    BASS_StreamFree(h);
}

TEST_F(Holds, GIVEN_a_held_volume_WHEN_released_THEN_the_channel_takes_the_songs_value_at_the_position) {
    const std::string song = twoChannels();
    const HSTREAM h = decodeStream(song);
    BASS_MIDI_StreamEvent(h, 0, MIDI_EVENT_VOLUME, 0);
    decodeFloat(h, frames(1.5));
    ASSERT_TRUE(cantora::audio::releaseController(h, 0, MIDI_EVENT_VOLUME));
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_VOLUME), 120u);
    const auto back = decodeFloat(h, frames(1.0));
    EXPECT_GT(rmsDb(back, frames(0.3)), -40);
    // A held program gives way to the song's own; other events cannot be released.
    BASS_MIDI_StreamEvent(h, 1, MIDI_EVENT_PROGRAM, 5);
    ASSERT_TRUE(cantora::audio::releaseController(h, 1, MIDI_EVENT_PROGRAM));
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 1, MIDI_EVENT_PROGRAM), 19u);
    EXPECT_FALSE(cantora::audio::releaseController(h, 0, MIDI_EVENT_TEMPO));
    EXPECT_FALSE(cantora::audio::releaseController(h, 16, MIDI_EVENT_VOLUME));
    BASS_StreamFree(h);
}

TEST_F(Holds, GIVEN_pan_and_reverb_set_by_the_user_WHEN_the_song_changes_them_and_a_seek_chases_THEN_the_users_stand) {
    const std::string song = twoChannels();
    const HSTREAM h = decodeStream(song);
    BASS_MIDI_StreamEvent(h, 0, MIDI_EVENT_PAN, 127); // hard right
    BASS_MIDI_StreamEvent(h, 0, MIDI_EVENT_REVERB, 5);
    BASS_MIDI_StreamEvent(h, 0, MIDI_EVENT_CHORUS, 7);
    const auto heard = decodeFloat(h, frames(2.0));
    // Channel 0 stays hard right past the song's hard left at 1 s.
    const std::vector<float> right(heard.begin() + 1, heard.end());
    EXPECT_LT(powerDb(heard, 440, 1.2, 1.9), powerDb(right, 440, 1.2, 1.9) - 10);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_PAN), 127u);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_REVERB), 5u);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 1, MIDI_EVENT_PAN), 0u); // untouched: the song's
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 1, MIDI_EVENT_REVERB), 90u);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, BASS_ChannelSeconds2Bytes(h, 1.5), BASS_POS_BYTE));
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_PAN), 127u);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_REVERB), 5u);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_CHORUS), 7u);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 1, MIDI_EVENT_PAN), 0u);
    BASS_StreamFree(h);

    // A new stream of the same song follows the song again.
    const HSTREAM fresh = decodeStream(song);
    decodeFloat(fresh, frames(2.0));
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(fresh, 0, MIDI_EVENT_PAN), 0u);
    BASS_StreamFree(fresh);
}

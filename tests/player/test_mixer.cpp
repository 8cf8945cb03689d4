// The mixer's plain logic: the instrument names, ReadFile's channel scan,
// what the tempo slider means and the strips' rules.
#include "player/channelscan.h"
#include "player/gmnames.h"
#include "player/mixer.h"
#include "player/mixercontrols.h"
#include "player/song.h"

#include "audio/midifile.h"
#include "audio/midiwriter.h"

#include <gtest/gtest.h>

using namespace cantora;
using namespace cantora::player;

TEST(InstrumentNames, EveryProgramHasAName) {
    EXPECT_EQ(GetPatch(-1), "");
    for (int p = 0; p < 128; ++p)
        EXPECT_NE(GetPatch(p), GetPatch(p + 1)) << p;
    std::string current = "Flute";
    descrizionestrumenti(129, current);
    EXPECT_EQ(current, "Flute") << "a program the table does not know leaves the name shown";
    descrizionestrumenti(128, current);
    EXPECT_EQ(current, "Percussion");
}

namespace {
ChannelRecords scan(const std::string &bytes) {
    ChannelRecords records{};
    resetChannelRecords(records);
    const auto r = audio::readMidi(bytes);
    EXPECT_TRUE(r.ok());
    scanChannels(r.file, records);
    return records;
}
} // namespace

TEST(ChannelScan, GIVEN_a_song_WHEN_scanned_THEN_each_channel_gets_its_first_values_and_silent_ones_are_marked) {
    audio::MidiWriter w(480, 1);
    const int a = w.addTrack(), b = w.addTrack();
    w.program(a, 0, 2, 0); // program 0 does not count ...
    w.controller(a, 0, 2, 7, 90);
    w.controller(a, 0, 2, 10, 30);
    w.controller(a, 0, 2, 91, 11);
    w.controller(a, 0, 2, 93, 22);
    w.noteOn(a, 10, 2, 60, 100);
    w.program(a, 20, 2, 40);       // ... the first non-zero one does
    w.controller(a, 20, 2, 7, 50); // only the first volume counts
    w.program(a, 30, 2, 41);
    w.noteOff(a, 480, 2, 60);
    w.controller(b, 0, 4, 7, 77); // channel 5: controllers but no note
    w.noteOn(b, 0, 9, 36, 100);   // drums without a program change
    w.noteOff(b, 100, 9, 36);
    const ChannelRecords r = scan(w.bytes());
    const auto fields = [](const ChannelRecord &c) {
        return std::tuple(c.state, c.program, c.volume, c.pan, c.reverb, c.chorus, c.panState);
    };
    EXPECT_EQ(fields(r[2]), std::tuple(3, 40, 90, 30, 11, 22, 2));
    EXPECT_EQ(fields(r[4]), std::tuple(-1, 0, 0, 64, 0, 0, 0)) << "a channel without notes is silent in the file";
    // Drums without a program change; a pan the file never sends keeps its reset value.
    EXPECT_EQ(fields(r[9]), std::tuple(10, 0, 0, 64, 0, 0, 2));
    // The next song's scan starts from silence but keeps the reverb and chorus.
    ChannelRecords next = r;
    resetChannelRecords(next);
    EXPECT_EQ(fields(next[2]), std::tuple(-1, 0, 0, 64, 11, 22, 0));
}

TEST(MixerControls, TheTempoSliderMeansWhatTheWindowShows) {
    // Tempo slider: factor, tip, and the beats shown for a song at 120 bpm.
    for (auto [slider, factor, tip, bpm] : {std::tuple{10, 1.0f, "0%", "120.0"},
                                            {0, 2.0f / 3.0f, "50%", "180.0"},
                                            {20, 2.0f, "-50%", "60.0"},
                                            {12, 20.0f / 18.0f, "-10%", "108.0"}}) {
        EXPECT_FLOAT_EQ(tempoFactorOf(slider), factor);
        EXPECT_EQ(tempoTip(slider), tip);
        EXPECT_EQ(bpmText(500000, tempoFactorOf(slider)), bpm);
    }
}

TEST(MixerRules, MuteGivesBackTheFilesVolumeAndAnUntouchedFaderFollowsTheSongAgain) {
    LiveSettings live;
    ChannelRecords records{};
    records[2].volume = 90;
    Mixer m(live, records);
    EXPECT_EQ(m.muteClicked(2, false), 127);
    EXPECT_FALSE(live.audible(2));
    EXPECT_EQ(m.muteClicked(2, true), 127 - 90);
    EXPECT_TRUE(live.audible(2));
    EXPECT_FALSE(live.channels[2].volume) << "an untouched fader follows the song";
    m.volumeMoved(2, 7);
    EXPECT_EQ(live.channels[2].volume, 120);
    m.muteClicked(2, false);
    m.muteClicked(2, true);
    EXPECT_EQ(live.channels[2].volume, 90) << "the file's volume, not the last fader position";
}

TEST(MixerRules, SoloAndItsSecondClickTheListsTwoClicksAndClear) {
    LiveSettings live;
    ChannelRecords records{};
    Mixer m(live, records);
    EXPECT_TRUE(m.soloClicked(3));
    for (int c = 0; c < 16; ++c)
        EXPECT_EQ(live.audible(c), c == 3) << c;
    EXPECT_EQ(m.soloChannel(), 3);
    EXPECT_FALSE(m.soloClicked(7)); // any second click ends the solo
    EXPECT_EQ(m.soloChannel(), 7);
    for (int c = 0; c < 16; ++c)
        EXPECT_TRUE(live.audible(c)) << c;

    m.instrumentListOpened();
    EXPECT_FALSE(m.instrumentClicked(1, 40)); // the automatic selection
    EXPECT_TRUE(m.instrumentClicked(1, 41));  // the user's click closes the list
    EXPECT_EQ(live.channels[1].program, 41);
    EXPECT_EQ(m.currentInstrument(), "Viola");
    EXPECT_EQ(records[1].programChanged, 1);
    EXPECT_FALSE(m.instrumentClicked(LiveSettings::kDrumChannel, 5));
    EXPECT_FALSE(live.channels[9].program);

    m.keyMoved(-2);
    m.channelKeyMoved(3, 1);
    m.channelKeyMoved(9, -5);
    EXPECT_EQ(live.channels[9].key, 0);
    // Moving the global key overrides the channel keys in the player until a
    // channel's own slider moves again; a render always adds both.
    m.channelKeyMoved(4, -3);
    m.keyMoved(1);
    EXPECT_EQ(live.transposeOf(3), -1);
    EXPECT_EQ(live.transposeOf(4), -1);
    EXPECT_EQ(m.renderSettings().transposeOf(3), -2);
    EXPECT_EQ(m.renderSettings().transposeOf(4), 2);
    m.channelKeyMoved(4, -3);
    EXPECT_EQ(live.transposeOf(4), 2);
    EXPECT_EQ(live.transposeOf(3), -1);
    m.keyMoved(-2);
    m.tempoMoved(0);
    m.eqMoved(6, -4);
    m.eqMoved(7, 3); // no such band
    EXPECT_FLOAT_EQ(live.eqGains[6], 4);
    m.compressor(true, 15);
    EXPECT_FLOAT_EQ(live.compressorGain, 15);
    m.panMoved(2, 10);
    m.reverbMoved(2, 20);
    m.chorusMoved(2, 30);
    EXPECT_EQ(std::tuple(live.channels[2].pan, live.channels[2].reverb, live.channels[2].chorus),
              std::tuple(10, 20, 30));
    m.soloClicked(2);
    m.clear();
    EXPECT_FLOAT_EQ(live.tempoFactor, 1);
    EXPECT_EQ(live.channels[3].key, 0);
    EXPECT_EQ(live.key, 2) << "the key slider is the window's, set to 0 at Open";
    EXPECT_FALSE(live.compressor);
    EXPECT_FLOAT_EQ(live.compressorGain, 2);
    EXPECT_FALSE(m.soloOn());
    EXPECT_TRUE(live.audible(5));
}

TEST(MixerRules, ARenderPlaysTheDrumKitOnlyOnceTheDrumButtonKeptItUntilClear) {
    LiveSettings live;
    ChannelRecords records{};
    Mixer m(live, records);
    live.drumKit = 25; // clicked in the kit list: the player hears it at once
    live.channels[0].program = 7;
    EXPECT_FALSE(m.renderSettings().drumKit);
    EXPECT_EQ(m.renderSettings().channels[0].program, 7);
    m.drumButtonClicked();
    EXPECT_EQ(m.renderSettings().drumKit, 25);
    m.clear();
    EXPECT_FALSE(m.renderSettings().drumKit);
}

// The transport driven as the window drives it, without a window: a
// recording listener stands in for the widgets, the output is pumped by hand.
#include "player/transport.h"

#include "audio/audiotest.h"
#include "audio/sf2builder.h"
#include "lyrics/livesync.h"

using namespace cantora;
using namespace cantora::player;

namespace {

// What the window would show, recorded.
struct Screen : TransportListener {
    TransportControls controls;
    SongInfo song;
    std::vector<std::string> errors, missing;
    std::vector<int> pauses;
    std::vector<std::function<void()>> held;
    bool hold = false;
    int workFilesDeleted = 0, scans = 0;
    std::vector<HSTREAM> ends;

    void controlsChanged(const TransportControls &c) override { controls = c; }
    void songChanged(const SongInfo &s) override { song = s; }
    void lyricsCleared() override {}
    void engineFailed(const std::string &m, int code) override { errors.push_back(m + " " + std::to_string(code)); }
    void liveChanged(const LiveSettings &) override {}
    void soundFontMissing(const std::string &path) override { missing.push_back(path); }
    void reloadSettings() override {}
    void deleteWorkFiles() override { ++workFilesDeleted; }
    void after(int ms, std::function<void()> then) override {
        pauses.push_back(ms);
        hold ? held.push_back(std::move(then)) : then();
    }
    void markReached(const lyrics::MarkReached &) override {}
    void channelsScanned(const ChannelRecords &) override { ++scans; }
    void streamEnded(HSTREAM s) override { ends.push_back(s); }
    // The enabled commands Open, Play, Pause and Stop as four digits.
    std::string line() const {
        return std::string{char('0' + controls.open), char('0' + controls.play), char('0' + controls.pause),
                           char('0' + controls.stop)};
    }
};

class TransportTest : public audiotest::SilentEngine {
protected:
    // The engine on an output that plays only when the test pumps it.
    void SetUp() override {
        SilentEngine::SetUp();
        BASS_Free();
        audiotest::initPumped(out);
        transport.setDefaultFont(CANTORA_TEST_SF2);
    }
    void TearDown() override {
        transport.stop();
        SilentEngine::TearDown();
    }
    // Channel 0 plays program 10, channel 1 program 40; `seconds` long at 120 bpm.
    std::string song(const std::string &name, int seconds = 4) {
        audio::MidiWriter w(480, 1);
        int t = w.addTrack();
        w.tempo(t, 0, 500000);
        w.program(t, 0, 0, 10);
        w.program(t, 0, 1, 40);
        w.noteOn(t, 0, 0, 60, 90);
        w.noteOff(t, 960ull * seconds, 0, 60);
        return write(name, w.bytes());
    }
    bool open(const std::string &path) { return transport.beginOpen() && transport.open(path); }
    DWORD event(int channel, DWORD kind) {
        return BASS_MIDI_StreamGetEvent(transport.song().handle, static_cast<DWORD>(channel), kind);
    }
    // The enabled commands and what the song stream does.
    std::string state() {
        const DWORD a = transport.activity();
        return screen.line() + (a == BASS_ACTIVE_PLAYING  ? " playing"
                                : a == BASS_ACTIVE_PAUSED ? " paused"
                                                          : " stopped");
    }

    Screen screen;
    Transport transport{screen};
    audio::PumpedOutput *out = nullptr;
};

bool alive(HSTREAM h) { return BASS_ChannelGetLength(h, BASS_POS_BYTE) != static_cast<QWORD>(-1); }

} // namespace

// The enabled commands after Open, Play, Pause and Stop are the window tests';
// here the stream and what a resume, a replay and a late settling pause do.
TEST_F(TransportTest, GIVEN_a_song_WHEN_paused_resumed_stopped_and_replayed_THEN_the_stream_follows_each_step) {
    ASSERT_TRUE(open(song("twinkle.kar", 187)));
    EXPECT_EQ(screen.workFilesDeleted, 1);
    transport.play();
    transport.pause();
    EXPECT_EQ(state(), "0111 paused");
    transport.play();
    EXPECT_EQ(state(), "0111 playing"); // a resume leaves the buttons as they were
    const HSTREAM first = transport.song().handle;
    transport.stop();
    EXPECT_FALSE(alive(first));

    // Replay: rebuilt and playing at once; Pause comes after the settling pause.
    screen.hold = true;
    screen.pauses.clear();
    transport.play();
    EXPECT_EQ(screen.pauses, std::vector<int>{2000});
    EXPECT_NE(transport.song().handle, first);
    EXPECT_EQ(state(), "0001 playing");
    EXPECT_TRUE(transport.settling());
    screen.held.at(0)();
    EXPECT_EQ(state(), "0011 playing");
    EXPECT_EQ(screen.song.seconds, 187);
    // Stopped while settling: the late pause changes nothing.
    transport.stop();
    transport.play();
    transport.stop();
    screen.held.back()();
    EXPECT_EQ(state(), "1100 stopped");
    EXPECT_FALSE(transport.settling());
}

TEST_F(TransportTest, GIVEN_songs_opened_in_turn_WHEN_a_broken_file_follows_THEN_nothing_of_them_remains) {
    const std::string path =
        song("Perch\u00e9 \u65e5\u672c \U0001F3A4.mid", 125); // two-, three- and four-byte characters
    std::vector<HSTREAM> streams;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(open(path));
        streams.push_back(transport.song().handle);
    }
    EXPECT_FALSE(alive(streams[0]) || alive(streams[1])) << "an open left its stream";
    EXPECT_TRUE(alive(streams[2]));
    EXPECT_FALSE(open(write("bad.mid", "MThd and then nothing")));
    EXPECT_EQ(screen.errors.size(), 1u);
    EXPECT_EQ(std::tie(screen.song.openCaption, screen.song.seconds), std::tuple(Transport::kCannotOpenCaption, 0));
    EXPECT_EQ(screen.line(), "1000");
    EXPECT_FALSE(screen.controls.lrcCreator);
    EXPECT_FALSE(alive(streams[2]));
}

TEST_F(TransportTest, GIVEN_a_playing_song_WHEN_it_ends_THEN_commands_are_as_after_stop_and_late_ends_are_ignored) {
    ASSERT_TRUE(open(song("a.kar")));
    transport.play();
    const HSTREAM h = transport.song().handle;
    out->pumpSeconds(10); // the song and its decay
    ASSERT_EQ(screen.ends, std::vector<HSTREAM>{h});
    transport.songEnded(h);
    EXPECT_EQ(screen.line(), "1100");
    EXPECT_TRUE(transport.flags().rebuildOnPlay);
    transport.play(); // the replay's rebuilt stream reports its own end
    out->pumpSeconds(6);
    EXPECT_EQ(screen.ends.back(), transport.song().handle);
    // The end of a stream that has since been replaced changes nothing.
    ASSERT_TRUE(open(song("b.kar")));
    transport.play();
    transport.songEnded(h);
    EXPECT_EQ(screen.line(), "0011");
}

TEST_F(TransportTest, GIVEN_a_drum_kit_effects_and_keys_chosen_WHEN_replayed_THEN_they_come_back) {
    transport.setDefaultFont(
        write("kits.sf2", testsupport::buildSf2("Kits", {{128, 0, "Standard"}, {128, 25, "TR-808"}})));
    transport.fontGeneral();
    ASSERT_TRUE(open(song("a.mid")));
    transport.play();
    transport.chooseDrumKit(LiveSettings::kDrumChannel, 1); // the second kit listed: preset 25
    EXPECT_EQ(event(9, MIDI_EVENT_PROGRAM), 25u);
    // The tempo slider moved and back at 100 %: the song's own tempo again.
    for (float factor : {2.0f, 1.0f, 2.0f}) {
        transport.live().tempoFactor = factor;
        transport.applyLive();
        EXPECT_EQ(event(0, MIDI_EVENT_TEMPO), DWORD(500000 * factor));
    }
    transport.live().equalizer = transport.live().compressor = true;
    transport.live().compressorGain = 6;
    transport.live().key = 3;
    transport.applyLive();
    transport.stop();
    transport.play();
    EXPECT_EQ(event(9, MIDI_EVENT_PROGRAM), 25u);
    EXPECT_NE(transport.applied().equalizer, 0u);
    EXPECT_NE(transport.applied().compressor, 0u);
    // The key reaches the replayed song on every channel but the drums.
    EXPECT_EQ(event(0, MIDI_EVENT_TRANSPOSE), 103u);
    EXPECT_EQ(event(9, MIDI_EVENT_TRANSPOSE), 100u);
    // A channel's own key is the player's until the next replay: the rebuilt stream gets the global key alone.
    transport.live().channels[0].key = 2; // its slider moved
    transport.live().channels[0].keyOverridden = false;
    transport.applyLive();
    EXPECT_EQ(event(0, MIDI_EVENT_TRANSPOSE), 105u);
    transport.stop();
    transport.play();
    EXPECT_EQ(event(0, MIDI_EVENT_TRANSPOSE), 103u);
    ASSERT_TRUE(open(song("b.mid"))); // the next song at its own tempo
    transport.play();
    EXPECT_EQ(event(0, MIDI_EVENT_TEMPO), 500000u);
}

TEST_F(TransportTest, GIVEN_a_missing_soundfont_WHEN_songs_are_opened_THEN_it_is_reported_once) {
    const std::string font = (dir / "Chorium.sf2").string();
    transport.setDefaultFont(font);
    transport.fontGeneral();
    ASSERT_TRUE(open(song("a.mid")));
    ASSERT_TRUE(open(song("b.mid")));
    // Once it is there it loads; should it go again, that is said again.
    write("Chorium.sf2", testsupport::buildSf2("Back", {{0, 0, "Piano"}}));
    ASSERT_TRUE(open(song("c.mid")));
    EXPECT_EQ(transport.soundFontLabel(), "SoundFont: Back");
    std::filesystem::remove(font);
    ASSERT_TRUE(open(song("d.mid")));
    EXPECT_EQ(screen.missing, (std::vector<std::string>{font, font}));
}

TEST_F(TransportTest, GIVEN_a_first_play_WHEN_the_second_of_the_scan_has_not_passed_THEN_the_strips_wait_for_it) {
    ASSERT_TRUE(open(song("a.mid")));
    screen.hold = true;
    transport.play();
    EXPECT_EQ(screen.pauses, std::vector<int>{1000});
    EXPECT_EQ(transport.channels()[0].state, -1);
    screen.held.at(0)();
    EXPECT_EQ(screen.scans, 1);
    EXPECT_EQ(transport.channels()[0].state, 1);
    // Stopped or opened again within the second: the late scan is dropped.
    ASSERT_TRUE(open(song("b.mid")));
    transport.play();
    transport.stop();
    screen.held.at(1)();
    ASSERT_TRUE(open(song("c.mid")));
    transport.play();
    ASSERT_TRUE(open(song("c.mid")));
    screen.held.at(2)();
    EXPECT_EQ(screen.scans, 1);
}

TEST_F(TransportTest,
       GIVEN_programs_and_volumes_locked_WHEN_replayed_THEN_the_song_plays_its_own_until_the_user_moves_them_or_seeks) {
    ASSERT_TRUE(open(song("a.mid", 20)));
    transport.play();
    auto &first = transport.live().channels[0];
    first.program = 5;
    first.volume = 30;
    first.pan = 10;
    transport.live().channels[1].mute = true;
    transport.applyLive();
    // A seek, even to the start as replay does, keeps the chosen instrument.
    for (int to : {10, 0}) {
        transport.seek(to);
        EXPECT_GE(transport.positionSeconds(), to);
        EXPECT_EQ(event(0, MIDI_EVENT_PROGRAM), 5u) << to;
        if (to > 0) { // the song's own program, chased by the seek
            EXPECT_EQ(event(1, MIDI_EVENT_PROGRAM), 40u);
        }
    }
    transport.stop();

    // Unlocked, the replay gets the user's choices back.
    transport.play();
    EXPECT_EQ(event(0, MIDI_EVENT_PROGRAM), 5u);
    EXPECT_EQ(event(0, MIDI_EVENT_VOLUME), 30u);
    transport.stop();

    transport.lockProgramsAndVolumes = true;
    transport.play();
    out->pump(1); // the rebuilt stream reaches the song's own program change
    EXPECT_EQ(event(0, MIDI_EVENT_PROGRAM), 10u);
    EXPECT_EQ(event(0, MIDI_EVENT_VOLUME), 100u);
    EXPECT_EQ(event(1, MIDI_EVENT_VOLUME), 0u); // mute holds all the same
    EXPECT_EQ(event(0, MIDI_EVENT_PAN), 10u);   // and so do the sends and pan
    transport.applyLive();                      // any other change leaves them out too
    EXPECT_EQ(event(0, MIDI_EVENT_PROGRAM), 10u);
    transport.live().channels[0].volume = 50;
    transport.applyLive();
    EXPECT_EQ(event(0, MIDI_EVENT_VOLUME), 50u);
    EXPECT_EQ(event(0, MIDI_EVENT_PROGRAM), 10u);
    // A jump puts the instruments back.
    transport.seek(5);
    EXPECT_EQ(event(0, MIDI_EVENT_PROGRAM), 5u);
}

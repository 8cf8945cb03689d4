// The live settings on a stream: what re-applying sends and leaves alone,
// measured on what the stream holds and on rendered sound.
#include "player/liveoptions.h"
#include "player/livesettings.h"

#include "player/playertest.h"
#include "player/soundfonts.h"
#include "render/songrender.h"

#include <cmath>
#include <type_traits>
#include <vector>

using namespace cantora;
using namespace cantora::player;

static_assert(std::is_constructible_v<render::RenderBlockFn, LiveBlockHook>,
              "the hook must fit the renderer's per-block callback");

namespace {

class LiveTest : public playertest::Engine {
protected:
    void SetUp() override {
        Engine::SetUp();
        font = BASS_MIDI_FontInit(CANTORA_TEST_SF2, 0);
        ASSERT_NE(font, 0u);
        BASS_MIDI_FONT one{font, -1, 0};
        BASS_MIDI_StreamSetFonts(0, &one, 1);
    }
    void TearDown() override {
        BASS_MIDI_FontFree(font);
        Engine::TearDown();
    }
    // A 16-bit decoding stream, as the renderer makes.
    HSTREAM decoder() {
        return BASS_MIDI_StreamCreateFile(1, bytes.data(), 0, bytes.size(), BASS_STREAM_DECODE | BASS_MIDI_DECAYEND,
                                          44100);
    }
    // Pulls the whole song in renderer-sized blocks, calling `hook` before
    // each; returns the left channel. Gives up after `maxSeconds`.
    std::vector<float> render(HSTREAM s, LiveBlockHook hook, double maxSeconds = 60) {
        std::vector<float> left;
        std::vector<std::int16_t> block(render::kRenderBlockBytes / 2);
        hook(s, -1);
        while (left.size() < maxSeconds * 44100) {
            if (!hook(s, static_cast<std::int64_t>(BASS_ChannelGetPosition(s, BASS_POS_BYTE))))
                break;
            DWORD n = BASS_ChannelGetData(s, block.data(), render::kRenderBlockBytes);
            if (n == DWORD(-1) || n == 0)
                break;
            for (DWORD i = 0; i < n / 2; i += 2)
                left.push_back(block[i] / 32768.0f);
        }
        return left;
    }
    static double rms(const std::vector<float> &x, double from, double to) {
        double sum = 0;
        std::size_t a = std::size_t(from * 44100), b = std::min(x.size(), std::size_t(to * 44100));
        for (std::size_t i = a; i < b; ++i)
            sum += double(x[i]) * x[i];
        return b > a ? std::sqrt(sum / double(b - a)) : 0;
    }

    HSOUNDFONT font = 0;
    std::string bytes;
};

} // namespace

TEST(LiveTempo, ScaledTempoIsRoundedAndStaysWithinMidisRange) {
    // The largest tempo MIDI has holds, one past it is held at it, never 0, 1.5 rounds up.
    for (auto [song, factor, want] : {std::tuple{500000u, 2.0f / 3.0f, 333333u},
                                      {16777215u, 1.0f, 16777215u},
                                      {8388608u, 2.0f, 16777215u},
                                      {1u, 0.25f, 1u},
                                      {3u, 0.5f, 2u}})
        EXPECT_EQ(scaledTempo(song, factor), want) << song << " x " << factor;
}

TEST(LiveChannels, KeyAndChannelKeyAddUpButNeverOnTheDrums) {
    LiveSettings s;
    s.key = 2;
    s.channels[3].key = -5;
    EXPECT_EQ(s.transposeOf(0), 2);
    EXPECT_EQ(s.transposeOf(3), -3);
    EXPECT_EQ(s.transposeOf(LiveSettings::kDrumChannel), 0);
    s.channels[4].mute = true;
    EXPECT_TRUE(s.audible(0));
    EXPECT_FALSE(s.audible(4));
    s.channels[0].solo = true;
    EXPECT_TRUE(s.audible(0));
    EXPECT_FALSE(s.audible(1));
    s.channels[4].solo = true; // muted wins over soloed
    EXPECT_FALSE(s.audible(4));
}

TEST_F(LiveTest, GIVEN_a_tempo_factor_WHEN_applied_before_every_block_THEN_it_never_compounds_and_the_render_ends) {
    audio::MidiWriter w(480, 1);
    int t = w.addTrack();
    w.tempo(t, 0, 500000);
    w.noteOn(t, 0, 0, 60, 90);
    w.tempo(t, 960, 250000); // twice as fast after two beats
    w.noteOff(t, 1920, 0, 60);
    bytes = w.bytes();
    // Own clock: 1 s + 0.5 s. At factor 2: 3 s, plus the release tail.
    LiveSettings s;
    s.tempoFactor = 2.0f;
    HSTREAM opening = decoder();
    LiveBlockHook{s}(opening, -1);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(opening, 0, MIDI_EVENT_TEMPO), 1000000u); // the song's own 500000 × 2
    BASS_StreamFree(opening);

    HSTREAM h = decoder();
    ASSERT_NE(h, 0u);
    std::vector<float> out = render(h, LiveBlockHook(s), 30);
    EXPECT_GT(out.size(), 2.9 * 44100);
    EXPECT_LT(out.size(), 6.0 * 44100) << "the tempo compounded";
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_TEMPO), 500000u); // 250000 × 2
    BASS_StreamFree(h);
}

TEST_F(LiveTest, GIVEN_settings_on_one_channel_WHEN_reapplied_THEN_the_songs_own_changes_on_the_others_stand) {
    audio::MidiWriter w(480, 1);
    int t = w.addTrack();
    w.tempo(t, 0, 500000);
    w.program(t, 0, 1, 40);
    w.noteOn(t, 0, 1, 60, 90);
    w.controller(t, 480, 1, 7, 30); // the song turns channel 2 down
    w.controller(t, 480, 1, 10, 20);
    w.program(t, 480, 1, 41);       // and changes its instrument
    w.controller(t, 480, 0, 7, 50); // the song's own volume on channel 1
    w.program(t, 480, 0, 42);       // and its own instrument there
    w.noteOff(t, 1920, 1, 60);
    bytes = w.bytes();
    LiveSettings s;
    s.channels[0].volume = 100;
    s.channels[0].program = 5;
    HSTREAM h = decoder();
    render(h, LiveBlockHook(s), 10);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 1, MIDI_EVENT_VOLUME), 30u);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 1, MIDI_EVENT_PAN), 20u);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 1, MIDI_EVENT_PROGRAM), 41u);
    // The chosen instrument and fader hold against the song's later changes.
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_PROGRAM), 5u);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_VOLUME), 100u);
    BASS_StreamFree(h);
}

TEST_F(LiveTest, GIVEN_a_font_volume_WHEN_applied_THEN_every_font_gets_it_once) {
    SoundFonts fonts;
    fonts.mainFont = font;
    LiveSettings s;
    s.fontVolume = 0.5f;
    LiveApplied applied;
    applyLiveSettings(0, s, applied, 0, &fonts);
    EXPECT_FLOAT_EQ(BASS_MIDI_FontGetVolume(font), 0.5f);
    // Already in force: a volume the engine changed meanwhile is not fought.
    BASS_MIDI_FontSetVolume(font, 0.8f);
    applyLiveSettings(0, s, applied, 0, &fonts);
    EXPECT_FLOAT_EQ(BASS_MIDI_FontGetVolume(font), 0.8f);
    fonts.mainFont = 0;
}

TEST_F(LiveTest, GIVEN_settings_in_force_WHEN_applied_again_THEN_nothing_is_sent_and_a_key_change_sends_only_keys) {
    audio::MidiWriter w(480, 1);
    int t = w.addTrack();
    w.noteOn(t, 0, 0, 60, 90);
    w.noteOff(t, 1920, 0, 60);
    bytes = w.bytes();
    HSTREAM h = decoder();
    LiveSettings s;
    s.key = 2;
    s.channels[4].key = -2; // 2 - 2: no transpose at all on channel 5
    s.channels[1].program = 30;
    s.channels[1].volume = 90;
    s.channels[2].pan = 10;
    s.drumKit = 16;
    LiveApplied applied;
    applyLiveSettings(h, s, applied, 500000);
    EXPECT_EQ(applied.eventsSent, 14 + 4); // 14 transposes (not the drums, not channel 5), 4 others
    applyLiveSettings(h, s, applied, 500000);
    EXPECT_EQ(applied.eventsSent, 0);
    s.key = 3;
    applyLiveSettings(h, s, applied, 500000);
    EXPECT_EQ(applied.eventsSent, 15);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 4, MIDI_EVENT_TRANSPOSE), 101u);
    BASS_StreamFree(h);
}

namespace {

bool applyLiveOptionFor(LiveSettings &s, const char *option, const char *value) {
    return applyLiveOption(option, value, s).empty();
}

// Power in dB of one frequency in the left channel between two times.
double powerDb(const std::vector<float> &x, double hz, double from, double to) {
    const double k = 2 * std::cos(2 * M_PI * hz / 44100);
    double s1 = 0, s2 = 0;
    for (std::size_t i = std::size_t(from * 44100); i < std::min(x.size(), std::size_t(to * 44100)); ++i) {
        const double v = x[i] + k * s1 - s2;
        s2 = s1;
        s1 = v;
    }
    return 10 * std::log10(s1 * s1 + s2 * s2 - k * s1 * s2 + 1e-12);
}

// Flute notes held for three seconds: key `a` on channel 0, key `b` on
// channel `chB`, sends off so the tones are clean; the song raises both
// channels' volume at 1 s.
std::string twoNotes(int a, int b, int chB = 1, int volume = 100) {
    audio::MidiWriter w(480, 1);
    int t = w.addTrack();
    w.tempo(t, 0, 500000);
    for (int ch : {0, chB}) {
        w.controller(t, 0, ch, 91, 0);
        w.controller(t, 0, ch, 93, 0);
        w.controller(t, 0, ch, 7, volume);
        w.program(t, 0, ch, 73);
    }
    w.noteOn(t, 0, 0, a, 110);
    w.noteOn(t, 0, chB, b, 110);
    w.controller(t, 960, 0, 7, std::min(127, volume + 20));
    w.controller(t, 960, chB, 7, std::min(127, volume + 20));
    w.noteOff(t, 2880, 0, a);
    w.noteOff(t, 2880, chB, b);
    return w.bytes();
}

} // namespace

TEST_F(LiveTest, GIVEN_a_key_and_a_channel_key_WHEN_rendered_THEN_the_pitches_move_and_the_drums_never_do) {
    bytes = twoNotes(69, 62, 3); // A4 on channel 1, D4 on channel 4
    LiveSettings s;
    s.key = 12;
    HSTREAM h = decoder();
    auto out = render(h, LiveBlockHook(s), 10);
    BASS_StreamFree(h);
    EXPECT_GT(powerDb(out, 880, 0.3, 2.5), powerDb(out, 440, 0.3, 2.5) + 20) << "A4 did not move to 880 Hz";

    s.key = 0;
    s.channels[3].key = 12; // only channel 4 (index 3) goes up
    h = decoder();
    out = render(h, LiveBlockHook(s), 10);
    BASS_StreamFree(h);
    EXPECT_GT(powerDb(out, 587.3, 0.3, 2.5), powerDb(out, 293.7, 0.3, 2.5) + 20) << "channel 4 did not move";
    EXPECT_GT(powerDb(out, 440, 0.3, 2.5), powerDb(out, 880, 0.3, 2.5) + 10) << "channel 1 moved too";

    s.channels[3].key = 0;
    s.channels[LiveSettings::kDrumChannel].key = 5;
    s.key = 7;
    EXPECT_EQ(s.transposeOf(LiveSettings::kDrumChannel), 0);
}

TEST_F(LiveTest,
       GIVEN_a_mute_WHEN_the_song_raises_the_channel_THEN_it_stays_silent_and_unmuting_gives_the_songs_volume) {
    bytes = twoNotes(69, 76); // A4 on channel 1, E5 on channel 2
    LiveSettings s;
    HSTREAM h = decoder();
    const auto open = render(h, LiveBlockHook(s), 10);
    BASS_StreamFree(h);
    s.channels[0].mute = true;
    h = decoder();
    auto out = render(h, LiveBlockHook(s), 10);
    BASS_StreamFree(h);
    // Leakage of the other tone keeps a Goertzel bin from reading true silence.
    EXPECT_LT(powerDb(out, 440, 1.2, 2.5), powerDb(open, 440, 1.2, 2.5) - 30) << "the song's volume undid the mute";
    EXPECT_NEAR(powerDb(out, 659.3, 1.2, 2.5), powerDb(open, 659.3, 1.2, 2.5), 1);

    // Unmuted mid-song on the same stream: the song's latest volume is back.
    h = decoder();
    LiveApplied applied;
    std::vector<std::int16_t> block(20000);
    applyLiveSettings(h, s, applied, 500000);
    for (int i = 0; i < 7; ++i) // 1.6 s: past the song's raise to 120
        BASS_ChannelGetData(h, block.data(), 40000);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_VOLUME), 0u);
    s.channels[0].mute = false;
    applyLiveSettings(h, s, applied, 500000);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_VOLUME), 120u);
    BASS_StreamFree(h);

    // Solo silences the others; ending it gives them back.
    s.channels[1].solo = true;
    h = decoder();
    out = render(h, LiveBlockHook(s), 10);
    BASS_StreamFree(h);
    EXPECT_LT(powerDb(out, 440, 1.2, 2.5), powerDb(open, 440, 1.2, 2.5) - 30);
    EXPECT_NEAR(powerDb(out, 659.3, 1.2, 2.5), powerDb(open, 659.3, 1.2, 2.5), 1);
}

TEST_F(LiveTest, GIVEN_font_volume_0_WHEN_rendered_THEN_the_song_is_silent) {
    bytes = twoNotes(69, 76);
    LiveSettings s;
    s.fontVolume = 0.0f;
    HSTREAM h = decoder();
    auto out = render(h, LiveBlockHook(s), 10);
    BASS_StreamFree(h);
    BASS_MIDI_FontSetVolume(font, 1.0f);
    ASSERT_GT(out.size(), 44100u);
    EXPECT_LT(rms(out, 0.0, 2.5), 1e-4);
}

TEST_F(LiveTest, GIVEN_an_equaliser_cut_WHEN_rendered_THEN_its_centre_drops_10_dB_and_three_octaves_away_stays) {
    bytes = twoNotes(90, 54); // 1480 Hz (band 3 at 1500 Hz) and 185 Hz
    HSTREAM h = decoder();
    LiveSettings s;
    s.equalizer = true; // flat
    const auto flat = render(h, LiveBlockHook(s), 10);
    BASS_StreamFree(h);
    s.eqGains[2] = -10;
    h = decoder();
    const auto cut = render(h, LiveBlockHook(s), 10);
    BASS_StreamFree(h);
    EXPECT_NEAR(powerDb(cut, 1480, 0.5, 2.5) - powerDb(flat, 1480, 0.5, 2.5), -10, 1.5);
    EXPECT_NEAR(powerDb(cut, 185, 0.5, 2.5) - powerDb(flat, 185, 0.5, 2.5), 0, 1.5);

    // Switched off mid-song the bands are gone; on again they come back.
    h = decoder();
    LiveApplied applied;
    applyLiveSettings(h, s, applied, 500000);
    ASSERT_NE(applied.equalizer, 0u);
    BASS_BFX_PEAKEQ band{2, 0, 0, 0, 0, 0};
    ASSERT_TRUE(BASS_FXGetParameters(applied.equalizer, &band));
    EXPECT_FLOAT_EQ(band.fCenter, 1500);
    EXPECT_FLOAT_EQ(band.fBandwidth, 2.5f);
    EXPECT_FLOAT_EQ(band.fGain, -10);
    s.equalizer = false;
    applyLiveSettings(h, s, applied, 500000);
    EXPECT_EQ(applied.equalizer, 0u);
    s.equalizer = true;
    applyLiveSettings(h, s, applied, 500000);
    ASSERT_TRUE(BASS_FXGetParameters(applied.equalizer, &band));
    EXPECT_FLOAT_EQ(band.fGain, -10);
    BASS_StreamFree(h);
}

TEST_F(LiveTest, GIVEN_a_quiet_song_WHEN_the_compressor_is_on_THEN_it_is_raised_by_about_its_gain) {
    bytes = twoNotes(69, 76, 1, 20); // far below the -15 dB threshold
    HSTREAM h = decoder();
    LiveSettings s;
    const auto plain = render(h, LiveBlockHook(s), 10);
    BASS_StreamFree(h);
    s.compressor = true;
    s.compressorGain = 6;
    h = decoder();
    const auto pressed = render(h, LiveBlockHook(s), 10);
    BASS_StreamFree(h);
    EXPECT_NEAR(20 * std::log10(rms(pressed, 0.3, 0.9) / rms(plain, 0.3, 0.9)), 6, 1);
}

TEST_F(LiveTest,
       GIVEN_tempo_plus_50_percent_WHEN_rendered_across_the_songs_tempo_changes_THEN_two_thirds_of_its_length) {
    audio::MidiWriter w(480, 1);
    int t = w.addTrack();
    w.tempo(t, 0, 500000);
    w.noteOn(t, 0, 0, 60, 90);
    w.tempo(t, 960, 250000);   // 1 s, then twice as fast
    w.tempo(t, 1920, 1000000); // 0.5 s, then half as fast: 1 s more
    w.noteOff(t, 2400, 0, 60);
    bytes = w.bytes();
    // Own clock 2.5 s to the last event; at +50 % (factor 2/3) 1.667 s.
    HSTREAM h = decoder();
    LiveSettings s;
    const auto plain = render(h, LiveBlockHook(s), 30);
    BASS_StreamFree(h);
    ASSERT_TRUE(applyLiveOptionFor(s, "--tempo", "50"));
    h = decoder();
    const auto fast = render(h, LiveBlockHook(s), 30);
    BASS_StreamFree(h);
    // Both end after a release tail (a little shorter after the shorter
    // note); the difference is the music. Scaling only from the next block
    // after each tempo event saves about 0.70 s.
    const double saved = double(plain.size() - fast.size()) / 44100;
    EXPECT_NEAR(saved, 2.5 / 3, 0.07) << plain.size() << " vs " << fast.size();
}

// The live settings on a stream: what re-applying sends and leaves alone,
// measured on what the stream holds and on rendered sound; and the render
// options that set them: each taken, the tempo's ends, and the refusals' wording.
#include "player/liveoptions.h"
#include "player/livesettings.h"

#include "audio/audiotest.h"
#include "player/soundfonts.h"
#include "render/songrender.h"

#include <type_traits>

using namespace cantora;
using namespace cantora::player;
using audiotest::frames;

static_assert(std::is_constructible_v<render::RenderBlockFn, LiveBlockHook>,
              "the hook must fit the renderer's per-block callback");

namespace {

class LiveTest : public audiotest::EngineWithFont {
protected:
    // A 16-bit decoding stream, as the renderer makes.
    HSTREAM decoder() {
        return BASS_MIDI_StreamCreateFile(1, bytes.data(), 0, bytes.size(), BASS_STREAM_DECODE | BASS_MIDI_DECAYEND,
                                          44100);
    }
    // Renders the whole song in renderer-sized blocks, `s` applied before each (at most `maxSeconds`); stereo floats.
    std::vector<float> render(const LiveSettings &s, double maxSeconds = 10) {
        const HSTREAM h = decoder();
        LiveBlockHook hook(s);
        std::vector<float> out;
        std::vector<std::int16_t> block(render::kRenderBlockBytes / 2);
        hook(h, -1);
        while (out.size() < 2 * frames(maxSeconds) &&
               hook(h, static_cast<std::int64_t>(BASS_ChannelGetPosition(h, BASS_POS_BYTE)))) {
            const DWORD n = BASS_ChannelGetData(h, block.data(), render::kRenderBlockBytes);
            if (n == DWORD(-1) || n == 0)
                break;
            for (DWORD i = 0; i < n / 2; ++i)
                out.push_back(block[i] / 32768.0f);
        }
        last = BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_TEMPO);
        BASS_StreamFree(h);
        return out;
    }

    std::string bytes;
    DWORD last = 0; // the tempo the last render ended on
};

// Power in dB of one frequency in the left channel between two times.
double db(const std::vector<float> &x, double hz, double from = 1.2, double to = 2.5) {
    return 10 * std::log10(audiotest::power(x, hz, frames(from), std::min(x.size() / 2, frames(to))) + 1e-12);
}

// Flute notes held for three seconds: key `a` on channel 0, key `b` on
// channel `chB`, sends off so the tones are clean; the song raises both
// channels' volume at 1 s.
std::string twoNotes(int a, int b, int chB = 1, int volume = 100) {
    audio::MidiWriter w(480, 1);
    int t = w.addTrack();
    w.tempo(t, 0, 500000);
    for (int ch : {0, chB}) {
        audiotest::dry(w, t, ch);
        w.controller(t, 0, ch, 7, volume);
        w.program(t, 0, ch, 73);
        w.controller(t, 960, ch, 7, std::min(127, volume + 20));
    }
    w.noteOn(t, 0, 0, a, 110);
    w.noteOn(t, 0, chB, b, 110);
    w.noteOff(t, 2880, 0, a);
    w.noteOff(t, 2880, chB, b);
    return w.bytes();
}

// An option and its value as the command line gives them: "--key 25".
std::string apply(const std::string &given, LiveSettings &s) {
    const std::size_t space = given.find(' ');
    return applyLiveOption(given.substr(0, space), given.substr(space + 1), s);
}
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

TEST_F(LiveTest, GIVEN_a_tempo_factor_WHEN_applied_before_every_block_THEN_it_never_compounds_and_the_render_ends) {
    audio::MidiWriter w(480, 1);
    int t = w.addTrack();
    w.tempo(t, 0, 500000);
    w.noteOn(t, 0, 0, 60, 90);
    w.tempo(t, 960, 250000);   // 1 s, then twice as fast
    w.tempo(t, 1920, 1000000); // 0.5 s, then half as fast: 1 s more
    w.noteOff(t, 2400, 0, 60);
    bytes = w.bytes();
    LiveSettings s;
    s.tempoFactor = 2.0f;
    // Own clock 2.5 s to the last event; at factor 2 5 s, plus the release tail.
    const auto plain = render(LiveSettings{}, 30), slow = render(s, 30);
    EXPECT_EQ(last, 2000000u);
    EXPECT_NEAR(double(slow.size() - plain.size()) / 2 / 44100, 2.5, 0.3) << "the tempo compounded";
    // +50 % is factor 2/3. Both end after a release tail (a little shorter
    // after the shorter note); scaling only from the next block after each
    // tempo event would save about 0.70 s.
    ASSERT_TRUE(applyLiveOption("--tempo", "50", s).empty());
    const auto fast = render(s, 30);
    EXPECT_NEAR(double(plain.size() - fast.size()) / 2 / 44100, 2.5 / 3, 0.07);
}

TEST_F(LiveTest, GIVEN_a_font_volume_WHEN_applied_THEN_every_font_gets_it_once) {
    SoundFonts fonts;
    const HSOUNDFONT font = fonts.mainFont = BASS_MIDI_FontInit(CANTORA_TEST_SF2, 0);
    LiveSettings s;
    s.fontVolume = 0.5f;
    LiveApplied applied;
    applyLiveSettings(0, s, applied, 0, &fonts);
    EXPECT_FLOAT_EQ(BASS_MIDI_FontGetVolume(font), 0.5f);
    // Already in force: a volume the engine changed meanwhile is not fought.
    BASS_MIDI_FontSetVolume(font, 0.8f);
    applyLiveSettings(0, s, applied, 0, &fonts);
    EXPECT_FLOAT_EQ(BASS_MIDI_FontGetVolume(font), 0.8f);
    BASS_MIDI_FontFree(font);
    fonts.mainFont = 0;
}

TEST_F(LiveTest, GIVEN_settings_in_force_WHEN_applied_again_THEN_nothing_is_sent_and_a_key_change_sends_only_keys) {
    bytes = twoNotes(60, 64);
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

TEST_F(LiveTest,
       GIVEN_a_mute_WHEN_the_song_raises_the_channel_THEN_it_stays_silent_and_unmuting_gives_the_songs_volume) {
    bytes = twoNotes(69, 76);
    LiveSettings s, both;
    both.channels[0].mute = both.channels[0].solo = true;
    EXPECT_FALSE(both.audible(0)) << "muted wins over soloed";
    // Unmuted mid-song on the same stream: the song's latest volume is back.
    s.channels[0].mute = true;
    HSTREAM h = decoder();
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
}

TEST_F(LiveTest, GIVEN_an_equaliser_cut_or_the_compressor_WHEN_rendered_THEN_the_sound_changes_by_their_gains) {
    bytes = twoNotes(90, 54); // 1480 Hz (band 3 at 1500 Hz) and 185 Hz
    LiveSettings s;
    s.equalizer = true; // flat
    const auto flat = render(s);
    s.eqGains[2] = -10;
    const auto cut = render(s);
    EXPECT_NEAR(db(cut, 1480, 0.5) - db(flat, 1480, 0.5), -10, 1.5);
    EXPECT_NEAR(db(cut, 185, 0.5) - db(flat, 185, 0.5), 0, 1.5);

    // Switched off mid-song the bands are gone; on again they come back.
    HSTREAM h = decoder();
    LiveApplied applied;
    applyLiveSettings(h, s, applied, 500000);
    ASSERT_NE(applied.equalizer, 0u);
    s.equalizer = false;
    applyLiveSettings(h, s, applied, 500000);
    EXPECT_EQ(applied.equalizer, 0u);
    s.equalizer = true;
    applyLiveSettings(h, s, applied, 500000);
    BASS_BFX_PEAKEQ band{2, 0, 0, 0, 0, 0};
    ASSERT_TRUE(BASS_FXGetParameters(applied.equalizer, &band));
    EXPECT_FLOAT_EQ(band.fGain, -10);
    BASS_StreamFree(h);

    // A quiet song, far below the -15 dB threshold, is raised by about the gain.
    bytes = twoNotes(69, 76, 1, 20);
    LiveSettings c;
    const auto plain = render(c);
    c.compressor = true;
    c.compressorGain = 6;
    EXPECT_NEAR(audiotest::rmsDb(render(c), frames(0.3), frames(0.9)) -
                    audiotest::rmsDb(plain, frames(0.3), frames(0.9)),
                6, 1);
}

// What each value does to the sound: the renders pinned in tests/cli (render.sh, transcript.sh).
TEST(LiveOptions, EveryOptionIsTakenAndTheTempoEndsSetTheirFactors) {
    LiveSettings s;
    for (const char *given : {"--tempo 10", "--key -3", "--channel-key 3:2", "--volume 2:90", "--pan 2:0",
                              "--reverb 16:127", "--chorus 1:5", "--program 10:16", "--mute 1", "--solo 4",
                              "--font-volume 9", "--eq 7:-10", "--compressor 15"})
        EXPECT_EQ(apply(given, s), "") << given;
    EXPECT_TRUE(s.channels[3].solo && s.equalizer && s.compressor);
    LiveSettings t;
    EXPECT_EQ(applyLiveOption("--tempo", "-50", t), "");
    EXPECT_FLOAT_EQ(t.tempoFactor, 2.0f);
    EXPECT_EQ(applyLiveOption("--tempo", "+50", t), "");
    EXPECT_FLOAT_EQ(t.tempoFactor, 2.0f / 3.0f);
}

TEST(LiveOptions, BadValuesAreRefusedByNameAndChangeNothing) {
    LiveSettings s;
    const LiveSettings before = s;
    EXPECT_EQ(applyLiveOption("--tempo", "12", s), "--tempo: '12' is not a percentage from -50 to 50 in steps of 5");
    // Out of range or malformed, each named with its value ("--key: '25' is not ...").
    for (const std::string bad : {"--tempo 7", "--key 25", "--key ", "--key 3x", "--channel-key 3", "--volume 17:10",
                                  "--volume 1:2:3", "--volume :3", "--program 1:128", "--mute 0", "--font-volume 10",
                                  "--eq 8:3", "--eq 3:+", "--compressor 5dB", "--compressor 99999999999"})
        EXPECT_EQ(apply(bad, s).rfind(bad.substr(0, bad.find(' ')) + ": '" + bad.substr(bad.find(' ') + 1) + "'", 0),
                  0u)
            << bad;
    EXPECT_TRUE(s == before);
}

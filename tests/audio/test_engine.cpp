// The engine through its calls: decoding, events heard in the sound, seek,
// syncs, font records, errors and a playing stream on the null device.

#include "audio/bass.h"
#include "audio/output.h"
#include "audio/songfile.h"
#include "audiotest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <malloc.h>
#include <thread>

using namespace cantora::audiotest;
using cantora::audio::MidiWriter;

namespace {

class Engine : public EngineWithFont {};

// One sustained flute note on channel 0 from 0 to `seconds` at 120 bpm,
// reverb and chorus sends off so the tone is clean.
std::string tone(int key, double seconds, int program = 73) {
    MidiWriter w(480);
    const int t = w.addTrack();
    dry(w, t, 0);
    w.program(t, 0, 0, program);
    w.noteOn(t, 0, 0, key, 110);
    w.noteOff(t, static_cast<std::uint64_t>(seconds * 960), 0, key);
    return w.bytes();
}

} // namespace

TEST_F(Engine, DecodeLengthEndAndSixteenBitOutput) {
    const std::string song = tone(69, 1.0);
    const HSTREAM h = decodeStream(song, 0); // 16-bit
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), 176400u);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_MIDI_TICK), 960u);
    EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(h, 176400), 1.0);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, 0.5), 88200u);
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.freq, 44100u);
    EXPECT_EQ(info.chans, 2u);

    // The values of the 16-bit samples: SixteenBitOutputPastFullScaleClampsInsteadOfWrapping.
    std::vector<char> buf(20000);
    std::uint64_t total = 0;
    while (BASS_ChannelIsActive(h) == BASS_ACTIVE_PLAYING) {
        const DWORD n = BASS_ChannelGetData(h, buf.data(), 20000);
        ASSERT_NE(n, DWORD(-1));
        total += n;
    }
    EXPECT_EQ(total, 176400u);
    EXPECT_EQ(BASS_ChannelGetData(h, buf.data(), 20000), DWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
    EXPECT_TRUE(BASS_StreamFree(h));
    EXPECT_FALSE(BASS_StreamFree(h));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(Engine, DecayEndLetsTheSoundDieAwayAfterTheLastEvent) {
    const std::string song = tone(60, 0.5, 0); // piano: a release tail
    const HSTREAM h = decodeStream(song, BASS_SAMPLE_FLOAT | BASS_MIDI_DECAYEND);
    const auto pcm = decodeFloat(h, frames(10));
    EXPECT_GT(pcm.size() / 2, frames(0.6));
    EXPECT_LT(pcm.size() / 2, frames(5.6));
    EXPECT_LT(rmsDb(pcm, pcm.size() / 2 - frames(0.05)), -75);
    BASS_StreamFree(h);
}

TEST_F(Engine, TransposeEventIsHeardOnTheNotesThatFollow) {
    // Transpose +12 (event value 112) raises the next note by an octave.
    MidiWriter w(480);
    const int t = w.addTrack();
    dry(w, t, 0);
    w.program(t, 0, 0, 73);
    w.noteOn(t, 0, 0, 57, 110);
    w.noteOff(t, 960, 0, 57);
    w.noteOn(t, 1440, 0, 57, 110);
    w.noteOff(t, 2400, 0, 57);
    const std::string song = w.bytes();
    const HSTREAM h = decodeStream(song);
    const auto first = decodeFloat(h, frames(0.5));
    BASS_MIDI_StreamEvent(h, 0, MIDI_EVENT_TRANSPOSE, 112);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_TRANSPOSE), 112u);
    const auto rest = decodeFloat(h, frames(2.0));
    EXPECT_NEAR(fundamental(first, 150, 1000, frames(0.1), frames(0.5)), 220, 3);
    EXPECT_NEAR(fundamental(rest, 150, 1000, frames(1.1), frames(1.5)), 440, 5);
    BASS_StreamFree(h);
}

TEST_F(Engine, SeekThenRenderEqualsRenderFromTheStart) {
    MidiWriter w(480);
    const int t = w.addTrack();
    dry(w, t, 0);
    dry(w, t, 1);
    w.program(t, 0, 0, 73);
    w.controller(t, 0, 0, 7, 60);
    w.noteOn(t, 0, 1, 48, 100);
    w.noteOff(t, 480, 1, 48);
    w.tempo(t, 960, 400000);
    w.noteOn(t, 2880, 0, 72, 100);
    w.noteOn(t, 2880, 1, 55, 100);
    w.noteOff(t, 3840, 0, 72);
    w.noteOff(t, 3840, 1, 55);
    const std::string song = w.bytes();
    // Tick 2880: 1 s, then 1920 ticks at 0.4 s/qn = 2.6 s; the end (3840)
    // at 3.4 s. Seek to 2.5 s = tick 960 + 1.5 s / 0.4 s * 480.
    const HSTREAM whole = decodeStream(song);
    const auto ref = decodeFloat(whole, frames(3.5));
    ASSERT_EQ(ref.size(), 2 * frames(3.4));
    const HSTREAM jumped = decodeStream(song);
    ASSERT_TRUE(BASS_ChannelSetPosition(jumped, 4 * frames(2.5), BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetPosition(jumped, BASS_POS_BYTE), 4 * frames(2.5));
    EXPECT_EQ(BASS_ChannelGetPosition(jumped, BASS_POS_MIDI_TICK), 2760u);
    const auto after = decodeFloat(jumped, frames(1.0));
    ASSERT_EQ(after.size(), 2 * frames(0.9));
    const std::vector<float> tail(ref.begin() + 2 * frames(2.5), ref.end());
    // The notes start on the same sample, with the chased program and
    // volume. The synth's chorus and reverb run on their own clocks, so the
    // wet part differs a little: compare levels window by window and the
    // waveforms within 15 dB.
    const auto onset = [](const std::vector<float> &x) {
        std::size_t i = 0;
        while (i < x.size() && std::fabs(x[i]) < 1e-4f)
            ++i;
        return i;
    };
    EXPECT_NEAR(double(onset(after)), double(onset(tail)), 4);
    EXPECT_NEAR(double(onset(after) / 2), double(frames(0.1)), 128);
    for (double at = 0.1; at < 0.85; at += 0.05)
        EXPECT_NEAR(rmsDb(after, frames(at), frames(at + 0.05)), rmsDb(tail, frames(at), frames(at + 0.05)), 1.0) << at;
    double diff = 0, energy = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
        const double d = after[i] - tail[i];
        diff += d * d;
        energy += double(after[i]) * after[i];
    }
    EXPECT_LT(10 * std::log10(diff / energy), -15);
    BASS_StreamFree(whole);
    BASS_StreamFree(jumped);
}

namespace {
struct SyncLog {
    HSTREAM stream = 0;
    std::vector<std::pair<DWORD, QWORD>> marks; // index, position when fired
    int ends = 0;
    int tempos = 0;
    int setpos = 0;
    float factor = 2.0f;
};
void CALLBACK_mark(HSYNC, DWORD ch, DWORD data, void *user) {
    auto *log = static_cast<SyncLog *>(user);
    log->marks.emplace_back(data, BASS_ChannelGetPosition(ch, BASS_POS_BYTE));
}
void CALLBACK_end(HSYNC, DWORD, DWORD, void *user) { ++static_cast<SyncLog *>(user)->ends; }
// As the player does: every tempo event is sent back scaled.
void CALLBACK_tempo(HSYNC, DWORD ch, DWORD, void *user) {
    auto *log = static_cast<SyncLog *>(user);
    ++log->tempos;
    const DWORD song = BASS_MIDI_StreamGetEvent(ch, 0, MIDI_EVENT_TEMPO);
    BASS_MIDI_StreamEvent(ch, 0, MIDI_EVENT_TEMPO, DWORD(std::lround(song * log->factor)));
}
void CALLBACK_setpos(HSYNC, DWORD, DWORD, void *user) { ++static_cast<SyncLog *>(user)->setpos; }
} // namespace

TEST_F(Engine, SyncsFireOncePerMarkInOrderAtTheirPosition) {
    MidiWriter w(480);
    const int t0 = w.addTrack(), t1 = w.addTrack();
    w.tempo(t0, 0, 500000);
    w.tempo(t0, 960, 250000);
    const std::uint64_t ticks[] = {0, 240, 960, 1200, 1200, 1900};
    for (auto tk : ticks)
        w.lyric(t1, tk, "la");
    w.text(t0, 100, "not a lyric");
    w.noteOn(t1, 0, 0, 60, 90);
    w.noteOff(t1, 1920, 0, 60);
    const std::string song = w.bytes();
    const HSTREAM h = decodeStream(song);
    SyncLog log;
    ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_MIDI_LYRIC, 0, CALLBACK_mark, &log), 0u);
    ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_END, 0, CALLBACK_end, &log), 0u);
    decodeFloat(h, frames(10));
    ASSERT_EQ(log.marks.size(), 6u);
    for (DWORD i = 0; i < 6; ++i) {
        BASS_MIDI_MARK m{};
        ASSERT_TRUE(BASS_MIDI_StreamGetMark(h, BASS_MIDI_MARK_LYRIC, i, &m));
        EXPECT_EQ(log.marks[i].first, i);
        EXPECT_EQ(log.marks[i].second, m.pos);
        EXPECT_EQ(m.tick, ticks[i]);
        EXPECT_EQ(m.track, 1u);
        EXPECT_STREQ(m.text, "la");
    }
    BASS_MIDI_MARK m{};
    ASSERT_TRUE(BASS_MIDI_StreamGetMark(h, BASS_MIDI_MARK_LYRIC, 3, &m));
    EXPECT_EQ(m.pos, 4u * 49613); // 1 s + 240 ticks at 0.25 s/qn = 49612.5 frames
    EXPECT_FALSE(BASS_MIDI_StreamGetMark(h, BASS_MIDI_MARK_LYRIC, 6, &m));
    EXPECT_EQ(log.ends, 1);
    BASS_StreamFree(h);
}

TEST_F(Engine, TempoSyncSendsTheTempoBackFromInsideTheRender) {
    MidiWriter w(480);
    const int t = w.addTrack();
    w.tempo(t, 0, 500000);
    w.tempo(t, 960, 250000);
    w.noteOn(t, 0, 0, 60, 90);
    w.noteOff(t, 1920, 0, 60);
    const std::string song = w.bytes();
    // Plain: 1 s + 0.5 s. Each tempo doubled: 3 s.
    const HSTREAM h = decodeStream(song);
    SyncLog log;
    BASS_ChannelSetSync(h, BASS_SYNC_MIXTIME | BASS_SYNC_MIDI_EVENT, MIDI_EVENT_TEMPO, CALLBACK_tempo, &log);
    BASS_ChannelSetSync(h, BASS_SYNC_MIXTIME | BASS_SYNC_SETPOS, 0, CALLBACK_setpos, &log);
    const auto pcm = decodeFloat(h, frames(10));
    EXPECT_EQ(pcm.size() / 2, frames(3.0));
    EXPECT_EQ(log.tempos, 2);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_TEMPO), 500000u);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 0, BASS_POS_BYTE));
    EXPECT_EQ(log.setpos, 1);
    BASS_StreamFree(h);
}

TEST_F(Engine, FontRecordsInfoAndErrors) {
    BASS_MIDI_FONTINFO info{};
    ASSERT_TRUE(BASS_MIDI_FontGetInfo(font_, &info));
    EXPECT_STREQ(info.name, "TimGM6mb1.sf2");
    EXPECT_GT(info.presets, 128u);
    EXPECT_NE(BASS_MIDI_FontGetPreset(font_, 0, 128), nullptr);
    EXPECT_EQ(BASS_MIDI_FontGetPreset(font_, 0, 127), nullptr);

    // A record with one preset serves only that program.
    const HSOUNDFONT only = BASS_MIDI_FontInit(CANTORA_TEST_SF2, 0);
    const BASS_MIDI_FONT rec{only, 73, 0};
    BASS_MIDI_StreamSetFonts(0, &rec, 1);
    const std::string flute = tone(69, 2.0, 73), organ = tone(69, 0.5, 19);
    const HSTREAM a = decodeStream(flute), b = decodeStream(organ);
    EXPECT_GT(rmsDb(decodeFloat(a, frames(0.4)), frames(0.1)), -40);
    EXPECT_LT(rmsDb(decodeFloat(b, frames(0.4)), frames(0.1)), -90);
    BASS_MIDI_FONT got[2]{};
    EXPECT_EQ(BASS_MIDI_StreamGetFonts(b, got, 2), 1u);
    EXPECT_EQ(got[0].preset, 73);

    BASS_StreamFree(a);
    BASS_StreamFree(b);
    BASS_MIDI_FontFree(only);

    EXPECT_EQ(BASS_MIDI_FontInit("/nonexistent.sf2", 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_EQ(BASS_MIDI_FontInit(CANTORA_SOURCE_DIR "/CMakeLists.txt", 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
}

namespace {
// From the page tables: VmRSS in /proc/self/status may lag behind.
long residentKiB() {
    std::ifstream in("/proc/self/smaps_rollup");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("Rss:", 0) == 0)
            return std::stol(line.substr(4));
    return 0;
}
} // namespace

TEST_F(Engine, SameFileTwiceIsLoadedOnce) {
    // Streams for playback load a font whole (~5.6 MiB of samples here);
    // a second handle of the same file and a second stream share that copy,
    // so the second stream costs only its synth, not the samples again.
    // A copy of its own, so no earlier load of the file is still cached.
    const std::string copy = ::testing::TempDir() + "engine_shared_font.sf2";
    {
        std::ifstream in(CANTORA_TEST_SF2, std::ios::binary);
        std::ofstream out(copy, std::ios::binary);
        out << in.rdbuf();
    }
    const HSOUNDFONT own = BASS_MIDI_FontInit(copy.c_str(), 0);
    const BASS_MIDI_FONT ownRec{own, -1, 0};
    BASS_MIDI_StreamSetFonts(0, &ownRec, 1);
    const std::string song = tone(69, 0.2);
    malloc_trim(0); // memory freed by earlier tests must not hide a load
    const long start = residentKiB();
    const HSTREAM first = BASS_MIDI_StreamCreateFile(1, song.data(), 0, song.size(), 0, 0);
    ASSERT_NE(first, 0u);
    const long once = residentKiB();
    EXPECT_GT(once - start, 4000);
    const HSOUNDFONT again = BASS_MIDI_FontInit(copy.c_str(), 0);
    const BASS_MIDI_FONT rec{again, -1, 0};
    BASS_MIDI_StreamSetFonts(0, &rec, 1);
    const HSTREAM second = BASS_MIDI_StreamCreateFile(1, song.data(), 0, song.size(), 0, 0);
    ASSERT_NE(second, 0u);
    EXPECT_LT(residentKiB() - once, (once - start) - 4000);
    BASS_StreamFree(first);
    BASS_StreamFree(second);
    BASS_MIDI_FontFree(again);
    BASS_MIDI_FontFree(own);
    std::remove(copy.c_str());
}

TEST_F(Engine, BadInputAndWrongCalls) {
    const std::string junk = "MThd but not really a MIDI file";
    EXPECT_EQ(BASS_MIDI_StreamCreateFile(1, junk.data(), 0, junk.size(), BASS_STREAM_DECODE, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(BASS_MIDI_StreamCreateFile(0, "/nonexistent.mid", 0, 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);

    const std::string song = tone(69, 0.2);
    const HSTREAM h = BASS_MIDI_StreamCreateFile(1, song.data(), 0, song.size(), 0, 0);
    ASSERT_NE(h, 0u);
    EXPECT_FALSE(BASS_ChannelPlay(h, 0)); // the "no sound" device plays nothing
    char buf[16];
    EXPECT_EQ(BASS_ChannelGetData(h, buf, 16), DWORD(-1)); // not a decode stream
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_TEMPO), 500000u);
    BASS_StreamFree(h);

    const HSTREAM probe = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, nullptr, nullptr);
    EXPECT_NE(probe, 0u);
    EXPECT_TRUE(BASS_StreamFree(probe));
}

TEST_F(Engine, EffectsOnAStream) {
    const std::string song = tone(69, 1.0);
    const HSTREAM plain = decodeStream(song), boosted = decodeStream(song);
    const HFX eq = BASS_ChannelSetFX(boosted, BASS_FX_BFX_PEAKEQ, 0);
    ASSERT_NE(eq, 0u);
    BASS_BFX_PEAKEQ band{0, 2.5f, 1.0f, 440.0f, 6.0f, BASS_BFX_CHANALL};
    ASSERT_TRUE(BASS_FXSetParameters(eq, &band));
    BASS_BFX_PEAKEQ read{};
    read.lBand = 0;
    ASSERT_TRUE(BASS_FXGetParameters(eq, &read));
    EXPECT_FLOAT_EQ(read.fGain, 6.0f);
    const auto a = decodeFloat(plain, frames(0.6)), b = decodeFloat(boosted, frames(0.6));
    const double gain =
        10 * std::log10(power(b, 440, frames(0.2), frames(0.6)) / power(a, 440, frames(0.2), frames(0.6)));
    EXPECT_NEAR(gain, 6.0, 0.5);
    EXPECT_TRUE(BASS_ChannelRemoveFX(boosted, eq));
    EXPECT_FALSE(BASS_FXSetParameters(eq, &band));
    EXPECT_EQ(BASS_ChannelSetFX(boosted, 0x12345, 0), 0u);
    BASS_StreamFree(plain);
    BASS_StreamFree(boosted);
}

namespace {
struct PlayLog {
    std::atomic<int> ends{0};
    std::atomic<int> lyrics{0};
    std::atomic<bool> offThread{false};
    std::thread::id caller;
};
void CALLBACK_playEnd(HSYNC, DWORD ch, DWORD, void *user) {
    auto *log = static_cast<PlayLog *>(user);
    log->offThread = std::this_thread::get_id() != log->caller;
    BASS_StreamFree(ch); // as the player's end callback does
    ++log->ends;
}
void CALLBACK_playLyric(HSYNC, DWORD ch, DWORD, void *user) {
    BASS_ChannelGetPosition(ch, BASS_POS_MIDI_TICK);
    ++static_cast<PlayLog *>(user)->lyrics;
}
} // namespace

TEST(EngineDevice, PlayingOnTheNullDeviceReachesTheEndOffTheCallerThread) {
    cantora::audio::setOutputFactory([](int) { return cantora::audio::makeMissingOutput(); });
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    EXPECT_EQ(BASS_MIDI_StreamCreateFile(0, "x.mid", 0, 0, 0, 0), 0u);

    cantora::audio::setOutputFactory([](int) { return cantora::audio::makeNullOutput(); });
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const HSOUNDFONT font = BASS_MIDI_FontInit(CANTORA_TEST_SF2, 0);
    const BASS_MIDI_FONT rec{font, -1, 0};
    BASS_MIDI_StreamSetFonts(0, &rec, 1);
    MidiWriter w(480);
    const int t = w.addTrack();
    w.lyric(t, 0, "one");
    w.lyric(t, 240, "two");
    w.noteOn(t, 0, 0, 60, 90);
    w.noteOff(t, 300, 0, 60);
    const std::string song = w.bytes();
    const HSTREAM h = BASS_MIDI_StreamCreateFile(1, song.data(), 0, song.size(), 0, 0);
    ASSERT_NE(h, 0u);
    PlayLog log;
    log.caller = std::this_thread::get_id();
    BASS_ChannelSetSync(h, BASS_SYNC_END, 0, CALLBACK_playEnd, &log);
    BASS_ChannelSetSync(h, BASS_SYNC_MIDI_LYRIC, 0, CALLBACK_playLyric, &log);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    ASSERT_TRUE(BASS_ChannelPause(h));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PAUSED);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    for (int i = 0; i < 300 && log.ends == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(log.ends, 1);
    EXPECT_EQ(log.lyrics, 2);
    EXPECT_TRUE(log.offThread);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED); // freed by its own callback
    EXPECT_TRUE(BASS_Free());
    BASS_MIDI_FontFree(font);
    cantora::audio::setOutputFactory({});
}

// The sound device must not take the process's signals: a player that
// ignores SIGTERM or Ctrl-C cannot be stopped from outside.
TEST(EngineDevice, SdlDeviceLeavesTerminationSignalsAlone) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto out = cantora::audio::makeSdlOutput(-1);
    ASSERT_TRUE(out->open(44100, [](float *buf, std::size_t frames) { std::fill(buf, buf + 2 * frames, 0.0f); }));
    for (int sig : {SIGINT, SIGTERM}) {
        struct sigaction now {};
        sigaction(sig, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << "signal " << sig;
    }
    out->close();
}

TEST_F(Engine, FontVolumeIsAGainInDecibelsAndHoldsThroughTheSongsResets) {
    // A flute note from 0 to 0.95 s; at 1 s the song resets all controllers
    // and starts the next note.
    MidiWriter w(480);
    const int t = w.addTrack();
    dry(w, t, 0);
    w.program(t, 0, 0, 73);
    w.noteOn(t, 0, 0, 69, 110);
    w.noteOff(t, 912, 0, 69);
    w.controller(t, 960, 0, 121, 0);
    dry(w, t, 0, 960);
    w.noteOn(t, 960, 0, 69, 110);
    w.noteOff(t, 2880, 0, 69);
    const std::string song = w.bytes();
    const HSOUNDFONT own = BASS_MIDI_FontInit(CANTORA_TEST_SF2, 0);
    const BASS_MIDI_FONT rec{own, -1, 0};
    BASS_MIDI_StreamSetFonts(0, &rec, 1);
    const auto render = [&](float volume) {
        BASS_MIDI_FontSetVolume(own, volume);
        const HSTREAM h = decodeStream(song);
        auto pcm = decodeFloat(h, frames(1.6));
        BASS_StreamFree(h);
        return pcm;
    };
    const auto full = render(1.0f), half = render(0.5f), none = render(0.0f);
    for (auto [from, to] : {std::pair{0.2, 0.9}, std::pair{1.2, 1.6}}) {
        const double ref = rmsDb(full, frames(from), frames(to));
        EXPECT_NEAR(rmsDb(half, frames(from), frames(to)) - ref, -6.0, 0.2) << from;
        EXPECT_LT(rmsDb(none, frames(from), frames(to)), -90) << from;
    }
    EXPECT_FLOAT_EQ(BASS_MIDI_FontGetVolume(own), 0.0f);
    BASS_MIDI_FontFree(own);
}

TEST_F(Engine, TempoEventsGoThroughUnclampedToTheSequencer) {
    const std::string song = tone(69, 0.2);
    const HSTREAM h = decodeStream(song);
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_TEMPO), 500000u); // before any decode
    // Unlike controller values, a tempo is not cut to 127 on its way in.
    ASSERT_TRUE(BASS_MIDI_StreamEvent(h, 0, MIDI_EVENT_TEMPO, 240000));
    EXPECT_EQ(BASS_MIDI_StreamGetEvent(h, 0, MIDI_EVENT_TEMPO), 240000u);
    EXPECT_EQ(cantora::audio::songTempo(h), 500000u);
    BASS_StreamFree(h);
    EXPECT_EQ(cantora::audio::songTempo(h), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(Engine, SeekToExactlyTheLengthEndsTheSongAndOnePastIsRefused) {
    const std::string song = tone(69, 1.0);
    const HSTREAM h = decodeStream(song);
    SyncLog log;
    BASS_ChannelSetSync(h, BASS_SYNC_END, 0, CALLBACK_end, &log);
    const QWORD length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    EXPECT_FALSE(BASS_ChannelSetPosition(h, length + 4, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
    EXPECT_FALSE(BASS_ChannelSetPosition(h, 961, BASS_POS_MIDI_TICK));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, length, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), length);
    float buf[512];
    EXPECT_EQ(BASS_ChannelGetData(h, buf, sizeof buf), DWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
    EXPECT_EQ(log.ends, 1);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    // And by tick, the last one: the same end.
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 960, BASS_POS_MIDI_TICK));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(BASS_ChannelGetData(h, buf, sizeof buf), DWORD(-1));
    EXPECT_EQ(log.ends, 2);
    BASS_StreamFree(h);
}

TEST_F(Engine, SixteenBitOutputPastFullScaleClampsInsteadOfWrapping) {
    // The same loud song as float and as 16-bit, both pushed 30 dB past
    // full scale by the compressor's make-up gain.
    const std::string song = tone(69, 0.5);
    const auto loud = [&](DWORD flags) {
        const HSTREAM h = decodeStream(song, flags);
        const HFX fx = BASS_ChannelSetFX(h, BASS_FX_BFX_COMPRESSOR2, 0);
        const BASS_BFX_COMPRESSOR2 gain{30.0f, 0.0f, 1.0f, 1.0f, 1.0f, BASS_BFX_CHANALL};
        EXPECT_TRUE(BASS_FXSetParameters(fx, &gain));
        return h;
    };
    const HSTREAM f = loud(BASS_SAMPLE_FLOAT), i16 = loud(0);
    const auto ref = decodeFloat(f, frames(0.4));
    std::vector<std::int16_t> pcm(ref.size());
    DWORD got = 0;
    while (got < pcm.size() * 2) {
        const DWORD n = BASS_ChannelGetData(i16, reinterpret_cast<char *>(pcm.data()) + got,
                                            std::min<DWORD>(8192, DWORD(pcm.size() * 2) - got));
        ASSERT_NE(n, DWORD(-1));
        got += n;
    }
    std::size_t over = 0;
    for (std::size_t k = 0; k < ref.size(); ++k) {
        if (ref[k] >= 1.0f) {
            ++over;
            ASSERT_EQ(pcm[k], 32767) << k;
        } else if (ref[k] <= -1.0f) {
            ++over;
            ASSERT_EQ(pcm[k], -32768) << k;
        } else {
            ASSERT_NEAR(pcm[k], ref[k] * 32768.0f, 1.0) << k;
        }
    }
    EXPECT_GT(over, ref.size() / 10);
    BASS_StreamFree(f);
    BASS_StreamFree(i16);
}

TEST_F(Engine, SongFilesGiveTheirErrorCodes) {
    const std::string song = tone(69, 0.2);
    const std::string path = ::testing::TempDir() + "engine_range.bin";
    std::ofstream(path, std::ios::binary) << "JUNK" << song << "TAIL";
    const HSTREAM h = BASS_MIDI_StreamCreateFile(0, path.c_str(), 4, song.size(), BASS_STREAM_DECODE, 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), 4u * frames(0.2));
    BASS_StreamFree(h);
    EXPECT_EQ(BASS_MIDI_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    std::remove(path.c_str());
    const std::string dir = ::testing::TempDir();
    EXPECT_EQ(BASS_MIDI_StreamCreateFile(0, dir.c_str(), 0, 0, BASS_STREAM_DECODE, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_EQ(BASS_StreamCreateURL(("file://" + dir).c_str(), 0, BASS_STREAM_DECODE, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    // In memory, the same one limit: refused before anything is read.
    const QWORD tooLong = cantora::audio::kMaxSongBytes + 1;
    EXPECT_EQ(BASS_MIDI_StreamCreateFile(1, song.data(), 0, tooLong, BASS_STREAM_DECODE, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
}

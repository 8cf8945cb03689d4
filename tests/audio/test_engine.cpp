// The engine through its calls: decoding, events heard in the sound, seek,
// syncs, font records, controllers held, effects, errors and the sound device.

#include "audio/bass.h"
#include "audio/output.h"
#include "audio/songfile.h"
#include "audiotest.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <malloc.h>

using namespace cantora::audiotest;
using cantora::audio::MidiWriter;

namespace {

class Engine : public EngineWithFont {};

// One sustained note on channel 0 from 0 to `seconds` at 120 bpm (flute by
// default), reverb and chorus sends off so the tone is clean.
std::string tone(int key, double seconds, int program = 73) {
    MidiWriter w(480);
    const int t = w.addTrack();
    dry(w, t, 0);
    w.program(t, 0, 0, program);
    w.noteOn(t, 0, 0, key, 110);
    w.noteOff(t, static_cast<std::uint64_t>(seconds * 960), 0, key);
    return w.bytes();
}

// The flute on `key` from 0 to `off`, then again from `on2` to `off2`; with
// `reset`, the song resets all controllers (and sends off again) at `on2`.
std::string twoTones(int key, std::uint64_t off, std::uint64_t on2, std::uint64_t off2, bool reset = false) {
    MidiWriter w(480);
    const int t = w.addTrack();
    dry(w, t, 0);
    w.program(t, 0, 0, 73);
    w.noteOn(t, 0, 0, key, 110);
    w.noteOff(t, off, 0, key);
    if (reset) {
        w.controller(t, on2, 0, 121, 0);
        dry(w, t, 0, on2);
    }
    w.noteOn(t, on2, 0, key, 110);
    w.noteOff(t, off2, 0, key);
    return w.bytes();
}

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

struct SyncLog {
    std::vector<std::pair<DWORD, QWORD>> marks; // index, position when fired
    int ends = 0;
};
void CALLBACK_mark(HSYNC, DWORD ch, DWORD data, void *user) {
    static_cast<SyncLog *>(user)->marks.emplace_back(data, BASS_ChannelGetPosition(ch, BASS_POS_BYTE));
}
void CALLBACK_end(HSYNC, DWORD, DWORD, void *user) { ++static_cast<SyncLog *>(user)->ends; }

} // namespace

TEST_F(Engine, LengthEndAndSeeksToTheEdge) {
    const std::string song = tone(69, 1.0);
    const HSTREAM h = decodeStream(song, 0); // 16-bit
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), 176400u);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_MIDI_TICK), 960u);
    SyncLog log;
    BASS_ChannelSetSync(h, BASS_SYNC_END, 0, CALLBACK_end, &log);
    std::vector<char> buf(20000);
    std::uint64_t total = 0;
    for (DWORD n; (n = BASS_ChannelGetData(h, buf.data(), 20000)) != DWORD(-1);)
        total += n;
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
    EXPECT_EQ(total, 176400u);
    // One past the end is refused; exactly the end (by byte or last tick) ends the song again.
    EXPECT_FALSE(BASS_ChannelSetPosition(h, 176404, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
    EXPECT_FALSE(BASS_ChannelSetPosition(h, 961, BASS_POS_MIDI_TICK));
    for (auto [pos, mode] : {std::pair{QWORD(176400), BASS_POS_BYTE}, std::pair{QWORD(960), BASS_POS_MIDI_TICK}}) {
        ASSERT_TRUE(BASS_ChannelSetPosition(h, pos, mode));
        EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
        EXPECT_EQ(BASS_ChannelGetData(h, buf.data(), 512), DWORD(-1));
        EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    }
    EXPECT_EQ(log.ends, 3);
    BASS_StreamFree(h);

    const std::string piano = tone(60, 0.5, 0); // a release tail after the last event
    const HSTREAM d = decodeStream(piano, BASS_SAMPLE_FLOAT | BASS_MIDI_DECAYEND);
    const auto pcm = decodeFloat(d, frames(10));
    EXPECT_EQ(pcm.size() / 2, 44858u); // its tail ends where the quiet has lasted long enough
    EXPECT_LT(rmsDb(pcm, pcm.size() / 2 - frames(0.05)), -75);
    BASS_StreamFree(d);
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
    // Tick 2880 at 2.6 s, the end (3840) at 3.4 s; 2.5 s = tick 960 + 1.5 s / 0.4 s * 480.
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
    // The notes start at 0.1 s with the chased program and volume; chorus and
    // reverb run on their own clocks, so compare levels per window.
    EXPECT_LT(rmsDb(after, 0, frames(0.1) - 4), -80);
    for (double at = 0.1; at < 0.85; at += 0.05)
        EXPECT_NEAR(rmsDb(after, frames(at), frames(at + 0.05)), rmsDb(tail, frames(at), frames(at + 0.05)), 1.0) << at;
    BASS_StreamFree(whole);
    BASS_StreamFree(jumped);
}

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
        EXPECT_EQ(log.marks[i], std::make_pair(i, QWORD(m.pos)));
        EXPECT_EQ(m.tick, ticks[i]);
    }
    EXPECT_EQ(log.ends, 1);
    BASS_StreamFree(h);
}

TEST_F(Engine, FontRecordsAndFontVolume) {
    // A record with one preset serves only that program.
    const HSOUNDFONT only = BASS_MIDI_FontInit(CANTORA_TEST_SF2, 0);
    const BASS_MIDI_FONT rec{only, 73, 0};
    EXPECT_TRUE(BASS_MIDI_StreamSetFonts(0, &rec, 1));
    const std::string flute = tone(69, 2.0, 73), organ = tone(69, 0.5, 19);
    const HSTREAM a = decodeStream(flute), b = decodeStream(organ);
    EXPECT_GT(rmsDb(decodeFloat(a, frames(0.4)), frames(0.1)), -40);
    EXPECT_LT(rmsDb(decodeFloat(b, frames(0.4)), frames(0.1)), -90);
    BASS_StreamFree(a);
    BASS_StreamFree(b);

    // The volume is a gain in dB that holds through the song's reset of all controllers at 1 s.
    const std::string song = twoTones(69, 912, 960, 2880, true);
    const BASS_MIDI_FONT all{only, -1, 0};
    BASS_MIDI_StreamSetFonts(0, &all, 1);
    const auto render = [&](float volume) {
        BASS_MIDI_FontSetVolume(only, volume);
        const HSTREAM h = decodeStream(song);
        auto pcm = decodeFloat(h, frames(1.6));
        BASS_StreamFree(h);
        return pcm;
    };
    const auto full = render(1.0f), half = render(0.5f), none = render(0.0f);
    for (auto [from, to] : {std::pair{0.2, 0.9}, std::pair{1.2, 1.6}}) {
        EXPECT_NEAR(rmsDb(half, frames(from), frames(to)) - rmsDb(full, frames(from), frames(to)), -6.0, 0.2);
        EXPECT_LT(rmsDb(none, frames(from), frames(to)), -90) << from;
    }
    BASS_MIDI_FontFree(only);
}

TEST_F(Engine, SameFontFileTwiceIsLoadedOnce) {
    // A playing stream loads its font whole (~5.6 MiB of samples); a second
    // handle of the same file shares that copy. A copy of its own, so no
    // earlier load of the file is still cached.
    const std::string copy = ::testing::TempDir() + "engine_shared_font.sf2";
    {
        std::ifstream in(CANTORA_TEST_SF2, std::ios::binary);
        std::ofstream(copy, std::ios::binary) << in.rdbuf();
    }
    const std::string song = tone(69, 0.2);
    std::vector<HSOUNDFONT> fonts;
    std::vector<HSTREAM> streams;
    std::vector<long> grew;
    // From the page tables: VmRSS in /proc/self/status may lag behind.
    const auto residentKiB = [] {
        std::ifstream in("/proc/self/smaps_rollup");
        std::string line;
        while (std::getline(in, line) && line.rfind("Rss:", 0) != 0) {}
        return line.empty() ? 0L : std::stol(line.substr(4));
    };
    malloc_trim(0); // memory freed by earlier tests must not hide a load
    for (int i = 0; i < 2; ++i) {
        fonts.push_back(BASS_MIDI_FontInit(copy.c_str(), 0));
        const BASS_MIDI_FONT rec{fonts.back(), -1, 0};
        BASS_MIDI_StreamSetFonts(0, &rec, 1);
        const long before = residentKiB();
        streams.push_back(BASS_MIDI_StreamCreateFile(1, song.data(), 0, song.size(), 0, 0));
        ASSERT_NE(streams.back(), 0u);
        grew.push_back(residentKiB() - before);
    }
    EXPECT_GT(grew[0], 4000);
    EXPECT_LT(grew[1], grew[0] - 4000);
    for (std::size_t i = 0; i < 2; ++i) {
        BASS_StreamFree(streams[i]);
        BASS_MIDI_FontFree(fonts[i]);
    }
    std::remove(copy.c_str());
}

TEST_F(Engine, RefusalsGiveTheirErrorCodes) {
    const std::string song = tone(69, 0.2), junk = "MThd but not really a MIDI file";
    const std::string path = ::testing::TempDir() + "engine_range.bin", dir = ::testing::TempDir();
    std::ofstream(path, std::ios::binary) << "JUNK" << song << "TAIL";
    const HSTREAM range = BASS_MIDI_StreamCreateFile(0, path.c_str(), 4, song.size(), BASS_STREAM_DECODE, 0);
    ASSERT_NE(range, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(range, BASS_POS_BYTE), 4u * frames(0.2));
    BASS_StreamFree(range);
    const HSTREAM plain = BASS_MIDI_StreamCreateFile(1, song.data(), 0, song.size(), 0, 0);
    char buf[16];
    const struct {
        const char *what;
        std::function<bool()> call; // true when the call was refused
        int error;
    } cases[] = {
        {"junk bytes",
         [&] { return !BASS_MIDI_StreamCreateFile(1, junk.data(), 0, junk.size(), BASS_STREAM_DECODE, 0); },
         BASS_ERROR_FILEFORM},
        {"missing file", [&] { return !BASS_MIDI_StreamCreateFile(0, "/nonexistent.mid", 0, 0, 0, 0); },
         BASS_ERROR_FILEOPEN},
        {"a folder", [&] { return !BASS_MIDI_StreamCreateFile(0, dir.c_str(), 0, 0, BASS_STREAM_DECODE, 0); },
         BASS_ERROR_FILEOPEN},
        {"over the size limit",
         [&] {
             return !BASS_MIDI_StreamCreateFile(1, song.data(), 0, cantora::audio::kMaxSongBytes + 1,
                                                BASS_STREAM_DECODE, 0);
         },
         BASS_ERROR_FILEFORM},
        {"missing font", [&] { return !BASS_MIDI_FontInit("/nonexistent.sf2", 0); }, BASS_ERROR_FILEOPEN},
        {"not a font", [&] { return !BASS_MIDI_FontInit(CANTORA_SOURCE_DIR "/CMakeLists.txt", 0); },
         BASS_ERROR_FILEFORM},
        {"second init", [&] { return !BASS_Init(0, 44100, 0, nullptr, nullptr); }, BASS_ERROR_ALREADY},
        {"data of a playing stream", [&] { return BASS_ChannelGetData(plain, buf, 16) == DWORD(-1); },
         BASS_ERROR_NOTAVAIL},
        {"unknown effect", [&] { return !BASS_ChannelSetFX(plain, 0x12345, 0); }, BASS_ERROR_ILLTYPE},
    };
    for (const auto &c : cases) {
        EXPECT_TRUE(c.call()) << c.what;
        EXPECT_EQ(BASS_ErrorGetCode(), c.error) << c.what;
    }
    EXPECT_FALSE(BASS_ChannelPlay(plain, 0)) << "the no-sound device plays nothing";
    BASS_StreamFree(plain);
    std::remove(path.c_str());
}

TEST_F(Engine, EffectsOnAStreamRunInPriorityOrder) {
    const std::string song = tone(69, 1.0);
    const HSTREAM one = decodeStream(song);
    const HFX eq = BASS_ChannelSetFX(one, BASS_FX_BFX_PEAKEQ, 0);
    const BASS_BFX_PEAKEQ band{0, 2.5f, 1.0f, 440.0f, 6.0f, BASS_BFX_CHANALL};
    ASSERT_TRUE(BASS_FXSetParameters(eq, &band));
    EXPECT_TRUE(BASS_ChannelRemoveFX(one, eq));
    EXPECT_FALSE(BASS_FXSetParameters(eq, &band));
    BASS_StreamFree(one);

    // Higher priority first, equal ones in the order they were set: a 20 dB
    // boost then a compressor is quieter than the reverse.
    const auto level = [&](bool eqSetFirst, int eqPriority, int compPriority) {
        const HSTREAM h = decodeStream(song);
        const BASS_BFX_PEAKEQ boost{0, 2.5f, 1.0f, 440.0f, 20.0f, BASS_BFX_CHANALL};
        const BASS_BFX_COMPRESSOR2 squash{0.0f, -30.0f, 10.0f, 1.0f, 100.0f, BASS_BFX_CHANALL};
        for (bool eqNow : {eqSetFirst, !eqSetFirst}) {
            if (eqNow)
                BASS_FXSetParameters(BASS_ChannelSetFX(h, BASS_FX_BFX_PEAKEQ, eqPriority), &boost);
            else
                BASS_FXSetParameters(BASS_ChannelSetFX(h, BASS_FX_BFX_COMPRESSOR2, compPriority), &squash);
        }
        const double db = rmsDb(decodeFloat(h, frames(0.6)), frames(0.2));
        BASS_StreamFree(h);
        return db;
    };
    const double eqThenComp = level(true, 0, 0), compThenEq = level(false, 0, 0);
    EXPECT_GT(compThenEq - eqThenComp, 3);
    EXPECT_NEAR(level(false, 1, 0), eqThenComp, 0.1);
    EXPECT_NEAR(level(true, 0, 1), compThenEq, 0.1);
}

TEST_F(Engine, SixteenBitOutputPastFullScaleClampsInsteadOfWrapping) {
    // The same song as float and as 16-bit, 30 dB past full scale.
    const std::string song = tone(69, 0.5);
    const auto loud = [&](DWORD flags) {
        const HSTREAM h = decodeStream(song, flags);
        const BASS_BFX_COMPRESSOR2 gain{30.0f, 0.0f, 1.0f, 1.0f, 1.0f, BASS_BFX_CHANALL};
        EXPECT_TRUE(BASS_FXSetParameters(BASS_ChannelSetFX(h, BASS_FX_BFX_COMPRESSOR2, 0), &gain));
        return h;
    };
    const HSTREAM f = loud(BASS_SAMPLE_FLOAT), i16 = loud(0);
    const auto ref = decodeFloat(f, frames(0.4));
    std::vector<std::int16_t> pcm(ref.size());
    for (DWORD got = 0; got < pcm.size() * 2;) {
        const DWORD n = BASS_ChannelGetData(i16, reinterpret_cast<char *>(pcm.data()) + got,
                                            std::min<DWORD>(8192, DWORD(pcm.size() * 2) - got));
        ASSERT_NE(n, DWORD(-1));
        got += n;
    }
    std::size_t over = 0;
    for (std::size_t k = 0; k < ref.size(); ++k) {
        over += std::fabs(ref[k]) >= 1.0f;
        const double want = std::clamp(ref[k] * 32768.0, -32768.0, 32767.0);
        ASSERT_NEAR(pcm[k], want, 1.0) << k;
    }
    EXPECT_GT(over, ref.size() / 10);
    BASS_StreamFree(f);
    BASS_StreamFree(i16);
}

// Controllers set from outside hold against the song's own, through its
// later events and a seek's chase, until they are released.
TEST_F(Engine, ControllersSetByTheUserStandAgainstTheSongAndASeeksChaseUntilReleased) {
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
    BASS_StreamFree(h);
}

// The sound device must not take the process's signals: a player that
// ignores SIGTERM or Ctrl-C cannot be stopped from outside.
TEST(EngineDevice, SdlLeavesTerminationSignalsAlone) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto out = cantora::audio::makeSdlOutput(-1);
    ASSERT_TRUE(out->open(44100, [](float *buf, std::size_t n) { std::fill(buf, buf + 2 * n, 0.0f); }));
    for (int sig : {SIGINT, SIGTERM}) {
        struct sigaction now {};
        sigaction(sig, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << "signal " << sig;
    }
    out->close();
}

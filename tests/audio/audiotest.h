#pragma once
// Helpers for the engine tests: songs built in memory, decoding them through the engine, and measuring what comes out.

#include "audio/bass.h"
#include "audio/midiwriter.h"
#include "audio/output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace cantora::audiotest {

constexpr double kRate = 44100.0;

// A float decode stream over a song held in `bytes` (kept alive by the caller).
inline HSTREAM decodeStream(const std::string &bytes, DWORD flags = BASS_SAMPLE_FLOAT) {
    return BASS_MIDI_StreamCreateFile(1, bytes.data(), 0, bytes.size(), BASS_STREAM_DECODE | flags, 44100);
}

// Decodes up to `frames` float stereo frames (fewer at the end).
inline std::vector<float> decodeFloat(HSTREAM h, std::size_t frames) {
    std::vector<float> out(2 * frames);
    std::size_t got = 0;
    while (got < frames) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(frames - got, 4096) * 8);
        const DWORD n = BASS_ChannelGetData(h, out.data() + 2 * got, want);
        if (n == DWORD(-1) || n == 0)
            break;
        got += n / 8;
    }
    out.resize(2 * got);
    return out;
}

// RMS level in dB (full scale 1.0) of the left channel over [from, to) frames.
inline double rmsDb(const std::vector<float> &x, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    to = std::min(to, x.size() / 2);
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(x[2 * i]) * x[2 * i];
    const double rms = to > from ? std::sqrt(sum / double(to - from)) : 0;
    return 20 * std::log10(rms + 1e-12);
}

// Power of one frequency in the left channel over [from, to) (Goertzel).
inline double power(const std::vector<float> &x, double hz, std::size_t from, std::size_t to) {
    const double k = 2 * std::cos(2 * M_PI * hz / kRate);
    double s1 = 0, s2 = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double s = x[2 * i] + k * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return s1 * s1 + s2 * s2 - k * s1 * s2;
}

// Reverb and chorus sends off on `channel` at `tick`, so its tone is clean.
inline void dry(audio::MidiWriter &w, int track, int channel, std::uint64_t tick = 0) {
    w.controller(track, tick, channel, 91, 0);
    w.controller(track, tick, channel, 93, 0);
}

inline std::size_t frames(double seconds) { return static_cast<std::size_t>(seconds * kRate); }

// A suite on the "no sound" device with the test SoundFont as every stream's default font.
class EngineWithFont : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
        font_ = BASS_MIDI_FontInit(CANTORA_TEST_SF2, 0);
        ASSERT_NE(font_, 0u);
    }
    static void TearDownTestSuite() {
        BASS_Free();
        BASS_MIDI_FontFree(font_);
    }
    void SetUp() override {
        const BASS_MIDI_FONT rec{font_, -1, 0};
        BASS_MIDI_StreamSetFonts(0, &rec, 1);
    }
    static inline HSOUNDFONT font_ = 0;
};

// Starts the engine on an output that plays only when the test pumps it; `out`
// is always the output in use (a Play may open the device again).
inline void initPumped(audio::PumpedOutput *&out) {
    audio::setOutputFactory([&out](int) {
        auto o = audio::makePumpedOutput();
        out = o.get();
        return o;
    });
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
}

// The engine on a silent output, and a scratch folder of each test's own that write() puts song files into.
class SilentEngine : public ::testing::Test {
protected:
    void SetUp() override {
        audio::setOutputFactory([](int) { return audio::makeNullOutput(); });
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
        const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("cantora_" + std::to_string(::getpid()) + "_" + test->test_suite_name() + "_" + test->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        BASS_Free();
        std::filesystem::remove_all(dir);
    }
    std::string write(const std::string &name, const std::string &bytes) {
        auto p = (dir / name).string();
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    std::filesystem::path dir;
};

} // namespace cantora::audiotest

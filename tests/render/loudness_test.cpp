// Even loudness: the meter against the EBU reference tones, the gain stage
// with and without its limiter, a WAV file normalised whole, the option.

#include "render/loudness.h"

#include "render/wavbytes.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace cantora::render;

namespace {

// A 1 kHz tone at `dbfs` (peak) on every channel, `seconds` long, with a full-scale click every second when `clicks`.
std::vector<std::int16_t> tone(double dbfs, int channels, double seconds, bool clicks = false) {
    const auto frames = static_cast<std::size_t>(44100 * seconds);
    std::vector<std::int16_t> s;
    for (std::size_t i = 0; i < frames; ++i) {
        const double v =
            (clicks && i % 44100 == 22050) ? 1.0 : std::pow(10, dbfs / 20) * std::sin(2 * M_PI * 1000 * i / 44100.0);
        for (int c = 0; c < channels; ++c)
            s.push_back(static_cast<std::int16_t>(std::lround(v * 32767)));
    }
    return s;
}

struct Measured {
    double lufs, peak;
    std::size_t samples;
};
Measured measure(const std::vector<std::int16_t> &s, int channels) {
    LoudnessMeter m(44100, static_cast<std::uint16_t>(channels));
    m.add(s.data(), s.size() / channels);
    return {m.lufs(), m.truePeakDb(), s.size()};
}

TEST(Loudness, MeterReadsTheReferenceTones) {
    const struct {
        double dbfs;
        int channels;
        double lufs;
    } cases[] = {{-23, 2, -23.0}, {-33, 2, -33.0}, {-23, 1, -26.01}};
    for (const auto &c : cases) {
        const Measured m = measure(tone(c.dbfs, c.channels, 5), c.channels);
        EXPECT_NEAR(m.lufs, c.lufs, 0.1) << c.dbfs << " dBFS, " << c.channels << " channels";
        EXPECT_NEAR(m.peak, c.dbfs, 0.1);
    }
    EXPECT_TRUE(std::isinf(measure(std::vector<std::int16_t>(88200), 2).lufs)) << "silence has no loudness";
    EXPECT_EQ(normalizeGainDb(-INFINITY, {}), 0) << "silence gets no gain";
    EXPECT_EQ(normalizeGainDb(-90, {}), kMaxNormalizeGainDb);
}

TEST(Loudness, GainStageKeepsLengthAndLimitsOnlyWhenAsked) {
    const struct {
        std::optional<double> ceiling;
        double lufsWithin, maxPeak; // the limiter takes some loudness with the clicks
    } cases[] = {{std::nullopt, 0.05, 0.1}, {-3.0, 1.5, -3.0 + 0.1}};
    for (const auto &c : cases) {
        const auto in = tone(-30, 2, 3, c.ceiling.has_value()); // unlimited, clicks would clip
        GainStage stage(20, c.ceiling, 2);
        std::vector<std::int16_t> out;
        for (std::size_t at = 0; at < in.size(); at += 2 * 1000) // in uneven blocks
            stage.process(in.data() + at, std::min<std::size_t>(1000, (in.size() - at) / 2), out);
        stage.flush(out);
        const Measured m = measure(out, 2);
        EXPECT_EQ(m.samples, in.size());
        EXPECT_NEAR(m.lufs, measure(in, 2).lufs + 20, c.lufsWithin);
        EXPECT_LE(m.peak, c.maxPeak);
    }
}

TEST(Loudness, WavFileNormalisedToTheTarget) {
    wavbytes::TempDir dir;
    for (const double level : {-40.0, -16.5, -8.0}) { // -16.5: the clicks end just over the ceiling
        const auto s = tone(level, 2, 4, true);
        wavbytes::save(dir / "in.wav",
                       wavbytes::wav(std::string(reinterpret_cast<const char *>(s.data()), s.size() * 2)));
        LoudnessReport r;
        ASSERT_EQ(normalizeWavFile(dir / "in.wav", dir / "out.wav", {}, r), "");
        EXPECT_NEAR(r.outputLufs, -16, 0.1) << level;
        EXPECT_LE(r.outputTruePeakDb, -1) << level;
        EXPECT_EQ(std::filesystem::file_size(dir / "out.wav"), std::filesystem::file_size(dir / "in.wav"));
    }
    LoudnessReport r;
    EXPECT_NE(normalizeWavFile(dir / "missing.wav", dir / "out2.wav", {}, r), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "out2.wav"));
}

TEST(Loudness, NormalizeOption) {
    const struct {
        const char *arg;
        std::optional<double> lufs; // nothing: refused
    } cases[] = {{"--normalize", -16},     {"--normalize=-14.5", -14.5}, {"--normalize=", {}},
                 {"--normalize=loud", {}}, {"--normalize=0", {}},        {"--normalize=-16x", {}},
                 {"--normalize=-5", -5},   {"--normalize=-70", -70},     {"--normalize=-4.9", {}},
                 {"--normalize=-70.1", {}}};
    for (const auto &c : cases) {
        std::optional<LoudnessTarget> t;
        const std::string why = applyNormalizeOption(c.arg, t);
        EXPECT_EQ(why.empty(), c.lufs.has_value()) << c.arg;
        if (c.lufs) {
            EXPECT_EQ(t->lufs, *c.lufs) << c.arg;
        }
    }
}

} // namespace

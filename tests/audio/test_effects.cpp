#include "audio/effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace cantora::audio;

namespace {

std::vector<float> sine(double hz, double amplitude, std::size_t frames) {
    std::vector<float> x(2 * frames);
    for (std::size_t i = 0; i < frames; ++i)
        x[2 * i] = x[2 * i + 1] = static_cast<float>(amplitude * std::sin(2 * M_PI * hz * double(i) / 44100));
    return x;
}

// Level in dB of the second half (past the filter's settling), channel ch.
double levelDb(const std::vector<float> &x, int ch = 0) {
    const std::size_t n = x.size() / 2;
    double sum = 0;
    for (std::size_t i = n / 2; i < n; ++i)
        sum += double(x[2 * i + ch]) * x[2 * i + ch];
    return 10 * std::log10(sum / double(n - n / 2));
}

double eqGain(PeakEq &eq, double hz) {
    auto x = sine(hz, 0.25, 44100);
    const double before = levelDb(x);
    eq.process(x.data(), x.size() / 2);
    return levelDb(x) - before;
}

} // namespace

TEST(PeakEq, GainAtAndAroundTheCentreByBandwidthOrQ) {
    // Bandwidth in octaves wins over Q; Q counts only when the bandwidth is
    // 0. A cut is as deep as a boost.
    struct Case {
        float octaves, q, centre, gain;
        double probe, expected;
    } const cases[] = {
        {2.5f, 1.0f, 1000.0f, 6.0f, 1000, 6.0},   {2.5f, 1.0f, 1000.0f, 6.0f, 60, 0.0},
        {1.0f, 0.0f, 4000.0f, -6.0f, 4000, -6.0}, {2.5f, 1.0f, 1000.0f, 10.0f, 2000, 6.2},
        {0.0f, 1.0f, 1000.0f, 10.0f, 2000, 3.2},  {2.5f, 1.0f, 1000.0f, 10.0f, 1000, 10.0},
    };
    for (const Case &c : cases) {
        PeakEq eq(44100);
        ASSERT_TRUE(eq.setBand({0, c.octaves, c.q, c.centre, c.gain, kAllChannels}));
        EXPECT_NEAR(eqGain(eq, c.probe), c.expected, 0.5) << c.octaves << " oct, Q " << c.q << " at " << c.probe;
    }
}

TEST(PeakEq, BandsAreAddressedByNumberAndChannelsByMask) {
    PeakEq eq(44100);
    const PeakEqBand low{0, 2.5f, 1.0f, 200.0f, 3.0f, kAllChannels};
    const PeakEqBand high{1, 2.5f, 1.0f, 8000.0f, -4.0f, 1}; // left only
    ASSERT_TRUE(eq.setBand(low));
    ASSERT_TRUE(eq.setBand(high));
    PeakEqBand read{};
    ASSERT_TRUE(eq.band(1, read));
    EXPECT_FLOAT_EQ(read.centerHz, 8000.0f);
    EXPECT_FLOAT_EQ(read.gainDb, -4.0f);
    EXPECT_FALSE(eq.band(2, read));

    auto x = sine(8000, 0.25, 44100);
    const double before = levelDb(x, 1);
    eq.process(x.data(), x.size() / 2);
    EXPECT_NEAR(levelDb(x, 0) - before, -4.0, 0.5);
    EXPECT_NEAR(levelDb(x, 1) - before, 0.0, 0.3);

    const PeakEqBand bad{0, 2.5f, 1.0f, 0.0f, 3.0f, kAllChannels};
    EXPECT_FALSE(eq.setBand(bad));
}

TEST(Compressor, LowersPeaksAboveTheThresholdOnly) {
    Compressor c(44100);
    const CompressorSettings p{0.0f, -15.0f, 3.0f, 10.0f, 200.0f, kAllChannels};
    ASSERT_TRUE(c.set(p));
    auto loud = sine(440, 1.0, 44100); // 0 dB peaks, 15 dB over
    c.process(loud.data(), loud.size() / 2);
    float peak = 0;
    for (std::size_t i = loud.size() / 2; i < loud.size(); ++i)
        peak = std::max(peak, std::fabs(loud[i]));
    EXPECT_LT(20 * std::log10(peak), -6.0); // about 10 dB of reduction

    Compressor quietOne(44100);
    quietOne.set(p);
    auto quiet = sine(440, 0.05, 44100); // -26 dB: under the threshold
    const double before = levelDb(quiet);
    quietOne.process(quiet.data(), quiet.size() / 2);
    EXPECT_NEAR(levelDb(quiet) - before, 0.0, 0.1);

    // The output gain is make-up gain in dB.
    Compressor makeup(44100);
    CompressorSettings g = p;
    g.gainDb = 6.0f;
    makeup.set(g);
    auto q2 = sine(440, 0.05, 44100);
    makeup.process(q2.data(), q2.size() / 2);
    EXPECT_NEAR(levelDb(q2) - before, 6.0, 0.1);
}

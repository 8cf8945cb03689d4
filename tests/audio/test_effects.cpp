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
    // Bandwidth in octaves wins over Q; Q counts only when the bandwidth is 0. A cut is as deep as a boost.
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
    ASSERT_TRUE(eq.setBand({0, 2.5f, 1.0f, 200.0f, 3.0f, kAllChannels}));
    ASSERT_TRUE(eq.setBand({1, 2.5f, 1.0f, 8000.0f, -4.0f, 1})); // left only
    PeakEqBand read{};
    EXPECT_FALSE(eq.band(2, read));

    auto x = sine(8000, 0.25, 44100);
    const double before = levelDb(x, 1);
    eq.process(x.data(), x.size() / 2);
    EXPECT_NEAR(levelDb(x, 0) - before, -4.0, 0.5);
    EXPECT_NEAR(levelDb(x, 1) - before, 0.0, 0.3);

    EXPECT_FALSE(eq.setBand({0, 2.5f, 1.0f, 0.0f, 3.0f, kAllChannels})) << "no centre";
}

TEST(Compressor, LowersPeaksAboveTheThresholdByItsRatio) {
    Compressor c(44100);
    ASSERT_TRUE(c.set({0.0f, -15.0f, 3.0f, 10.0f, 200.0f, kAllChannels}));
    auto loud = sine(440, 1.0, 44100); // 0 dB peaks, 15 dB over: about 10 dB of reduction
    c.process(loud.data(), loud.size() / 2);
    float peak = 0;
    for (std::size_t i = loud.size() / 2; i < loud.size(); ++i)
        peak = std::max(peak, std::fabs(loud[i]));
    EXPECT_NEAR(20 * std::log10(peak), -10.0, 2.0);
}

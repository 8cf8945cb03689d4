#include "audio/tempomap.h"

#include <gtest/gtest.h>

using cantora::audio::TempoMap;

// 480 ticks per quarter; 120 bpm, then 240 bpm from tick 960, then 60 bpm
// from tick 1920: tick 960 = 1 s, 1920 = 1.5 s, 2400 = 2.5 s.
TEST(TempoMap, TicksSecondsAndFramesFollowEveryTempoChange) {
    const TempoMap map(480, {{1920, 1000000}, {960, 250000}}, 44100);
    for (auto [tick, seconds] :
         {std::pair{480.0, 0.5}, {960, 1.0}, {1440, 1.25}, {1920, 1.5}, {2400, 2.5}, {240, 0.25}}) {
        EXPECT_DOUBLE_EQ(map.tickToSeconds(tick), seconds) << tick;
        EXPECT_NEAR(map.secondsToTick(seconds), tick, 1e-9) << seconds;
    }
    EXPECT_DOUBLE_EQ(map.tickToFrame(1440), 55125.0);
    EXPECT_NEAR(map.frameToTick(55125.0), 1440, 1e-9);
    EXPECT_EQ(map.tempoAt(959), 500000u);
    EXPECT_EQ(map.tempoAt(960), 250000u);
    EXPECT_EQ(map.tempoAt(5000), 1000000u);
}

TEST(TempoMap, DefaultsOddInputAndSampleRounding) {
    // No tempo event: 120 bpm. A zero tempo is ignored; of two tempos on one
    // tick the later counts; a zero division is read as 480.
    EXPECT_DOUBLE_EQ(TempoMap(96, {}, 44100).tickToSeconds(96), 0.5);
    const TempoMap odd(0, {{0, 0}, {480, 1000000}, {480, 250000}}, 44100);
    EXPECT_DOUBLE_EQ(odd.tickToSeconds(480), 0.5);
    EXPECT_DOUBLE_EQ(odd.tickToSeconds(960), 0.75);
    EXPECT_EQ(odd.tempoAt(480), 250000u);
    // A sample index rounds up but forgives rounding noise.
    for (auto [at, sample] : {std::pair{0.0, 0u}, {10.0, 10u}, {10.0 + 1e-9, 10u}, {10.25, 11u}})
        EXPECT_EQ(TempoMap::sampleOf(at), sample) << at;
}

// The render options: each taken, the tempo's ends, and the refusals' wording.
#include "player/liveoptions.h"

#include <gtest/gtest.h>

using namespace cantora::player;

namespace {
// An option and its value as the command line gives them: "--key 25".
std::string apply(const std::string &given, LiveSettings &s) {
    const std::size_t space = given.find(' ');
    return applyLiveOption(given.substr(0, space), given.substr(space + 1), s);
}
} // namespace

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

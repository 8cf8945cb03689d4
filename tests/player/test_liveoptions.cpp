// The render options: what each value sets, and the refusals' wording.
#include "player/liveoptions.h"

#include <gtest/gtest.h>

using namespace cantora::player;

TEST(LiveOptions, EachOptionSetsWhatTheWindowWould) {
    LiveSettings s;
    for (auto [o, v] : std::initializer_list<std::pair<const char *, const char *>>{{"--tempo", "10"},
                                                                                    {"--key", "-3"},
                                                                                    {"--channel-key", "3:2"},
                                                                                    {"--volume", "2:90"},
                                                                                    {"--pan", "2:0"},
                                                                                    {"--reverb", "16:127"},
                                                                                    {"--chorus", "1:5"},
                                                                                    {"--program", "10:16"},
                                                                                    {"--mute", "1"},
                                                                                    {"--solo", "4"},
                                                                                    {"--font-volume", "9"},
                                                                                    {"--eq", "7:-10"},
                                                                                    {"--compressor", "15"}})
        EXPECT_EQ(applyLiveOption(o, v, s), "") << o << " " << v;
    EXPECT_FLOAT_EQ(s.tempoFactor, 20.0f / 22.0f); // slider 8: 10% faster
    EXPECT_EQ(s.key, -3);
    EXPECT_EQ(s.channels[2].key, 2);
    EXPECT_EQ(s.channels[1].volume, 90);
    EXPECT_EQ(s.channels[1].pan, 0);
    EXPECT_EQ(s.channels[15].reverb, 127);
    EXPECT_EQ(s.channels[0].chorus, 5);
    EXPECT_EQ(s.channels[9].program, 16);
    EXPECT_TRUE(s.channels[0].mute);
    EXPECT_TRUE(s.channels[3].solo);
    EXPECT_FLOAT_EQ(*s.fontVolume, 0.9f);
    EXPECT_TRUE(s.equalizer);
    EXPECT_FLOAT_EQ(s.eqGains[6], -10);
    EXPECT_TRUE(s.compressor);
    EXPECT_FLOAT_EQ(s.compressorGain, 15);
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
    EXPECT_NE(applyLiveOption("--key", "", s), "");
    EXPECT_NE(applyLiveOption("--key", "3x", s), "");
    EXPECT_NE(applyLiveOption("--volume", "1:2:3", s), "");
    EXPECT_NE(applyLiveOption("--volume", ":3", s), "");
    EXPECT_NE(applyLiveOption("--eq", "3:+", s), "");
    EXPECT_NE(applyLiveOption("--compressor", "99999999999", s), "");
    EXPECT_TRUE(s == before);
    EXPECT_TRUE(isLiveOption("--channel-key"));
    EXPECT_FALSE(isLiveOption("--soundfont"));
}

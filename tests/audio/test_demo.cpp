// The committed demo song is what its generator builds, and it is a karaoke
// song the player can show: lyrics by syllable, tempo changes, drums.
#include "../tools/demo_song.h"
#include "audio/midifile.h"
#include "audio/tempomap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

using namespace cantora::audio;

TEST(DemoSong, CommittedFileMatchesTheGenerator) {
    std::ifstream in(CANTORA_SOURCE_DIR "/data/demo.kar", std::ios::binary);
    ASSERT_TRUE(in) << "data/demo.kar missing";
    const std::string committed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(committed == cantora::demo::demoSongBytes())
        << "data/demo.kar is stale: rebuild it with make_demo data/demo.kar";
}

TEST(DemoSong, IsAKaraokeSongOfAboutAMinute) {
    const auto r = readMidi(cantora::demo::demoSongBytes());
    ASSERT_TRUE(r.ok());
    int lyrics = 0, lines = 0;
    bool drums = false;
    std::uint64_t lastTick = 0;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> tempoMap;
    for (const auto &t : r.file.tracks) {
        for (const auto &e : t.events) {
            lastTick = std::max(lastTick, e.tick);
            if (e.isMeta() && e.metaType == 0x51)
                tempoMap.emplace_back(e.tick, std::uint32_t(std::uint8_t(e.data[0])) << 16 |
                                                  std::uint32_t(std::uint8_t(e.data[1])) << 8 |
                                                  std::uint8_t(e.data[2]));
            lyrics += e.isMeta() && e.metaType == 0x05;
            lines += e.isMeta() && e.metaType == 0x05 && (e.data[0] == '/' || e.data[0] == '\\');
            drums |= e.kind() == 0x90 && e.channel() == 9;
        }
    }
    EXPECT_EQ(tempoMap.size(), 3u);
    EXPECT_GE(lyrics, 20);
    EXPECT_EQ(lines, 12);
    EXPECT_TRUE(drums);
    const double seconds = TempoMap(r.file.division, tempoMap, 44100).tickToSeconds(double(lastTick));
    EXPECT_GT(seconds, 40);
    EXPECT_LT(seconds, 60);
}

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
    EXPECT_EQ(r.file.format, 1);
    EXPECT_FALSE(r.file.truncated);

    int tempos = 0, lyrics = 0, paragraphs = 0, lines = 0;
    bool drums = false;
    std::uint64_t lastTick = 0;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> tempoMap;
    for (const auto &t : r.file.tracks) {
        for (const auto &e : t.events) {
            lastTick = std::max(lastTick, e.tick);
            if (e.isMeta() && e.metaType == 0x51) {
                ++tempos;
                const auto b = [&](int i) { return static_cast<std::uint32_t>(static_cast<std::uint8_t>(e.data[i])); };
                tempoMap.emplace_back(e.tick, (b(0) << 16) | (b(1) << 8) | b(2));
            }
            if (e.isMeta() && e.metaType == 0x05) {
                ++lyrics;
                paragraphs += e.data[0] == '\\';
                lines += e.data[0] == '/';
            }
            drums |= e.kind() == 0x90 && e.channel() == 9;
        }
    }
    EXPECT_EQ(tempos, 3);
    EXPECT_GE(lyrics, 20);
    EXPECT_EQ(paragraphs, 2);
    EXPECT_EQ(lines, 10);
    EXPECT_TRUE(drums);

    const double seconds = TempoMap(r.file.division, tempoMap, 44100).tickToSeconds(double(lastTick));
    EXPECT_GT(seconds, 40);
    EXPECT_LT(seconds, 60);
}

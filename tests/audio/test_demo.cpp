// The committed demo song is what its generator builds.
#include "../tools/demo_song.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

TEST(DemoSong, CommittedFileMatchesTheGenerator) {
    std::ifstream in(CANTORA_SOURCE_DIR "/data/demo.kar", std::ios::binary);
    ASSERT_TRUE(in) << "data/demo.kar missing";
    const std::string committed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(committed == cantora::demo::demoSongBytes())
        << "data/demo.kar is stale: rebuild it with make_demo data/demo.kar";
}

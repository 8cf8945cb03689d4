// A karaoke MP3 made by the command line (render, encode, tag with lyrics)
// played by the player: the length it reports is the decoded sample count,
// which is the rendered WAV's, and it plays to exactly that end.

#include "audio/midiwriter.h"
#include "playback/mediagraph.h"
#include "playback/mp3decoder.h"
#include "playback/mp3player.h"
#include "playback/playbackoutput.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace cantora::playback;
namespace fs = std::filesystem;

namespace {

int run(const std::string &command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

std::int64_t decodedFrames(const std::string &path) {
    Mp3Decoder d;
    EXPECT_TRUE(d.openFile(path)) << d.error();
    std::vector<float> buf(8192);
    std::int64_t total = 0;
    while (std::size_t n = d.read(buf.data(), 4096))
        total += static_cast<std::int64_t>(n);
    return total;
}

} // namespace

TEST(KaraokeMp3, PlaysToTheEndOfItsDecodedSamples) {
    const std::string cli = std::string(CANTORA_BIN_DIR) + "/cantora-cli";
    ASSERT_TRUE(fs::exists(cli)) << "cantora-cli is not built";
    const fs::path dir = fs::temp_directory_path() / ("cantora_karaoke_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string song = (dir / "song.mid").string(), wav = (dir / "song.wav").string();
    const std::string mp3 = (dir / "song.mp3").string();
    cantora::audio::MidiWriter w(480);
    const int t = w.addTrack();
    w.noteOn(t, 0, 0, 60, 100);
    w.noteOff(t, 1920, 0, 60); // 2 s
    std::ofstream(song, std::ios::binary) << w.bytes();
    std::ofstream(dir / "song.lrc") << "[00:01]Twinkle, twinkle\r\n";

    ASSERT_EQ(run(cli + " render " + song + " " + wav), 0);
    ASSERT_EQ(run(cli + " encode " + wav + " " + mp3), 0);
    const auto untagged = fs::file_size(mp3);
    ASSERT_EQ(run(cli + " tag " + mp3 + " --title Twinkle --lyrics " + (dir / "song.lrc").string()), 0);
    ASSERT_GT(fs::file_size(mp3), untagged) << "the lyrics block is in the file";

    const std::int64_t frames = decodedFrames(mp3);
    EXPECT_EQ(frames, static_cast<std::int64_t>((fs::file_size(wav) - 44) / 4))
        << "the encoder's delay and padding are cut, the tags add no sound";

    ManualOutput *device = nullptr;
    Mp3Player player([&] {
        auto out = std::make_unique<ManualOutput>(512);
        device = out.get();
        return makeMp3Graph(std::move(out));
    });
    player.SetPlayTimer(true);
    player.Start_Play(mp3);
    ASSERT_EQ(player.PlayerState(), "true");
    EXPECT_DOUBLE_EQ(player.Duration(), frames / 44100.0);
    device->pump(static_cast<std::size_t>(frames) + 512 + 4410);
    EXPECT_DOUBLE_EQ(player.CurrentPosition(), frames / 44100.0);
    player.Tick();
    EXPECT_EQ(player.PlayerState(), "false");
    fs::remove_all(dir);
}

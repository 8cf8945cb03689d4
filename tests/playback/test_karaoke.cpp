// A karaoke MP3 made by the command line (render, encode, tag with lyrics)
// played through the SDL device (the dummy driver in tests): the length the
// player reports is the decoded sample count, which is the rendered WAV's,
// and the position follows the frames the device took.

#include "playback/mediagraph.h"
#include "playback/mp3decoder.h"
#include "playback/mp3player.h"
#include "playback/playbackoutput.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace cantora::playback;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The SDL device, counting the frames it pulls.
class CountingOutput : public PlaybackOutput {
public:
    explicit CountingOutput(std::atomic<std::int64_t> &pulled) : inner_(makeSdlPlaybackOutput()), pulled_(pulled) {}
    bool open(int rate, PullFn pull) override {
        return inner_->open(rate, [this, pull](float *out, std::size_t frames) {
            pull(out, frames);
            pulled_ += static_cast<std::int64_t>(frames);
        });
    }
    void close() override { inner_->close(); }
    std::size_t latencyFrames() const override { return inner_->latencyFrames(); }

private:
    std::unique_ptr<PlaybackOutput> inner_;
    std::atomic<std::int64_t> &pulled_;
};

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

TEST(KaraokeMp3, PlaysThroughTheSoundDeviceWithPositionsOfItsDecodedSamples) {
    const std::string cli = std::string(CANTORA_BIN_DIR) + "/cantora-cli";
    if (!fs::exists(cli))
        GTEST_SKIP() << "cantora-cli is not built";
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    const fs::path dir = fs::temp_directory_path() / ("cantora_karaoke_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string wav = (dir / "song.wav").string(), mp3 = (dir / "song.mp3").string();
    const std::string plain = (dir / "plain.mp3").string(), lrc = (dir / "song.lrc").string();

    ASSERT_EQ(run(cli + " render " + CANTORA_SOURCE_DIR + "/data/demo.kar " + wav), 0);
    ASSERT_EQ(run(cli + " encode " + wav + " " + mp3), 0);
    fs::copy_file(mp3, plain);
    std::ofstream(lrc) << "[00:02]Twinkle, twinkle, little star,\r\n[00:06]How I wonder what you are\r\n";
    ASSERT_EQ(run(cli + " tag " + mp3 + " --title Twinkle --lyrics " + lrc), 0);
    ASSERT_GT(fs::file_size(mp3), fs::file_size(plain)) << "the lyrics block is in the file";

    const auto wavFrames = static_cast<std::int64_t>((fs::file_size(wav) - 44) / 4);
    const std::int64_t frames = decodedFrames(mp3);
    EXPECT_EQ(frames, wavFrames) << "the encoder's delay and padding are cut";
    EXPECT_EQ(decodedFrames(plain), frames) << "the tags at the end add no sound";

    std::atomic<std::int64_t> pulled{0};
    CountingOutput *device = nullptr;
    Mp3Player player([&] {
        auto out = std::make_unique<CountingOutput>(pulled);
        device = out.get();
        return makeMp3Graph(std::move(out));
    });
    player.SetPlayTimer(true);
    player.Start_Play(mp3);
    ASSERT_EQ(player.PlayerState(), "true");
    const auto latency = static_cast<std::int64_t>(device->latencyFrames());
    EXPECT_GT(latency, 0);
    EXPECT_DOUBLE_EQ(player.Duration(), frames / 44100.0);
    player.Tick();
    EXPECT_EQ(player.lblDuracion(), "00:52");

    std::this_thread::sleep_for(1s);
    // The device may pull between the reads: bracket the position.
    const std::int64_t before = pulled;
    const double heard = player.CurrentPosition();
    const std::int64_t after = pulled;
    EXPECT_LE(heard * 44100, double(after));
    EXPECT_GE(heard * 44100, double(before - latency - 1024)) << "one device buffer may be mid-pull";
    EXPECT_GT(heard, 0.2);
    EXPECT_LT(heard, 2.0);

    // Near the end: the timer stops the player where the samples run out.
    ASSERT_TRUE(player.Graph()->SetCurrentPosition(player.Duration() - 0.4));
    double last = 0;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (player.PlayerState() == "true" && std::chrono::steady_clock::now() < deadline) {
        last = player.CurrentPosition();
        player.Tick();
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(player.PlayerState(), "false");
    EXPECT_DOUBLE_EQ(last, frames / 44100.0);
    fs::remove_all(dir);
}

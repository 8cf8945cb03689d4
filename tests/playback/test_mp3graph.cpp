// The libmpg123 graph on MP3 files encoded here, pulled by hand so that
// every position is exact: lengths, play, pause, seek, volume, what a
// device's latency does to the position, and files that cannot be played.

#include "playback/mediagraph.h"
#include "playback/mp3decoder.h"
#include "playback/mp3player.h"
#include "playback/playbackoutput.h"
#include "tonemp3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace cantora::playback;
namespace fs = std::filesystem;

namespace {

constexpr int kFrames = 3 * tonemp3::kRate + 1234; // 3.03 s
constexpr double kTolerance = 0.020;               // seconds

class Mp3Files : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = fs::temp_directory_path() / ("cantora_playback_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        withHeader = tonemp3::write((dir / "xing.mp3").string(), tonemp3::encode(kFrames, true));
        plain = tonemp3::write((dir / "plain.mp3").string(), tonemp3::encode(kFrames, false));
    }
    static void TearDownTestSuite() { fs::remove_all(dir); }

    // A graph over a hand-pumped output the test keeps a pointer to.
    std::unique_ptr<MediaGraph> graph(std::size_t latency = 0) {
        auto out = std::make_unique<ManualOutput>(latency);
        output = out.get();
        return makeMp3Graph(std::move(out));
    }

    // Pulls `seconds` of sound in 10 ms blocks, as a device would.
    std::vector<float> pump(double seconds) {
        std::vector<float> all;
        for (int i = 0; i < std::lround(seconds * 100); ++i) {
            auto block = output->pump(441);
            all.insert(all.end(), block.begin(), block.end());
        }
        return all;
    }

    static std::vector<float> straightDecode(const std::string &path, std::int64_t from, std::size_t frames) {
        Mp3Decoder d;
        EXPECT_TRUE(d.openFile(path));
        std::vector<float> skip(static_cast<std::size_t>(from) * 2);
        EXPECT_EQ(d.read(skip.data(), static_cast<std::size_t>(from)), static_cast<std::size_t>(from));
        std::vector<float> out(frames * 2);
        out.resize(d.read(out.data(), frames) * 2);
        return out;
    }

    static inline fs::path dir;
    static inline std::string withHeader, plain;
    ManualOutput *output = nullptr;
};

std::size_t countFrames(Mp3Decoder &d) {
    std::vector<float> buf(4096 * 2);
    std::size_t total = 0;
    while (std::size_t n = d.read(buf.data(), 4096))
        total += n;
    return total;
}

} // namespace

TEST_F(Mp3Files, TheLengthIsExactFromTheHeaderAndScannedWithoutOne) {
    Mp3Decoder d;
    ASSERT_TRUE(d.openFile(withHeader)) << d.error();
    EXPECT_TRUE(d.lengthFromHeader());
    EXPECT_EQ(d.length(), kFrames) << "encoder delay and padding are cut";
    EXPECT_EQ(countFrames(d), static_cast<std::size_t>(kFrames));

    ASSERT_TRUE(d.openFile(plain)) << d.error();
    EXPECT_FALSE(d.lengthFromHeader());
    const auto scanned = d.length();
    EXPECT_EQ(scanned % 1152, 0) << "whole frames without a header";
    EXPECT_GE(scanned, kFrames);
    EXPECT_EQ(countFrames(d), static_cast<std::size_t>(scanned));
    auto g = graph();
    ASSERT_TRUE(g->RenderFile(tonemp3::write((dir / "48k.mp3").string(), tonemp3::encode(48000, true, 48000))));
    EXPECT_NEAR(g->Duration(), 1.0, 1e-9) << "a 48 kHz file lasts its frames at its own rate";
}

TEST_F(Mp3Files, PlayPauseResumeAndSeekMoveThePositionAsHeard) {
    auto g = graph();
    ASSERT_TRUE(g->RenderFile(withHeader)) << g->error();
    EXPECT_NEAR(g->Duration(), double(kFrames) / 44100, 1e-9);
    EXPECT_EQ(g->CurrentPosition(), 0.0);
    ASSERT_TRUE(g->Run());
    EXPECT_EQ(g->GetState(), GraphState::Running);

    pump(1.0);
    EXPECT_NEAR(g->CurrentPosition(), 1.0, kTolerance);

    g->Pause();
    EXPECT_EQ(g->GetState(), GraphState::Paused);
    const auto paused = pump(0.5);
    EXPECT_NEAR(g->CurrentPosition(), 1.0, kTolerance);
    EXPECT_TRUE(std::all_of(paused.begin(), paused.end(), [](float s) { return s == 0.0f; }));

    g->Run();
    pump(0.3);
    EXPECT_NEAR(g->CurrentPosition(), 1.3, kTolerance);

    ASSERT_TRUE(g->SetCurrentPosition(2.5));
    EXPECT_NEAR(g->CurrentPosition(), 2.5, kTolerance);
    pump(0.2);
    EXPECT_NEAR(g->CurrentPosition(), 2.7, kTolerance);
    ASSERT_TRUE(g->SetCurrentPosition(0.25));
    pump(0.1);
    EXPECT_NEAR(g->CurrentPosition(), 0.35, kTolerance);
}

TEST_F(Mp3Files, SamplesAfterASeekAreThoseOfAStraightDecode) {
    for (const std::string &file : {withHeader, plain}) {
        auto g = graph();
        ASSERT_TRUE(g->RenderFile(file));
        g->Run();
        pump(0.5);
        // Between two samples, nearer the later one.
        const double at = (76297 + 0.6) / 44100;
        ASSERT_TRUE(g->SetCurrentPosition(at));
        const auto played = output->pump(4410);
        const auto expected = straightDecode(file, 76298, 4410);
        ASSERT_EQ(played.size(), expected.size());
        double diff = 0, energy = 0;
        for (std::size_t i = 0; i < played.size(); ++i) {
            diff += (played[i] - expected[i]) * (played[i] - expected[i]);
            energy += expected[i] * expected[i];
        }
        EXPECT_GT(energy / played.size(), 1e-3) << "the tone is there";
        EXPECT_LE(std::sqrt(diff / played.size()), 1e-4) << file;
    }
}

TEST_F(Mp3Files, ThePositionIsWhatIsHeardNotWhatWasDecoded) {
    auto g = graph(2048);
    ASSERT_TRUE(g->RenderFile(withHeader));
    g->Run();
    output->pump(1024);
    EXPECT_EQ(g->CurrentPosition(), 0.0) << "nothing has reached the speaker yet";
    pump(1.0);
    EXPECT_NEAR(g->CurrentPosition(), (44100 + 1024 - 2048) / 44100.0, 1e-9);

    // Paused: the sound already on its way still plays out, then the position stands.
    g->Pause();
    const double before = g->CurrentPosition();
    output->pump(4096);
    EXPECT_NEAR(g->CurrentPosition(), before + 2048 / 44100.0, 1e-9);
    output->pump(4096);
    EXPECT_NEAR(g->CurrentPosition(), before + 2048 / 44100.0, 1e-9);
}

TEST_F(Mp3Files, TheVolumeScalesTheSound) {
    auto g = graph();
    ASSERT_TRUE(g->RenderFile(withHeader));
    g->Run();
    g->SetVolume(-2000); // -20 dB: a tenth
    EXPECT_EQ(g->Volume(), -2000);
    const auto quiet = output->pump(4410);
    const auto full = straightDecode(withHeader, 0, 4410);
    for (std::size_t i = 0; i < full.size(); i += 97)
        EXPECT_NEAR(quiet[i], full[i] / 10, 1e-6);
    g->SetVolume(-10000);
    const auto silent = output->pump(441);
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](float s) { return s == 0.0f; }));
}

TEST_F(Mp3Files, ACutFileOrOneWhoseLastFrameIsDamagedEndsWhereItsSoundEnds) {
    // The header still promises the whole song: a file copied half-way.
    std::string cut = tonemp3::encode(kFrames, true);
    cut.resize(cut.size() / 2 + 77);
    // Walk the frames (128 kbit/s, 44.1 kHz: 417 bytes, 418 when padded)
    // and turn the last one's layer bits to layer I: counted, not decoded.
    std::string damaged = tonemp3::encode(kFrames, true);
    std::size_t at = 0, last = 0;
    while (at + 4 <= damaged.size()) {
        last = at;
        at += 417 + ((static_cast<unsigned char>(damaged[at + 2]) >> 1) & 1);
    }
    ASSERT_EQ(at, damaged.size());
    damaged[last + 1] = static_cast<char>(damaged[last + 1] | 0x06);

    // And damaged files whose frames decode to more samples than they announce, or that the
    // library's own seek would leave past the end.
    for (const auto &[name, bytes] : {std::pair{"cut.mp3", cut}, std::pair{"damaged.mp3", damaged},
                                      std::pair{"decoder-overruns-length.mp3", std::string()},
                                      std::pair{"decoder-seeks-past-length.mp3", std::string()}}) {
        const auto path = bytes.empty() ? std::string(CANTORA_TEST_DATA "/mp3/") + name
                                        : tonemp3::write((dir / name).string(), bytes);
        Mp3Player player([this] { return graph(); });
        player.SetPlayTimer(true);
        player.Start_Play(path);
        ASSERT_EQ(player.PlayerState(), "true") << name;
        pump(3.5);
        EXPECT_LT(player.Duration(), double(kFrames) / 44100) << name << ": not the whole song the header describes";
        EXPECT_EQ(player.CurrentPosition(), player.Duration()) << name;
        player.Tick();
        EXPECT_EQ(player.PlayerState(), "false") << name << ": the end of the sound ends playback";
        EXPECT_EQ(player.Graph(), nullptr) << "the stopped player released its graph and device";
        Mp3Decoder d;
        ASSERT_TRUE(d.openFile(path));
        EXPECT_LE(countFrames(d), static_cast<std::size_t>(d.length())) << name;
        EXPECT_TRUE(d.seek(d.length() / 2)) << name;
        EXPECT_EQ(d.tell(), d.length() / 2) << name;
    }
    // Cut short, the length is scanned from the frames there are.
    Mp3Decoder d;
    ASSERT_TRUE(d.openFile((dir / "cut.mp3").string()));
    EXPECT_FALSE(d.lengthFromHeader());
    EXPECT_NEAR(double(d.length()) / 44100, 1.55, 0.25);
}

TEST_F(Mp3Files, FilesThatAreNotMp3GiveAClearErrorNamingThem) {
    const std::string header = tonemp3::encode(kFrames, true).substr(0, 300);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"empty.mp3", ""},
        {"text.mp3", std::string(5000, 'x') + "not an mp3\n"},
        {"wave.mp3", "RIFF\x24\0\0\0WAVEfmt " + std::string(4000, '\0')},
        {"header-only.mp3", header},
    };
    for (const auto &[name, bytes] : cases) {
        const auto path = tonemp3::write((dir / name).string(), bytes);
        Mp3Decoder d;
        EXPECT_FALSE(d.openFile(path)) << name;
        EXPECT_NE(d.error().find(path), std::string::npos) << name << ": " << d.error();

        Mp3Player player([this] { return graph(); });
        player.Start_Play(path);
        EXPECT_NE(player.LastError().find(path), std::string::npos) << name << ": " << player.LastError();
    }
    Mp3Decoder d;
    EXPECT_FALSE(d.openFile((dir / "missing.mp3").string()));
    EXPECT_FALSE(d.error().empty());
}

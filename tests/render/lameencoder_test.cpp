// cLameEncoder end to end: WAV in, MP3 out, decoded again with libmpg123.

#include "render/lameencoder.h"

#include "render/encoderpresets.h"
#include "render/mp3decode.h"
#include "render/numberederror.h"
#include "render/wavbytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <tuple>

using namespace cantora::render;
using namespace wavbytes;

namespace {

// Cycles per second of one channel, from rising zero crossings away from the ends.
double frequency(const Decoded &d) {
    const std::size_t from = d.frames() / 10, to = d.frames() * 9 / 10;
    int rising = 0;
    std::size_t first = 0, last = 0;
    for (std::size_t i = from + 1; i < to; ++i) {
        if (d.samples[2 * (i - 1)] < 0 && d.samples[2 * i] >= 0) {
            if (!rising++)
                first = i;
            last = i;
        }
    }
    return rising > 1 ? double(rising - 1) * double(d.rate) / double(last - first) : 0.0;
}

class LameEncoderTest : public ::testing::Test {
protected:
    TempDir dir;
    cLameEncoder enc;
    std::vector<std::pair<std::int64_t, std::int64_t>> events;

    void SetUp() override {
        enc.Progress = [this](std::int64_t done, std::int64_t total, bool &) { events.emplace_back(done, total); };
    }
    void prepare(const std::string &wavBytes) {
        save(dir / "in.wav", wavBytes);
        std::filesystem::remove(dir / "out.mp3");
        enc.WavFile(dir / "in.wav");
        enc.Mp3File(dir / "out.mp3");
    }
};

TEST_F(LameEncoderTest, ASineComesBackAsTheSameSineOfTheSameLength) {
    // Longer than many chunks, and shorter than one.
    for (const std::size_t frames : {std::size_t{2 * 44100 + 777}, std::size_t{500}}) {
        events.clear();
        prepare(wav(sine(440.0, 44100, frames)));
        enc.EncodingPreset(6);
        enc.Encode();
        const Decoded d = decode(dir / "out.mp3");
        EXPECT_EQ(d.rate, 44100);
        ASSERT_EQ(d.channels, 2);
        EXPECT_EQ(d.info.vbr, MPG123_VBR);
        // The Info frame carries the frame count and the encoder delay: the
        // decoder knows the length before decoding and trims to the input.
        EXPECT_NEAR(double(d.length), double(frames), 1152);
        EXPECT_NEAR(double(d.frames()), double(frames), 1152);
        if (frames > 1152) {
            EXPECT_NEAR(frequency(d), 440.0, 440.0 * 0.01);
        }
        ASSERT_GE(events.size(), 2u) << "the blocks, then the flush";
        EXPECT_EQ(events.back(), std::make_pair(std::int64_t(frames * 2), std::int64_t(frames * 2)));
        for (std::size_t i = 1; i < events.size(); ++i)
            EXPECT_LE(events[i - 1].first, events[i].first);
    }
}

TEST_F(LameEncoderTest, CancellingLeavesNoFileAndTheEncoderReusable) {
    prepare(wav(sine(440.0, 44100, 44100)));
    enc.Progress = [this](std::int64_t done, std::int64_t total, bool &cancel) {
        events.emplace_back(done, total);
        cancel = true;
    };
    enc.Encode();
    EXPECT_EQ(events.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.mp3"));

    enc.Progress = nullptr;
    enc.Encode();
    EXPECT_TRUE(std::filesystem::exists(dir / "out.mp3"));
}

TEST_F(LameEncoderTest, PathsAreTakenOnlyWhenTheyMakeSense) {
    save(dir / "taken.mp3", "x");
    enc.Mp3File(dir / "new.mp3");
    enc.Mp3File(dir / "taken.mp3");
    EXPECT_EQ(enc.Mp3File(), dir / "new.mp3");
    enc.WavFile(dir / "absent.wav");
    EXPECT_EQ(enc.WavFile(), "");
}

TEST_F(LameEncoderTest, ErrorsComeFromTheConversionAndLeaveNoMp3) {
    prepare(wav(sine(440.0, 44100, 1000, 1), 1));
    const auto mono = raised([&] { enc.Encode(); });
    EXPECT_EQ(mono.number, 29671);
    EXPECT_EQ(mono.source, "cantora.lameConvert");
    EXPECT_EQ(mono.description, "Only stereo 16 bit wave files supported.");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.mp3"));

    // Truncated in the middle of a sample frame: what is there is encoded.
    prepare(wav(ramp(1000)).substr(0, 44 + 4 * 999 + 2));
    EXPECT_NO_THROW(enc.Encode());

    cLameEncoder other;
    other.WavFile(dir / "in.wav");
    other.Mp3File(dir / "no/folder/out.mp3");
    EXPECT_EQ(raised([&] { other.Encode(); }).number, 29872);

    other.EncodingPreset(99);
    const auto init = raised([&] { other.Encode(); });
    EXPECT_EQ(init.number, 29772);
    EXPECT_EQ(init.source, "cantora.lameInit");
    EXPECT_EQ(init.description, "Invalid Format Parameters");
}

TEST_F(LameEncoderTest, PresetsReachTheLibrary) {
    const auto &list = EncoderPresets();
    EXPECT_STREQ(list[kDefaultPresetIndex].text, "Standard (VBR 44.1kHz, 170-210kbps)");
    for (const auto &[name, code] : {std::pair<const char *, std::optional<int>>{"Insane", 10},
                                     {"insane (cbr 44.1khz 320kbps)", 10},
                                     {"standard fast", 7},
                                     {"Defaults", -1},
                                     {"14", 14},
                                     {"15", std::nullopt},
                                     {"Standard Slow", std::nullopt}})
        EXPECT_EQ(FindPresetCode(name), code) << name;
    // Every listed code opens a stream and makes a playable file.
    std::string made;
    for (const auto &p : list) {
        prepare(wav(sine(440.0, 44100, 20000)));
        enc.EncodingPreset(p.code);
        ASSERT_NO_THROW(enc.Encode()) << p.text;
        const Decoded d = decode(dir / "out.mp3"); // the voice preset also lowers the rate
        ASSERT_GT(d.rate, 0) << p.text;
        EXPECT_NEAR(double(d.frames()) / double(d.rate), 20000.0 / 44100, 1152.0 / double(d.rate)) << p.text;
        made += contents(dir / "out.mp3");
    }
    // The bytes this platform's LAME (3.100) makes with our settings: a changed
    // setting no decoder hears (reservoir, header bits, VBR tag) changes them.
    EXPECT_EQ(std::hash<std::string>{}(made), 0xbc554302531d96b9u) << made.size();
}

TEST_F(LameEncoderTest, TheVoicePresetResamplesAndOtherwiseTheWavFilesOwnRateWins) {
    for (const auto &[preset, rate, want] :
         {std::tuple{static_cast<int>(*FindPresetCode("Voice Quality")), 44100u, 32000},
          std::tuple{6, 48000u, 48000}}) {
        prepare(wav(sine(440.0, rate, rate), 2, 16, rate));
        enc.EncodingPreset(preset);
        enc.Encode();
        const Decoded d = decode(dir / "out.mp3");
        EXPECT_EQ(d.rate, want);
        EXPECT_NEAR(frequency(d), 440.0, 4.4);
        EXPECT_NEAR(double(d.frames()), double(want), 1152);
    }
}

} // namespace

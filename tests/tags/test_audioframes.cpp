// Finding MPEG audio before tags are written: real frames are found behind
// ID3v2 tags and junk, other files (WAV, MIDI, text) have none.

#include "core/byteio.h"
#include "mp3bytes.h"
#include "tags/audioframes.h"

#include <gtest/gtest.h>

using namespace cantora::tags;
using cantora::core::MemorySource;
using namespace mp3bytes;

namespace {

// MPEG 1 layer III 128 kbit/s 44100 Hz: 417 bytes a frame without padding.
const std::string kFrame = header(0xFF, 0xFB, 0x90, 0x64) + std::string(413, '\x55');

std::optional<std::int64_t> find(const std::string &bytes) { return FindFirstAudioFrame(MemorySource(bytes)); }

} // namespace

TEST(AudioFrames, HeadersGiveTheirFrameLength) {
    const auto len = [](std::uint8_t b1, std::uint8_t b2) {
        const std::string h = header(0xFF, b1, b2, 0x00);
        const auto f = ParseFrameHeader(reinterpret_cast<const unsigned char *>(h.data()));
        return f ? f->length : -1;
    };
    EXPECT_EQ(len(0xFB, 0x90), 417); // MPEG 1 III, 128 kbit/s, 44100 Hz
    EXPECT_EQ(len(0xFB, 0x92), 418); // the same, padded
    EXPECT_EQ(len(0xFB, 0x98), 576); // 32000 Hz
    EXPECT_EQ(len(0xF3, 0x94), 240); // MPEG 2 III, 80 kbit/s, 24000 Hz: 72 bytes per kbit/s over the rate
    EXPECT_EQ(len(0xE3, 0x84), 384); // MPEG 2.5 III, 64 kbit/s, 12000 Hz
    EXPECT_EQ(len(0xFF, 0x90), 312); // MPEG 1 layer I, 288 kbit/s, 44100 Hz: 78 slots of 4 bytes
    EXPECT_EQ(len(0xFF, 0x92), 316); // the same, padded by one slot
    EXPECT_EQ(len(0xFD, 0x90), 522); // MPEG 1 layer II, 160 kbit/s, 44100 Hz
    EXPECT_EQ(len(0xFB, 0x00), -1);  // free format
    EXPECT_EQ(len(0xFB, 0xF0), -1);  // bad bitrate
    EXPECT_EQ(len(0xFB, 0x9C), -1);  // reserved rate
    EXPECT_EQ(len(0xEB, 0x90), -1);  // reserved version
    EXPECT_EQ(len(0xF9, 0x90), -1);  // reserved layer
}

TEST(AudioFrames, FramesAreFoundBehindTagsAndJunk) {
    EXPECT_EQ(find(kFrame + kFrame), 0);
    EXPECT_EQ(find(kFrame), 0) << "one frame ending the file";
    EXPECT_EQ(find(kFrame + id3v1("t")), 0) << "one frame before a tag";
    EXPECT_EQ(find(kFrame + lyrics3({{"LYR", "x"}})), 0);

    // ID3v2 with a 7-bit size of 300 bytes that happens to hold a sync word.
    std::string id3 = std::string("ID3\x03\x00\x00\x00\x00\x02\x2C", 10) + std::string(300, '\0');
    id3.replace(50, 4, header(0xFF, 0xFB, 0x90, 0x64));
    EXPECT_EQ(find(id3 + kFrame + kFrame), 310);
    // Junk with a false header whose "next frame" is no header.
    const std::string junk = "xx" + header(0xFF, 0xFB, 0x90, 0x64) + std::string(600, 'j');
    EXPECT_EQ(find(junk + kFrame + kFrame), static_cast<std::int64_t>(junk.size()));
    // A frame beyond the searched area is not looked for.
    EXPECT_EQ(FindFirstAudioFrame(MemorySource(junk + kFrame + kFrame), 100), std::nullopt);
}

TEST(AudioFrames, OtherFilesHaveNone) {
    EXPECT_EQ(find(""), std::nullopt);
    EXPECT_EQ(find("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk\0\0\0\x04\0\xFF\x2F\0"), std::nullopt);
    std::string wav = "RIFF" + std::string(4, '\0') + "WAVEfmt " + std::string(20, '\x01') + "data";
    for (int i = 0; i < 20000; ++i)
        wav += static_cast<char>((i * 7919) & 0xFF);
    EXPECT_EQ(find(wav), std::nullopt);
    EXPECT_EQ(find(std::string(5000, '\xFF')), std::nullopt);
    EXPECT_EQ(find(kFrame.substr(0, 416)), std::nullopt) << "a frame cut short";
}

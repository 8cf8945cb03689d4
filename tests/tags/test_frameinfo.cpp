// MPEG frame information as the tag editor shows it, read from files built in memory.

#include "core/byteio.h"
#include "mp3bytes.h"
#include "tags/id3module.h"

#include <gtest/gtest.h>

using namespace cantora::tags;
using cantora::core::MemorySource;
using namespace mp3bytes;

namespace {

Mp3Info read(const std::string &bytes, Id3Module *module = nullptr) {
    Id3Module local;
    Id3Module &m = module ? *module : local;
    return m.GetMp3Info(MemorySource(bytes), "mem.mp3");
}

} // namespace

TEST(FrameInfo, Mpeg1Layer3HeaderGivesEveryText) {
    // 4 000 000 bytes at 16 bytes per millisecond: 250 s.
    EXPECT_EQ(FormatInfoPanel(read(audio(4000000))), "<>Size:[3.81 MB]  <>Length:[ 04:10 ]\r\n"
                                                     "<>MPEG 1.0 layer 3\r\n"
                                                     "<>128 Kbps 44100 Hz Joint Stereo\r\n"
                                                     "<>CRCs:[No]\r\n"
                                                     "<>Copyrighted:[No]\r\n"
                                                     "<>Original:[Yes]\r\n"
                                                     "<>Emphasis:[None]");
}

TEST(FrameInfo, HeaderBitsMapToTheirTexts) {
    // Version, layer, CRC, rate, frequency, channels, copyright, original, emphasis.
    const struct {
        std::string header, texts;
    } cases[] = {
        {header(0xFF, 0xF4, 0x64, 0xCB), "MPEG 2.0|layer 2|Yes|48 Kbps|24000 Hz|Mono|Yes|No|CITT j. 17"},
        {header(0xFF, 0xFF, 0xE8, 0x81), "MPEG 1.0|layer 1|No|320 Kbps|32000 Hz|2 Channel|No|No|50/15 microsec"},
        // The reserved sampling-rate value shows as the lowest rate.
        {header(0xFF, 0xF3, 0x1C, 0x00), "MPEG 2.0|layer 3|No|8 Kbps|16000 Hz|Stereo|No|No|None"},
        {header(0xFF, 0xF3, 0x12, 0x00), "MPEG 2.0|layer 3|No|8 Kbps|22050 Hz|Stereo|No|No|None"},
    };
    for (const auto &c : cases) {
        const Mp3Info i = read(audio(10000, c.header));
        EXPECT_EQ(i.MpegVersion + "|" + i.Layer + "|" + i.Crcs + "|" + i.Bitrate + "|" + i.Frequency + "|" +
                      i.ChannelMode + "|" + i.Copyrighted + "|" + i.Original + "|" + i.Emphasis,
                  c.texts);
    }
    EXPECT_EQ(read(audio(10000, header(0xFF, 0xFB, 0x04, 0x00))).Frequency, "48000 Hz");
}

TEST(FrameInfo, SearchSkipsMpeg25AndReservedLayersAndStopsAt4092) {
    std::string bytes(20000, '\0');
    bytes.replace(10, 12, "\xFF\xE2\xFF\xF0\xFF\xF1\xFF\xF8\xFF\xF9\x00\x00");
    bytes.replace(30, 4, header(0xFF, 0xF3, 0x80, 0x00));
    Mp3Info i = read(bytes);
    EXPECT_EQ(i.MpegVersion, "MPEG 2.0");
    EXPECT_EQ(i.Layer, "layer 3");
    EXPECT_EQ(i.Bitrate, "64 Kbps");

    // A header that begins at offset 4092 is out of reach.
    i = read(audio(20000, header(0xFF, 0xFB, 0x90, 0x64), 4092, '\0'));
    EXPECT_EQ(i.MpegVersion, "");
    EXPECT_EQ(FormatInfoPanel(i), "<>Size:[]  <>Length:[  ]\r\n<> \r\n<>  \r\n<>CRCs:[]\r\n"
                                  "<>Copyrighted:[]\r\n<>Original:[]\r\n<>Emphasis:[]");

    // One byte earlier it is found, but the Xing test runs past the bytes read.
    i = read(audio(20000, header(0xFF, 0xFB, 0x90, 0x64), 4091, '\0'));
    EXPECT_EQ(i.MpegVersion, "MPEG 1.0");
    EXPECT_EQ(i.Bitrate, "128");
    EXPECT_EQ(i.Length, "");

    EXPECT_EQ(read("").MpegVersion, "");
}

TEST(FrameInfo, XingFrameCountGivesAverageRateAndLength) {
    // 3000 frames: 2943 after the first 57, 38 or 39 a second: 77 s.
    Mp3Info i = read(xing(3000, 1232000));
    EXPECT_EQ(i.Length, "01:17");
    EXPECT_EQ(i.Bitrate, "128 Kbit (VBR)"); // 1232000 * 8 / 77000
    EXPECT_EQ(i.ChannelMode, "Joint Stereo");

    EXPECT_EQ(Id3Module::ComputeVbrInfo(1000, 58)->seconds, 1);
    EXPECT_EQ(Id3Module::ComputeVbrInfo(1000, 57 + 38 + 39)->seconds, 3); // the extra frame is the third second's
    EXPECT_EQ(Id3Module::ComputeVbrInfo(1000, 57 + 38 + 38 + 39)->seconds, 3);
    EXPECT_EQ(Id3Module::ComputeVbrInfo(1000, 57 + 38 + 38 + 39 + 1)->seconds, 4);

    // 57 frames or fewer give no second to average over: the bare rate stays.
    i = read(xing(57, 5000));
    EXPECT_EQ(i.Bitrate, "128");
    EXPECT_EQ(i.Length, "");
    EXPECT_EQ(i.Size, "");

    // The average is a 32-bit product: 256 MB and more gives none.
    EXPECT_FALSE(Id3Module::ComputeVbrInfo(268435456, 3000));
    EXPECT_TRUE(Id3Module::ComputeVbrInfo(268435455, 3000));
}

TEST(FrameInfo, LengthAndSizeFormatting) {
    // MPEG 2, 8 kbit/s: one byte a millisecond. Exact halves of a hundredth
    // of a MB go to the even neighbour, down or up.
    const std::string slow = header(0xFF, 0xF3, 0x10, 0x00);
    for (auto [bytes, length, size] : {std::tuple{3725000, "01:02:05", "3.55 MB"},
                                       {225999, "03:45", "0.22 MB"},
                                       {1048576, "17:28", "1 MB"},
                                       {5000, "00:05", "0 MB"},
                                       {131072, "02:11", "0.12 MB"},
                                       {393216, "06:33", "0.38 MB"},
                                       {131073, "02:11", "0.13 MB"}}) {
        const Mp3Info i = read(audio(bytes, slow));
        EXPECT_EQ(i.Length, length) << bytes;
        EXPECT_EQ(i.Size, size) << bytes;
    }
    // Free format ends the analysis at the bit rate.
    Id3Module m;
    const Mp3Info i = read(audio(10000, header(0xFF, 0xF3, 0x00, 0x64)), &m);
    EXPECT_EQ(i.Bitrate + "|" + i.Frequency + "|" + i.Length + "|" + i.Original, "0|22050 Hz||");
    EXPECT_EQ(m.DurationSeconds, 0);
}

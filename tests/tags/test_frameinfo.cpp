// MPEG frame information as the tag editor shows it, ID3v1 fields and Lyrics3 v2 lyrics as
// GetMp3Info reads them, and the first audio frame found behind tags and junk (other files
// have none), from files built in memory.

#include "core/byteio.h"
#include "mp3bytes.h"
#include "tags/audioframes.h"
#include "tags/genres.h"
#include "tags/id3module.h"

#include <gtest/gtest.h>

using namespace cantora::tags;
using cantora::core::MemorySource;
using namespace mp3bytes;

namespace {

Mp3Info read(Id3Module &m, const std::string &bytes) { return m.GetMp3Info(MemorySource(bytes), "mem.mp3"); }
Mp3Info read(const std::string &bytes) {
    Id3Module m;
    return read(m, bytes);
}

// MPEG 1 layer III 128 kbit/s 44100 Hz: 417 bytes a frame without padding.
const std::string kFrame = header(0xFF, 0xFB, 0x90, 0x64) + std::string(413, '\x55');

std::optional<std::int64_t> find(const std::string &bytes) { return FindFirstAudioFrame(MemorySource(bytes)); }

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
    const Mp3Info i = read(m, audio(10000, header(0xFF, 0xF3, 0x00, 0x64)));
    EXPECT_EQ(i.Bitrate + "|" + i.Frequency + "|" + i.Length + "|" + i.Original, "0|22050 Hz||");
    EXPECT_EQ(m.DurationSeconds, 0);
}

TEST(Id3v1Read, FieldsAreTrimmedFreedOfNulsAndReadAsUtf8) {
    Id3Module m;
    // Texts are UTF-8 when they are valid UTF-8, else CP1252.
    Mp3Info i =
        read(m, audio(5000) + id3v1("Abc", "  Someone  ", "Perch\xE9 \x93x\x94", "1999", " caf\xC3\xA9 ", 12, '\0'));
    EXPECT_EQ(i.Title, "Abc");
    EXPECT_EQ(i.Artist, "Someone");
    EXPECT_EQ(i.Album, "Perch\xC3\xA9 \xE2\x80\x9Cx\xE2\x80\x9D");
    EXPECT_EQ(i.Year, "1999");
    EXPECT_EQ(i.Comment, "caf\xC3\xA9");
    EXPECT_EQ(i.Genre, "13");

    // ID3v1.1: a NUL at byte 125 gives byte 126 to the track number.
    std::string tag = id3v1("T", "", "", "", std::string(30, 'c'));
    tag[125] = '\0';
    EXPECT_EQ(read(m, tag).Comment, std::string(28, 'c'));
    EXPECT_EQ(Id3v1Track(tag), 'c');
    tag[126] = '\0';
    EXPECT_EQ(Id3v1Track(tag), 0);

    EXPECT_EQ(read(m, id3v1("", "", "", "", "", 255)).Genre, "256");
    EXPECT_EQ(read(m, id3v1("", "", "", "", "", 0)).Genre, "1");
}

TEST(Id3v1Read, NothingOfTheFileReadBeforeLeaksIntoTheNext) {
    Id3Module m;
    for (const std::string &bytes : {audio(5000), std::string("TAG", 3), std::string(127, 'T'), std::string()}) {
        read(m, audio(5000) + lyrics3({{"LYR", "words"}}) + id3v1("Old"));
        ASSERT_TRUE(m.LyricsTagFound);
        const Mp3Info i = read(m, bytes);
        EXPECT_FALSE(m.HasId3v1);
        EXPECT_FALSE(m.LyricsTagFound);
        EXPECT_EQ(i.Title + i.Genre + i.Lyrics, "");
        // Only the editor clears the marker flag.
        EXPECT_TRUE(m.HasLyricsMarker);
    }
    // Exactly 128 bytes is a tag and nothing else.
    EXPECT_EQ(read(m, id3v1("Only")).Title, "Only");
}

TEST(Lyrics3Read, BlockBeforeTagOrAtTheEnd) {
    const std::string lyr = "[00:01]One\r\n[00:02]Two";
    for (const bool withTag : {true, false}) {
        Id3Module m;
        const std::string block = lyrics3({{"IND", "10"}, {"LYR", "  " + lyr + "  "}, {"EAL", "Album"}});
        const std::string file = audio(5000) + block + (withTag ? id3v1("T") : "");
        const Mp3Info i = read(m, file);
        EXPECT_TRUE(m.LyricsTagFound);
        EXPECT_EQ(m.LyricsStart, 5001);
        EXPECT_EQ(i.Lyrics, lyr);
    }
}

TEST(Lyrics3Read, DamagedBlocksAreRejectedOrWalkedSafely) {
    std::string before = lyrics3({{"LYR", "abc"}}), outside; // size digits pointing before "LYRICSBEGIN"
    before.replace(before.size() - 15, 6, "000040");
    (outside = before).replace(before.size() - 15, 6, "999999"); // or before the start of the file
    const struct {
        std::string file;
        bool found;
        const char *lyrics;
    } cases[] = {
        {audio(5000) + before + id3v1("T"), false, ""},
        {outside, false, ""},
        // Length digits that are not a number count as 0: the walk steps 8 bytes on.
        {audio(100) + "LYRICSBEGININDxxxxxLYR00003abc000030LYRICS200", true, "abc"},
        // A field longer than the file reads what there is and ends the walk.
        {"LYRICSBEGINLYR99999abc000022LYRICS200", true, "abc"},
        // A Lyrics3 v1 ending is seen as a marker but is no v2 block.
        {audio(100) + "LYRICSBEGINabcLYRICSEND", false, ""},
    };
    for (const auto &c : cases) {
        Id3Module m;
        const Mp3Info i = read(m, c.file);
        EXPECT_TRUE(m.HasLyricsMarker);
        EXPECT_EQ(m.LyricsTagFound, c.found) << c.file.size();
        EXPECT_EQ(i.Lyrics.substr(0, 3), c.lyrics) << c.file.size();
        if (&c == cases) {
            EXPECT_EQ(m.LyricsStart, 5001 + 22 - 40); // the block is 22 bytes before its size digits
        }
    }
}

TEST(Genres, EditorListAndLookups) {
    const auto &list = GenreList();
    ASSERT_EQ(list.size(), 127u);
    EXPECT_EQ(list[0], std::string_view("\0", 1));
    EXPECT_EQ(GenreName(125), "Dance Hall");
    EXPECT_EQ(GenreName(126), "");
    EXPECT_EQ(GenreName(255), "");
    EXPECT_EQ(GenreByteFromName("other"), 12);
    EXPECT_FALSE(GenreByteFromName("Nope"));
    EXPECT_FALSE(GenreByteFromName(std::string_view("\0", 1)));
}

#include "tags/lyricstext.h"

TEST(LyricFile, BlankLinesDroppedAndLinesEndedByCrLf) {
    EXPECT_EQ(LyricBoxText("\xEF\xBB\xBF[00:01]Caf\xC3\xA9\n\n  \r\n[00:02] two \r[00:03]x"),
              "[00:01]Caf\xC3\xA9\r\n[00:02] two \r\n[00:03]x\r\n");
    EXPECT_EQ(LyricBoxText("[00:01]Perch\xE9\r\n"), "[00:01]Perch\xC3\xA9\r\n");
    EXPECT_EQ(LyricBoxText("\r\n \t\n"), "");
}

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

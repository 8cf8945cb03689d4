// Standard MIDI File reader: hand-built byte layouts for each structural case.
#include "audio/midifile.h"
#include "audio/songfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace cantora::audio;

namespace {

std::string be(std::uint32_t v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i)
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return s;
}
std::string header(int format, int tracks, int division) {
    return "MThd" + be(6, 4) + be(format, 2) + be(tracks, 2) + be(division, 2);
}
std::string chunk(const std::string &id, const std::string &body, std::uint32_t len) { return id + be(len, 4) + body; }
std::string track(const std::string &body) { return chunk("MTrk", body, static_cast<std::uint32_t>(body.size())); }
const std::string kEnd("\x00\xFF\x2F\x00", 4);

std::string hex(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, " %02X", v & 0xFF);
    return b;
}

// Each event of a track as "tick @offset status data1 data2" (hex), with
// the type and payload bytes of meta and SysEx events instead of data1 and data2.
std::vector<std::string> events(const MidiFile &f, std::size_t track = 0) {
    std::vector<std::string> out;
    for (const auto &e : f.tracks.at(track).events) {
        std::string text = std::to_string(e.tick) + " @" + std::to_string(e.offset) + hex(e.status);
        if (e.isMeta())
            text += hex(e.metaType) + ":";
        if (e.isMeta() || e.status == 0xF0) {
            for (unsigned char c : e.data)
                text += hex(c);
        } else {
            text += hex(e.data1) + hex(e.data2);
        }
        out.push_back(text);
    }
    return out;
}
using Events = std::vector<std::string>;

} // namespace

TEST(MidiFileRead, RunningStatusSurvivesMetaAndSysexAndOneByteMessagesWithTicksAndOffsets) {
    const std::pair<std::string, Events> cases[] = {
        // delta 0: note on; delta 0x81 0x00 (128): lyric "la"; delta 0: key 0x3E
        // under running status; delta 10: SysEx; delta 0: running status again,
        // velocity 0 (still a note-on). Offsets: 14-byte header + 8-byte track header = 22.
        {std::string("\x00\x90\x3C\x64\x81\x00\xFF\x05\x02la\x00\x3E\x50\x0A\xF0\x03\x7E\x7F\xF7\x00\x3C\x00", 23),
         {"0 @22 90 3C 64", "128 @26 FF 05: 6C 61", "128 @33 90 3E 50", "138 @36 F0 7E 7F F7", "138 @42 90 3C 00",
          "138 @45 FF 2F:"}},
        // A channel pressure takes one data byte: a note-on, a pressure and one
        // under running status, then a pitch bend.
        {std::string("\x00\xD0\x40\x00\x90\x3C\x64\x00\xD1\x10\x05\x20\x00\xE1\x01\x02", 16),
         {"0 @22 D0 40 00", "0 @25 90 3C 64", "0 @29 D1 10 00", "5 @32 D1 20 00", "5 @34 E1 01 02", "5 @38 FF 2F:"}},
    };
    for (const auto &[body, want] : cases) {
        // What follows the end of the track in its chunk is padding.
        const auto r = readMidi(header(0, 1, 96) + track(body + kEnd + std::string("\x00\x90\x3C\x64", 4)));
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(std::tuple(r.file.format, r.file.division, r.file.truncated), std::tuple(0, 96, false));
        EXPECT_EQ(events(r.file), want);
    }
}

TEST(MidiFileRead, DamagedFilesGiveWhatTheyHoldAndSayHowMuchWasRead) {
    const std::string good = track(std::string("\x00\x90\x3C\x64\x10\x80\x3C\x00", 8) + kEnd);
    // Header promises three tracks, only one is there; an unknown chunk before it is skipped.
    auto r = readMidi(header(1, 3, 480) + chunk("XYZW", "abc", 3) + good);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.file.declaredTracks, 3);
    ASSERT_EQ(r.file.tracks.size(), 1u);
    EXPECT_EQ(r.file.tracks[0].events.size(), 3u);
    EXPECT_EQ(r.file.tracks[0].events[0].offset, 14u + 11u + 8u);
    EXPECT_EQ(r.file.readBytes, r.file.sizeBytes);

    // A track running past the end, a meta event running past its chunk, a
    // five-byte delta time: read up to there, marked truncated.
    for (const std::string &bad : {chunk("MTrk", std::string("\x00\x90\x3C\x64\x10\x80\x3C", 7), 5000),
                                   track(std::string("\x00\xFF\x01\x7F"
                                                     "abc",
                                                     7)),
                                   track(std::string("\x00\x90\x3C\x64\x81\x81\x81\x81\x01\x80\x3C\x00", 12) + kEnd)}) {
        r = readMidi(header(0, 1, 96) + bad);
        ASSERT_TRUE(r.ok());
        EXPECT_TRUE(r.file.truncated);
    }
    // A second track stops at a data byte with no status: its first event
    // (5 bytes) was read, the 5 after it were not; a third track is missing.
    const std::string song = header(1, 3, 480) + good +
                             track(std::string("\x00\xFF\x01\x01"
                                               "a"
                                               "\x00\x3C\x64\x00\x00",
                                               10));
    r = readMidi(song);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.file.truncated);
    EXPECT_EQ(r.file.tracks.size(), 2u);
    EXPECT_EQ(r.file.incompleteTracks, 1);
    EXPECT_EQ(r.file.sizeBytes, song.size());
    EXPECT_EQ(r.file.readBytes, song.size() - 5);
}

TEST(MidiFileRead, OnlyRegularFilesAreReadAndOnlyUpToTheLimit) {
    EXPECT_EQ(readMidiFile(::testing::TempDir()).error, MidiError::NotAFile);

    // A song just over the limit: read up to it, and said to be cut.
    std::string song;
    song.reserve(kMaxSongBytes + 1);
    song = header(0, 1, 96) + track(kEnd);
    song.resize(kMaxSongBytes, '\0');
    auto r = readMidi(song);
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.file.truncated); // exactly at the limit: whole
    song.push_back('x');
    r = readMidi(song);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.file.truncated);
    EXPECT_EQ(r.file.sizeBytes, kMaxSongBytes + 1);
}

TEST(MidiFileRead, RmidOffsetsCountFromTheFileStartPastAnOddSizedChunk) {
    const std::string smf = header(0, 1, 96) + track(std::string("\x00\xC0\x07", 3) + kEnd);
    auto le = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    // A 3-byte INFO chunk is padded to 4; the data chunk starts after the pad.
    for (const std::string &before : {std::string(), "INFO" + le(3) + "abc" + std::string(1, '\0')}) {
        const std::string body = "RMID" + before + "data" + le(static_cast<std::uint32_t>(smf.size())) + smf;
        const auto r = readMidi("RIFF" + le(static_cast<std::uint32_t>(body.size())) + body);
        ASSERT_TRUE(r.ok());
        const auto &ev = r.file.tracks.at(0).events.at(0);
        EXPECT_EQ(ev.status, 0xC0);
        EXPECT_EQ(ev.data1, 7);
        EXPECT_EQ(ev.offset, 12u + before.size() + 8u + 22u);
    }
}

TEST(MidiFileRead, RefusesWhatIsNotAPlayableMidiFile) {
    const std::string t = track(kEnd);
    EXPECT_EQ(readMidi("").error, MidiError::NotMidi);
    EXPECT_EQ(readMidi("ID3\x03 not a song at all, just text").error, MidiError::NotMidi);
    EXPECT_EQ(readMidi(std::string("RIFF\x10\0\0\0RMIDLIST\0\0\0\0", 20) + header(0, 1, 96) + t).error,
              MidiError::NotMidi);
    EXPECT_EQ(readMidi(header(0, 1, 0xE728) + t).error, MidiError::SmpteDivision);
    EXPECT_EQ(readMidi(header(0, 1, 96)).error, MidiError::NoTracks);
    EXPECT_EQ(readMidi(header(1, 2, 96) + chunk("XFIH", "", 0)).error, MidiError::NoTracks);
    EXPECT_EQ(readMidiFile("/nonexistent/song.kar").error, MidiError::Io);
    EXPECT_STREQ(midiErrorText(MidiError::SmpteDivision), "SMPTE time division is not supported");
}

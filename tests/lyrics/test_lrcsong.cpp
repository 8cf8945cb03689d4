// The LRC writers on real song files through the engine: the mark source,
// the first tempo against the whole tempo map, and unreadable songs.
#include "audio/audiotest.h"
#include "audio/midiwriter.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lrcsong.h"
#include "lyrics/tempochangesong.h"

#include <gtest/gtest.h>

#include <string>

using namespace cantora::lyrics;

using LrcSongFile = cantora::audiotest::SilentEngine;

TEST_F(LrcSongFile, LaterTempoIgnoredByTheSongFileAndHonouredByTheExactOne) {
    const std::string path = write("tempo.mid", lyricstest::songWithTempoChange());
    double ms = 0;
    LrcCreatorState state;
    LrcSongError error = LrcSongError::CannotRead;
    // First tempo only: tick 10560 at 120 bpm is 11 s, tick 12480 is 13 s.
    EXPECT_EQ(songLrc(path, ms, state, error), "[00:01]ONE TWO\r\n[00:10]THREE FOUR\r\n[00:12]FIVESIX\r\n");
    EXPECT_EQ(error, LrcSongError::None);
    EXPECT_NEAR(ms, 1.0416667, 1e-6);

    // Through the tempo map: tick 9600 is 5 s + 4800 ticks at 250000 us = 7.5 s.
    LrcSong song;
    ASSERT_EQ(readLrcSong(path, song), LrcSongError::None);
    EXPECT_EQ(createExactLrc(song.marks, song.atTTexts),
              "[ti:Tempo test]\r\n[ar:Nobody]\r\n[00:00.00]One two\r\n[00:07.50]Three four\r\n[00:08.75]Fivesix\r\n");
}

TEST_F(LrcSongFile, TextEventsServeWhenLyricsAreTooFewAndNeitherGivesAnEmptyFile) {
    auto song = [&](int lyrics, int texts) {
        cantora::audio::MidiWriter w(480);
        const int t = w.addTrack();
        for (int i = 0; i < lyrics; ++i)
            w.lyric(t, 960 * i, "/ly");
        for (int i = 0; i < texts; ++i)
            w.text(t, 960 * i, "/tx");
        w.noteOn(t, 0, 0, 60, 90);
        w.noteOff(t, 960 * 30, 0, 60);
        double ms = 0;
        LrcCreatorState state;
        LrcSongError error;
        return songLrc(write("s.mid", w.bytes()), ms, state, error);
    };
    EXPECT_EQ(song(6, 30).substr(0, 9), "[00:00]LY");
    EXPECT_EQ(song(5, 21).substr(0, 9), "[00:00]TX");
    EXPECT_EQ(song(5, 20), "");
}

TEST_F(LrcSongFile, UnreadableSongsAreErrors) {
    LrcSong song;
    int code = 0;
    EXPECT_EQ(readLrcSong(write("bad.mid", "not a song at all"), song, &code), LrcSongError::NotMidi);
    EXPECT_NE(code, 0);
    double ms = 1.5;
    LrcCreatorState state;
    LrcSongError error = LrcSongError::None;
    EXPECT_EQ(songLrc((dir / "missing.mid").string(), ms, state, error), "");
    EXPECT_EQ(error, LrcSongError::CannotRead);
    EXPECT_EQ(ms, 1.5);
}

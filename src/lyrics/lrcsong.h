#pragma once
// What the LRC writers need from a song file, read through the engine: the
// whole file (for its first tempo), the marks of the song's lyric source and
// its "@T" texts. The engine must be initialised; a decoding stream is made
// and freed here, the playing stream is not touched.

#include <string>
#include <vector>

#include "lyrics/lrccreator.h"
#include "lyrics/lyricpage.h"

namespace cantora::lyrics {

// A song as the LRC writers see it.
struct LrcSong {
    std::string bytes;                    // the whole file
    std::vector<LrcMark> marks;           // lyric marks, or text marks, or none (the mark-source rule)
    std::vector<std::string> atTTexts;    // "@T" text marks without the "@T", in order
    MarkSource source = MarkSource::None; // where the marks come from
};

// Why a song could not be read.
enum class LrcSongError { None, CannotRead, TooLarge, NotMidi };

// Largest song file read whole.
inline constexpr std::size_t kMaxLrcSongBytes = 64u << 20;

// Reads `path` (UTF-8) into `song`. engineError receives the engine's error
// code when the stream cannot be made.
LrcSongError readLrcSong(const std::string &path, LrcSong &song, int *engineError = nullptr);

// A song's marks and "@T" texts made UTF-8 from `encoding`, which every
// reader then takes as it is.
void decodeSongTexts(std::vector<LrcMark> &marks, std::vector<std::string> &atTTexts,
                     const core::SongEncoding &encoding);

// The song creator's file for `path`: the song's first tempo (or msPerTick as
// kept from an earlier run, updated here when the song has one) and its
// marks through createLrc. Empty when the song cannot be read (see error).
// The window passes its tempo factor in `options` when the LRC goes with
// audio rendered at that tempo.
std::string songLrc(const std::string &path, double &msPerTick, LrcCreatorState &state, LrcSongError &error,
                    const LrcOptions &options = {});

// An LRC made for a song, and why it holds no line when it holds none.
struct SongLrc {
    std::string bytes;
    std::string whyEmpty;    // e.g. "stopped at an empty lyric event at 0:00, as the LRC rules say"
    bool exactLines = false; // lyricsForMp3 took the exact lines
};

// The file `cantora-cli lrc` writes: the LRC button's (a fresh creator, the
// song's first tempo) or, with `exact`, createExactLrc's.
SongLrc lrcForSong(const LrcSong &song, bool exact, const LrcOptions &options = {});

// The lyrics a karaoke MP3 carries: the LRC button's file or, when its rules
// give no line though the song has lyrics, the exact lines (in hundredths,
// without the [ti:]/[ar:] lines); whyEmpty then says why the button's gave none.
SongLrc lyricsForMp3(const LrcSong &song, const LrcOptions &options = {});

// What the window says when a song cannot be read for its LRC.
const char *lrcSongErrorText(LrcSongError error);

} // namespace cantora::lyrics

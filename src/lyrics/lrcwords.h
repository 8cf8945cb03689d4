#pragma once
// Word-timed lyrics: every sung syllable at its own time. A song gives them
// as the "enhanced" LRC (a "[mm:ss.xx]" tag per line, then "<mm:ss.xx>"
// before every syllable) and as the timed entries of an MP3's synchronised
// lyric frame; an LRC text gives them back, one per word tag or, without
// word tags, one per line tag.
//
// Timed entries follow the players' convention: a piece that starts a line
// (any line but the first) begins with "\n".

#include "lyrics/lrcsong.h"
#include "lyrics/lyrictimeline.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cantora::lyrics {

// One timed piece of lyric text: a syllable, a word or a whole line.
struct SyncedText {
    std::uint32_t ms = 0; // from the start of the song
    std::string text;     // UTF-8
    bool operator==(const SyncedText &) const = default;
};

// One entry per sung syllable of `timeline`, at its start.
std::vector<SyncedText> syncedSyllables(const LyricTimeline &timeline);

// The enhanced LRC of `timeline`, UTF-8, CR LF line ends: "[ti:]" and
// "[ar:]" when the song names them, "[length:mm:ss]" when lengthSeconds is
// above 0, then per line its first syllable's "[mm:ss.xx]" and every
// syllable after its own "<mm:ss.xx>".
std::string createWordLrc(const LyricTimeline &timeline, double lengthSeconds);

// The timed pieces of an LRC text in time order: one per "<mm:ss.xx>" word
// tag on lines that have them, else one per "[mm:ss.xx]" line tag holding
// the line's text. Header lines and lines without a time give none.
std::vector<SyncedText> syncedFromLrc(std::string_view lrc);

// LRC lines from timed pieces: a line starts at each piece beginning with
// "\n" (at every piece when none does) and is tagged "[mm:ss.xx]" at its
// first piece; lines end with CR LF.
std::string lrcFromSynced(const std::vector<SyncedText> &synced);

// What a karaoke MP3 carries of a song's lyrics.
struct KaraokeLyrics {
    std::string exactLrc;              // the exact LRC (createExactLrc)
    std::vector<SyncedText> syllables; // syncedSyllables
    std::string wordLrc;               // createWordLrc, with the song's length
};

// The song's lyrics in all three forms, every time the song's own time ×
// `timeScale` (the live tempo factor a render used: above 1 is slower), its
// texts read in `encoding` when one is named (else UTF-8 where valid, else
// CP1252). The engine must be initialised (the song's length is read through it).
KaraokeLyrics karaokeLyrics(const LrcSong &song, double timeScale = 1.0, const core::SongEncoding *encoding = nullptr);

} // namespace cantora::lyrics

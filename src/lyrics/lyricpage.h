#pragma once
// The live lyric page: at most three lines, grown mark by mark while the
// song plays, by the lyric grammar (lyricgrammar.h): a paragraph starts a
// fresh page, a new line adds a line, a fourth line turns the page.

#include <cstdint>
#include <string>
#include <string_view>

#include "audio/bass.h"
#include "lyrics/lyricgrammar.h"

namespace cantora::lyrics {

// The page and what was last reached; shared by the page and the LRC capture.
struct LyricState {
    std::string LyricPage; // lines separated by "\r\n"
    std::int32_t LastLyricTick = 0;
    std::string LastSyllable; // the last accepted mark as stored, break character included, CR/LF left out
    MarkReader reader;        // keeps a CR/LF break waiting for the next syllable
};

// Line count of a page: one more than its "\r\n" separators.
int countLines(std::string_view page);

// Applies one reached mark at stream tick `tick`. Returns false when nothing
// shown changes: a header mark, or a CR/LF mark whose break waits for the
// next syllable.
bool applyMark(LyricState &state, std::string_view text, std::int32_t tick);

// Empties the page and forgets a waiting break (open, seek, end of song).
void clearPage(LyricState &state);

// Where the lyrics of a song come from.
enum class MarkSource : DWORD { None = 0, Lyric = BASS_MIDI_MARK_LYRIC, Text = BASS_MIDI_MARK_TEXT };

// Lyric events when there are at least six, else text events when there are
// at least twenty-one, else none.
MarkSource markSourceFor(bool hasLyricMark5, bool hasTextMark20);
// The same rule asked of a stream.
MarkSource markSourceOf(HSTREAM stream);

} // namespace cantora::lyrics

#pragma once
// The live lyric page: at most three lines, grown mark by mark while the
// song plays. The first character of a mark's text decides what it does:
//   "@"         header information (title, language...): ignored
//   "\"         paragraph: a fresh page, the character dropped
//   "/" or "<"  new line, the character dropped
//   anything    a syllable, appended as it is (spaces included)

#include <cstdint>
#include <string>
#include <string_view>

#include "audio/bass.h"

namespace cantora::lyrics {

// What a mark text means for the page.
enum class SyllableKind { Header, Paragraph, Line, Syllable };

// The kind of a mark text (empty text is a syllable that adds nothing).
SyllableKind classify(std::string_view text);

// The page and what was last reached; shared by the page and the LRC capture.
struct LyricState {
    std::string LyricPage; // lines separated by "\r\n"
    std::int32_t LastLyricTick = 0;
    std::string LastSyllable; // the last accepted mark as stored, break character included
};

// Line count of a page: one more than its "\r\n" separators.
int countLines(std::string_view page);

// Applies one reached mark at stream tick `tick`. Returns false for a header
// mark, which changes nothing.
bool applyMark(LyricState &state, std::string_view text, std::int32_t tick);

// Empties the page (open, seek, end of song).
void clearPage(LyricState &state);

// Where the lyrics of a song come from.
enum class MarkSource : DWORD { None = 0, Lyric = BASS_MIDI_MARK_LYRIC, Text = BASS_MIDI_MARK_TEXT };

// Lyric events when there are at least six, else text events when there are
// at least twenty-one, else none.
MarkSource markSourceFor(bool hasLyricMark5, bool hasTextMark20);
// The same rule asked of a stream.
MarkSource markSourceOf(HSTREAM stream);

} // namespace cantora::lyrics

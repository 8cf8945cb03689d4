#pragma once
// The lyric grammar every reader of a song's marks shares: the live page,
// the song LRC creator, the exact LRC, the real-time capture and the
// sing-along timeline.
//
// The first character of a syllable decides what it does:
//   "@"         header information (title, language...): ignored
//   "\"         paragraph: a fresh page, the character dropped
//   "/" or "<"  new line, the character dropped
//   anything    a syllable, appended as it is (spaces included)
//
// Many karaoke files break their lines with control bytes instead: a
// carriage return (CR) ends a line; a line feed (LF), or CR and LF
// together, ends a paragraph. MarkReader turns those into the break
// characters above, so every reader sees "/word" or "\word" exactly as if
// the song had stored it:
//   - a mark holding only CR/LF bytes adds no syllable: the next syllable
//     starts the new line or paragraph (it is not an empty mark);
//   - CR/LF at the start of a text breaks before that text, at its end
//     before the next syllable, in its middle before the text after it (one
//     mark then gives two syllables, at the same time);
//   - breaks waiting together join: CR, then LF in the next mark, is a
//     paragraph;
//   - a syllable already starting with "/", "<" or "\" keeps its meaning; a
//     paragraph waiting makes it a paragraph;
//   - "@" headers and empty marks pass as they are, and a waiting break
//     waits on for the next real syllable.
// A mark without CR or LF passes unchanged.

#include <string>
#include <string_view>
#include <vector>

namespace cantora::lyrics {

// What a syllable means, by its first character.
enum class SyllableKind { Header, Paragraph, Line, Syllable };

// The kind of a syllable's text (empty text is a syllable that adds nothing).
SyllableKind classify(std::string_view text);

// True for a syllable that opens a line or a paragraph.
inline bool opensLine(SyllableKind kind) { return kind == SyllableKind::Paragraph || kind == SyllableKind::Line; }

// Reads marks in song order, keeping the break a CR or LF leaves waiting.
class MarkReader {
public:
    // The syllables of one mark's text, in order, with CR/LF breaks turned
    // into break characters: none for a mark of CR/LF only, one for most.
    std::vector<std::string> read(std::string_view mark);
    // Forgets a waiting break (a new song, a seek).
    void reset() { waiting_ = SyllableKind::Syllable; }

private:
    std::string opened(std::string_view text);
    SyllableKind waiting_ = SyllableKind::Syllable;
};

// A syllable as it is sung: without the break character that opens a line
// or a paragraph ("/five" is "five"); other syllables as they are.
std::string_view withoutBreak(std::string_view syllable);

// A mark's text without its CR and LF bytes (what the page shows as the
// syllable just reached).
std::string withoutCrLf(std::string_view text);

} // namespace cantora::lyrics

#pragma once
// A song's lyrics as a CD+G graphics stream: a title screen during the
// intro, up to four lines a page in an outlined font, the sung colour wiping
// each syllable from left to right over its duration, a countdown before
// lines after a long silence, a screen of its own for long instrumental
// gaps, an end screen. Lines are placed by the sing-along view's timeline
// (its rows, paragraphs and page turns, here with four rows); lines wider
// than the screen wrap at spaces and take a row per piece.
//
// Every tile change has a time it is due by; the packets are scheduled
// earliest due first within the 300 packets a second, a tile being drawn as
// soon as the picture it shows may appear (a line from the moment it comes
// on screen, a wipe step a few hundredths of a second before its time).
//
// Threading: plain functions; each call opens its own fonts.

#include "cdg/packet.h"
#include "lyrics/lyrictimeline.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cantora::cdg {

// The colour table's entries this writer uses.
enum ColourIndex : std::uint8_t { kBackground = 0, kOutline = 1, kTextColour = 2, kSungColour = 3 };

struct CdgOptions {
    std::string fontFamily; // empty: kDefaultFontFamily, bold
    Rgb4 background{0, 0, 2}, text{15, 15, 15}, sung{15, 12, 0};
    // The title screen's texts when the song has no "@T" title (tag fields).
    std::string title, artist;
    const core::SongEncoding *encoding = nullptr; // the song's texts, when named (else UTF-8 where valid, else CP1252)
};

// Geometry of the lyric rows.
inline constexpr int kRowCount = 4;
inline constexpr int kRowHeight = 36;     // three tile rows
inline constexpr int kFirstRowTop = 48;   // tile row 4
inline constexpr int kFontPixels = 22;    // em size: ascent plus descent is over two tile rows
inline constexpr int kTextMaxWidth = 276; // within the 288-pixel safe area

// One row of lyrics on screen: a timeline line, or the piece of one that
// wraps.
struct DisplayLine {
    std::string text;
    std::size_t timelineLine = 0, firstSyllable = 0, syllableCount = 0;
    int row = 0;
    double from = 0, to = 0;    // on screen
    double start = 0, end = 0;  // its first syllable's start, its last one's end
    std::vector<int> syllableX; // screen x where each syllable starts, then the right edge
    // kRowHeight rows of kScreenWidth pixels at y = top: ColourIndex values with fill as kTextColour.
    std::vector<std::uint8_t> pixels;
    int top = 0;
};

struct CdgStream {
    std::string error; // the stream could not be made (no font)
    std::string bytes; // packetCount(seconds) packets
    std::vector<DisplayLine> lines;
    std::vector<std::string> warnings; // missing characters, a font not found
    double latest = 0;                 // how late the latest lyric graphic came, seconds (0: none late;
                                       // the file's first second, with no time to draw ahead, not counted)
};

// The palette: the three colours and the outline (black, or white on dark text).
Palette cdgPalette(const CdgOptions &options);

// The stream for a song of `seconds` whose lyrics are `timeline`, built at
// `tempoFactor` (the same factor the timeline was built with).
CdgStream makeCdg(const lyrics::LyricTimeline &timeline, double seconds, const CdgOptions &options,
                  double tempoFactor = 1.0);

} // namespace cantora::cdg

#pragma once
// The lyric timeline of the sing-along view: the song's lyric marks laid out
// ahead of time as paragraphs, lines and syllables with start and end times
// in seconds, so that the view only asks "what is on screen at second t".
//
// The break characters are the live page's: "\" starts a paragraph, "/" and
// "<" a line (the character is dropped); a syllable ending in CR or LF also
// ends its line. "@" texts are never shown; the first and second "@T" texts
// are the title and the artist. Text is stored 8-bit: UTF-8 is kept, anything
// else is read as CP1252.
//
// Times are on the song's own clock (its tempo map) divided by the tempo
// factor, so a timeline built with factor 1 is compared with positions on
// the song's clock, and one built with factor f with wall-clock seconds of a
// song played f times as fast from the start.
//
// Threading: plain data; built once per song, read on any one thread.

#include <cstddef>
#include <string>
#include <vector>

#include "audio/bass.h"
#include "lyrics/lrccreator.h"

namespace cantora::lyrics {

// One sung syllable: its colour wipe runs from start to end.
struct TimedSyllable {
    std::string text; // UTF-8, break character dropped
    double start = 0; // seconds: its mark
    double end = 0;   // seconds: the next mark, at most kMaxSyllableSeconds later
};

// One line of the song.
struct TimedLine {
    std::vector<TimedSyllable> syllables;
    int paragraph = 0; // paragraphs counted from 0
    double start() const { return syllables.front().start; }
    double end() const { return syllables.back().end; }
    // The whole line's text.
    std::string text() const;
};

// A stretch with nothing sung that is long enough for a countdown.
struct LyricGap {
    double from = 0; // end of the previous line (0 for the intro)
    double to = 0;   // start of the next line
    std::size_t nextLine = 0;
};

// What the sing-along view shows at one moment.
struct SingAlongFrame {
    bool showTitle = false;    // nothing sung yet: title and artist
    std::size_t firstLine = 0; // the line on the top row (the one sung, or next to be)
    std::size_t lineCount = 0; // rows of lines shown: 0, 1 or 2
    bool singing = false;      // the top row's line has started
    int countdownDots = 0;     // 3, 2, 1 in the last seconds of a long gap; 0 otherwise
};

class LyricTimeline {
public:
    // A syllable's wipe never lasts longer than this, whatever the gap after it.
    static constexpr double kMaxSyllableSeconds = 2.0;
    // The last syllable of the song lasts this long.
    static constexpr double kLastSyllableSeconds = 1.0;
    // Silences at least this long get a countdown.
    static constexpr double kCountdownGapSeconds = 6.0;
    // The countdown's dots: one per second before the line.
    static constexpr int kCountdownDots = 3;
    // The intro shows the title until this long before the first line.
    static constexpr double kTitleLeadSeconds = 4.0;

    LyricTimeline() = default;
    // Lays out `marks` (the song's lyric source, stored text and song-clock
    // seconds) at the tempo factor; atTTexts are the "@T" texts without "@T".
    LyricTimeline(const std::vector<LrcMark> &marks, const std::vector<std::string> &atTTexts,
                  double tempoFactor = 1.0);

    const std::vector<TimedLine> &lines() const { return lines_; }
    const std::vector<LyricGap> &gaps() const { return gaps_; }
    const std::string &title() const { return title_; }
    const std::string &artist() const { return artist_; }
    bool empty() const { return lines_.empty(); }

    // What is on screen at `seconds`.
    SingAlongFrame frameAt(double seconds) const;
    // How much of each syllable of `line` is coloured at `seconds`, 0 to 1.
    std::vector<double> wipeAt(std::size_t line, double seconds) const;

private:
    std::vector<TimedLine> lines_;
    std::vector<LyricGap> gaps_;
    std::string title_, artist_;
};

// Where the colour boundary of a line stands, given each syllable's width in
// any unit and its wipe: the sum of the whole widths sung plus the part of the
// syllable being sung.
double wipeWidth(const std::vector<double> &syllableWidths, const std::vector<double> &wipe);

// The stream's playing position in seconds on the song's own clock (what the
// timeline's marks are measured on); negative when there is no stream.
double songClockSeconds(HSTREAM stream);

} // namespace cantora::lyrics

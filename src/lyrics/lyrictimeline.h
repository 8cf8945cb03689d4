#pragma once
// The lyric timeline of the sing-along view: the song's lyric marks laid out
// ahead of time as paragraphs, lines and syllables with start and end times
// in seconds, so that the view only asks "what is on screen at second t".
//
// Lines and paragraphs follow the lyric grammar (lyricgrammar.h) as the live
// page does; a syllable ending in a "/" after its text also ends its line
// (the slash is dropped). "@" texts are never shown; the first and second "@T" texts are the title and
// the artist. Text is stored 8-bit: UTF-8 is kept, anything else is read
// as CP1252.
//
// Times are on the song's own clock (its tempo map) divided by the tempo
// factor, so a timeline built with factor 1 is compared with positions on
// the song's clock, and one built with factor f with wall-clock seconds of a
// song played f times as fast from the start.
//
// Threading: plain data; built once per song, read on any one thread.

#include <array>
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
    int paragraph = 0;    // paragraphs counted from 0
    int row = 0;          // the view's row it is shown in: 0 upper, 1 lower
    double shownFrom = 0; // seconds: when it comes on screen (it leaves at its end)
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

// What the sing-along view shows at one moment. The view has two rows; a
// line keeps its row from the moment it comes on screen until it has been
// sung, so the eye never has to follow a line that moves. While one row is
// sung the other already shows the line after it.
struct SingAlongFrame {
    static constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);
    bool showTitle = false;                            // the intro: title and artist
    std::array<std::size_t, 2> rows{kNoLine, kNoLine}; // the line in each row
    std::size_t current = kNoLine;                     // the line being sung, or next to be; none once all are sung
    bool singing = false;                              // the current line has started
    int countdownDots = 0;                             // dots left in the last seconds of a long gap; 0 otherwise
    std::size_t lineCount() const { return (rows[0] != kNoLine) + (rows[1] != kNoLine); }
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
    static constexpr int kCountdownDots = 5;
    // The intro shows the title until this long before the first line (so a
    // long intro's countdown starts on the title screen).
    static constexpr double kTitleLeadSeconds = 3.0;
    // A new paragraph starts on a clean page, upper row first, when the page
    // can turn at least this long before its first syllable without taking
    // away a line still being sung; otherwise its first line takes the free row.
    static constexpr double kPageLeadSeconds = 2.0;

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
    // The first moment after `seconds` at which the picture changes other
    // than by a wipe moving on (a syllable starts, a line comes or goes, a
    // dot goes, the title leaves); negative when nothing changes any more.
    double nextChangeAfter(double seconds) const;

private:
    void addSyllable(std::string text, double at, bool &needLine, bool &newParagraph, int &paragraph);
    void placeLines(double tempoFactor);
    std::vector<TimedLine> lines_;
    std::vector<double> changes_; // sorted times of nextChangeAfter
    std::vector<LyricGap> gaps_;
    std::string title_, artist_;
    double tempoFactor_ = 1.0;
};

// Gives each line its row among rowCount rows and the time it comes on
// screen, as the sing-along view places its two: rows in turn, a paragraph
// from the top row when the page can turn early enough.
void placeInRows(std::vector<TimedLine> &lines, int rowCount, double tempoFactor);

// Where the colour boundary of a line stands, given each syllable's width in
// any unit and its wipe: the sum of the whole widths sung plus the part of the
// syllable being sung.
double wipeWidth(const std::vector<double> &syllableWidths, const std::vector<double> &wipe);

// The stream's playing position in seconds on the song's own clock (what the
// timeline's marks are measured on); negative when there is no stream.
double songClockSeconds(HSTREAM stream);

} // namespace cantora::lyrics

#pragma once
// LRC time tags and lines. Two dialects are written:
//   the song file's own, "[mm:ss]" in whole seconds and shown early (a
//   singer wants to read the line before it is sung): 1 s early, or 3 s
//   early when that lands on the seconds 0 to 2 of a later minute;
//   the exact one, "[mm:ss.xx]" in hundredths and not shifted, for players
//   that place a line precisely.
// Every line ends with CR LF. Minutes of 100 or more print with more digits.

#include <string>
#include <string_view>

namespace cantora::lyrics {

// Minutes and seconds of the tag for a line that starts at `seconds`.
struct TagTime {
    int minutes = 0;
    int seconds = 0;
};

// The early-tag rule applied to a start time in whole seconds (negative is read as 0).
TagTime earlyTag(int seconds);

// "[mm:ss]" for a line starting at `seconds`, early-tag rule applied.
std::string lrcTag(int seconds);

// "[mm:ss.xx]" for `seconds` rounded to the nearest hundredth, no shift.
std::string lrcExactTag(double seconds);

// One written line: the tag and the line text without its first character
// (the break character that opened it), then CR LF. Empty when nothing is
// left after that character: a line with no text is not written.
std::string lrcLine(int seconds, std::string_view lineText);

} // namespace cantora::lyrics

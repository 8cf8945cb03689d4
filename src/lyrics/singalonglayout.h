#pragma once
// Geometry of the sing-along view, without pixels: lines broken into rows by
// words so that nothing is clipped, the largest text size at which the rows
// fit the view, and where the colour wipe stands on each row. Widths come
// from a measuring function at a reference size; text widths grow in
// proportion to the size, so one measurement serves every size.
//
// Threading: plain functions.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cantora::lyrics {

// Width of a text at the reference size (any unit).
using MeasureText = std::function<double(std::string_view)>;

// One row of a wrapped line: syllables [first, first + count).
struct LayoutRow {
    std::size_t first = 0;
    std::size_t count = 0;
    double width = 0; // at the reference size
};

// Breaks a line's syllables into rows no wider than maxWidth, breaking only
// between words (after a syllable ending in a space or before one starting
// with one). A word wider than maxWidth gets a row of its own.
std::vector<LayoutRow> wrapSyllables(const std::vector<std::string> &syllables, const MeasureText &measure,
                                     double maxWidth);

// The text scale (1 = the reference size) at which every line fits: each
// wrapped at that scale within `width`, all rows together within `height`,
// a row being rowHeight high at scale 1. Capped at maxScale; never below
// minScale (the view then wraps harder, it does not clip).
double fitScale(const std::vector<std::vector<std::string>> &lines, const MeasureText &measure, double width,
                double height, double rowHeight, double maxScale, double minScale);

// One text scale for a whole song: the largest at which every two
// consecutive lines fit together (the view shows two at a time), so the text
// keeps its size from line to line. A line read in one row beats a larger
// text broken in the middle of a phrase: when every line fits its own row at
// no less than kOneRowShare of that scale, that smaller scale is taken.
// Same limits as fitScale.
inline constexpr double kOneRowShare = 0.6;
double songScale(const std::vector<std::vector<std::string>> &lines, const MeasureText &measure, double width,
                 double height, double rowHeight, double maxScale, double minScale);

// The coloured width on `row` given each syllable's wipe (0 to 1).
double rowWipeWidth(const LayoutRow &row, const std::vector<std::string> &syllables, const MeasureText &measure,
                    const std::vector<double> &wipe);

} // namespace cantora::lyrics

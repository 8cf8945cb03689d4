#include "lyrics/singalonglayout.h"

#include <algorithm>

namespace cantora::lyrics {

namespace {

bool breakBefore(const std::vector<std::string> &syllables, std::size_t i) {
    if (i == 0)
        return false;
    const std::string &prev = syllables[i - 1];
    const std::string &next = syllables[i];
    return (!prev.empty() && prev.back() == ' ') || (!next.empty() && next.front() == ' ');
}

} // namespace

std::vector<LayoutRow> wrapSyllables(const std::vector<std::string> &syllables, const MeasureText &measure,
                                     double maxWidth) {
    // Words first: runs of syllables between break points.
    std::vector<LayoutRow> words;
    for (std::size_t i = 0; i < syllables.size(); ++i) {
        if (words.empty() || breakBefore(syllables, i))
            words.push_back({i, 0, 0});
        words.back().count++;
        words.back().width += measure(syllables[i]);
    }
    std::vector<LayoutRow> rows;
    for (const LayoutRow &w : words) {
        if (!rows.empty() && rows.back().width + w.width <= maxWidth) {
            rows.back().count += w.count;
            rows.back().width += w.width;
        } else {
            rows.push_back(w);
        }
    }
    return rows;
}

double fitScale(const std::vector<std::vector<std::string>> &lines, const MeasureText &measure, double width,
                double height, double rowHeight, double maxScale, double minScale) {
    if (width <= 0 || height <= 0 || rowHeight <= 0)
        return minScale;
    // Shrink in small steps from the largest size until everything fits.
    for (double scale = maxScale; scale > minScale; scale *= 0.95) {
        std::size_t rows = 0;
        bool fits = true;
        for (const auto &line : lines) {
            for (const LayoutRow &r : wrapSyllables(line, measure, width / scale)) {
                ++rows;
                if (r.width * scale > width)
                    fits = false;
            }
        }
        if (fits && static_cast<double>(rows) * rowHeight * scale <= height)
            return scale;
    }
    return minScale;
}

double songScale(const std::vector<std::vector<std::string>> &lines, const MeasureText &measure, double width,
                 double height, double rowHeight, double maxScale, double minScale) {
    double scale = maxScale;
    if (lines.size() == 1)
        scale = fitScale(lines, measure, width, height, rowHeight, scale, minScale);
    for (std::size_t i = 0; i + 1 < lines.size() && scale > minScale; ++i)
        scale = std::min(scale, fitScale({lines[i], lines[i + 1]}, measure, width, height, rowHeight, scale, minScale));
    // The scale at which no line needs a second row.
    double oneRow = std::min(scale, height / (rowHeight * static_cast<double>(std::min<std::size_t>(2, lines.size()))));
    for (const auto &line : lines) {
        double w = 0;
        for (const std::string &s : line)
            w += measure(s);
        if (w > 0)
            oneRow = std::min(oneRow, width / w);
    }
    return oneRow >= kOneRowShare * scale && oneRow >= minScale ? oneRow : scale;
}

double rowWipeWidth(const LayoutRow &row, const std::vector<std::string> &syllables, const MeasureText &measure,
                    const std::vector<double> &wipe) {
    double w = 0;
    for (std::size_t i = row.first; i < row.first + row.count && i < syllables.size(); ++i)
        w += measure(syllables[i]) * (i < wipe.size() ? std::clamp(wipe[i], 0.0, 1.0) : 0.0);
    return w;
}

} // namespace cantora::lyrics

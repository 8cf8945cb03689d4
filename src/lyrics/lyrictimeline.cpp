#include "lyrics/lyrictimeline.h"

#include "core/textcodec.h"
#include "lyrics/lyricgrammar.h"

#include <algorithm>
#include <cmath>

namespace cantora::lyrics {

namespace {

std::string trimmed(std::string s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

} // namespace

std::string TimedLine::text() const {
    std::string out;
    for (const TimedSyllable &s : syllables)
        out += s.text;
    return out;
}

void LyricTimeline::addSyllable(std::string text, double at, bool &needLine, bool &newParagraph, int &paragraph) {
    const SyllableKind kind = classify(text);
    if (text.empty() || kind == SyllableKind::Header)
        return;
    if (opensLine(kind)) {
        newParagraph = newParagraph || (kind == SyllableKind::Paragraph && !lines_.empty());
        needLine = true;
        text.erase(0, 1);
    }
    // Some songs put the line's slash after its last word instead ("are./ ").
    bool endsLine = false;
    const auto last = text.find_last_not_of(' ');
    if (last != std::string::npos && last > 0 && text[last] == '/') {
        text.erase(last, 1);
        endsLine = true;
    }
    // Spaces alone never start a line: they would show as an empty one.
    const bool blank = text.find_first_not_of(' ') == std::string::npos;
    if (!text.empty() && !(blank && (needLine || lines_.empty()))) {
        if (needLine || lines_.empty()) {
            if (newParagraph)
                ++paragraph;
            newParagraph = false;
            lines_.push_back(TimedLine{{}, paragraph});
            needLine = false;
        }
        lines_.back().syllables.push_back({std::move(text), at, at});
    }
    if (endsLine)
        needLine = true;
}

LyricTimeline::LyricTimeline(const std::vector<LrcMark> &marks, const std::vector<std::string> &atTTexts,
                             double tempoFactor) {
    if (!(tempoFactor > 0))
        tempoFactor = 1.0;
    if (!atTTexts.empty())
        title_ = trimmed(core::toUtf8(atTTexts[0]));
    if (atTTexts.size() > 1)
        artist_ = trimmed(core::toUtf8(atTTexts[1]));

    bool needLine = true;
    bool newParagraph = false;
    int paragraph = 0;
    MarkReader reader;
    for (const LrcMark &m : marks) {
        for (std::string &text : reader.read(core::toUtf8(m.text)))
            addSyllable(std::move(text), m.seconds / tempoFactor, needLine, newParagraph, paragraph);
    }

    // Each syllable lasts until the next one starts, within limits.
    TimedSyllable *previous = nullptr;
    for (TimedLine &line : lines_)
        for (TimedSyllable &s : line.syllables) {
            if (previous)
                previous->end =
                    std::min(std::max(s.start, previous->start), previous->start + kMaxSyllableSeconds / tempoFactor);
            previous = &s;
        }
    if (previous)
        previous->end = previous->start + kLastSyllableSeconds / tempoFactor;

    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const double from = i == 0 ? 0.0 : lines_[i - 1].end();
        const double to = lines_[i].start();
        if (to - from >= kCountdownGapSeconds / tempoFactor)
            gaps_.push_back({from, to, i});
    }
    placeLines(tempoFactor);
}

void placeInRows(std::vector<TimedLine> &lines, int rowCount, double tempoFactor) {
    if (lines.empty() || rowCount < 1)
        return;
    // When each row was last given up by a line that had been sung.
    const double intro = lines.front().start() - LyricTimeline::kTitleLeadSeconds / tempoFactor;
    std::vector<double> rowFree(static_cast<std::size_t>(rowCount), intro);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TimedLine &line = lines[i];
        // A paragraph starts a clean page in the upper row when that row is
        // free early enough; otherwise, and within a paragraph, rows take turns.
        if (i == 0)
            line.row = 0;
        else if (line.paragraph != lines[i - 1].paragraph &&
                 std::max(rowFree[0], lines[i - 1].shownFrom) <=
                     line.start() - LyricTimeline::kPageLeadSeconds / tempoFactor)
            line.row = 0;
        else
            line.row = (lines[i - 1].row + 1) % rowCount;
        // Lines come on screen in their order, never before their row is free.
        const auto row = static_cast<std::size_t>(line.row);
        line.shownFrom = std::max(rowFree[row], i == 0 ? intro : lines[i - 1].shownFrom);
        rowFree[row] = line.end();
    }
}

void LyricTimeline::placeLines(double tempoFactor) {
    if (lines_.empty())
        return;
    placeInRows(lines_, 2, tempoFactor);

    for (const TimedLine &line : lines_) {
        changes_.push_back(line.shownFrom);
        changes_.push_back(line.end());
        for (const TimedSyllable &s : line.syllables)
            changes_.push_back(s.start);
    }
    for (const LyricGap &g : gaps_)
        for (int dot = 1; dot <= kCountdownDots; ++dot)
            changes_.push_back(g.to - dot / tempoFactor);
    std::sort(changes_.begin(), changes_.end());
    tempoFactor_ = tempoFactor;
}

SingAlongFrame LyricTimeline::frameAt(double seconds) const {
    SingAlongFrame f;
    if (lines_.empty()) {
        f.showTitle = true;
        return f;
    }
    const auto it = std::find_if(lines_.begin(), lines_.end(), [&](const TimedLine &l) { return l.end() > seconds; });
    if (it == lines_.end())
        return f; // the song has been sung
    f.current = static_cast<std::size_t>(it - lines_.begin());
    f.singing = seconds >= it->start();
    f.showTitle = seconds < lines_.front().shownFrom;
    // The lines on screen: the current one and those after it that have come up.
    for (auto l = it; l != lines_.end() && l->shownFrom <= seconds; ++l)
        if (l->end() > seconds)
            f.rows[static_cast<std::size_t>(l->row)] = static_cast<std::size_t>(l - lines_.begin());
    for (const LyricGap &g : gaps_)
        if (g.nextLine == f.current && seconds < g.to && seconds >= g.to - kCountdownDots / tempoFactor_)
            f.countdownDots =
                std::clamp(static_cast<int>(std::ceil((g.to - seconds) * tempoFactor_ - 1e-9)), 1, kCountdownDots);
    return f;
}

double LyricTimeline::nextChangeAfter(double seconds) const {
    const auto it = std::upper_bound(changes_.begin(), changes_.end(), seconds);
    return it == changes_.end() ? -1 : *it;
}

std::vector<double> LyricTimeline::wipeAt(std::size_t line, double seconds) const {
    std::vector<double> out;
    if (line >= lines_.size())
        return out;
    for (const TimedSyllable &s : lines_[line].syllables) {
        if (s.end <= s.start)
            out.push_back(seconds >= s.start ? 1.0 : 0.0);
        else
            out.push_back(std::clamp((seconds - s.start) / (s.end - s.start), 0.0, 1.0));
    }
    return out;
}

double wipeWidth(const std::vector<double> &syllableWidths, const std::vector<double> &wipe) {
    double w = 0;
    for (std::size_t i = 0; i < syllableWidths.size() && i < wipe.size(); ++i)
        w += syllableWidths[i] * wipe[i];
    return w;
}

double songClockSeconds(HSTREAM stream) {
    if (stream == 0)
        return -1;
    const QWORD pos = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    if (pos == QWORD(-1))
        return -1;
    return BASS_ChannelBytes2Seconds(stream, pos);
}

} // namespace cantora::lyrics

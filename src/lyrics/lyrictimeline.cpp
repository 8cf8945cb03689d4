#include "lyrics/lyrictimeline.h"

#include "core/textcodec.h"

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
    for (const LrcMark &m : marks) {
        std::string text = core::toUtf8(m.text);
        if (text.empty() || text.front() == '@')
            continue;
        if (text.front() == '\\') {
            newParagraph = !lines_.empty();
            needLine = true;
            text.erase(0, 1);
        } else if (text.front() == '/' || text.front() == '<') {
            needLine = true;
            text.erase(0, 1);
        }
        // Some songs end a line with the syllable's own CR or LF instead.
        bool endsLine = false;
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
            text.pop_back();
            endsLine = true;
        }
        if (!text.empty()) {
            if (needLine || lines_.empty()) {
                if (newParagraph)
                    ++paragraph;
                newParagraph = false;
                lines_.push_back(TimedLine{{}, paragraph});
                needLine = false;
            }
            const double at = m.seconds / tempoFactor;
            lines_.back().syllables.push_back({std::move(text), at, at});
        }
        if (endsLine)
            needLine = true;
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
}

SingAlongFrame LyricTimeline::frameAt(double seconds) const {
    SingAlongFrame f;
    if (lines_.empty()) {
        f.showTitle = true;
        return f;
    }
    const auto it = std::find_if(lines_.begin(), lines_.end(), [&](const TimedLine &l) { return l.end() > seconds; });
    if (it == lines_.end()) {
        f.firstLine = lines_.size();
        return f; // the song has been sung
    }
    f.firstLine = static_cast<std::size_t>(it - lines_.begin());
    f.singing = seconds >= it->start();
    if (f.firstLine == 0 && seconds < it->start() - kTitleLeadSeconds)
        f.showTitle = true;
    else
        f.lineCount = std::min<std::size_t>(2, lines_.size() - f.firstLine);
    for (const LyricGap &g : gaps_)
        if (g.nextLine == f.firstLine && seconds < g.to && seconds >= g.to - kCountdownDots)
            f.countdownDots = std::clamp(static_cast<int>(std::ceil(g.to - seconds)), 1, kCountdownDots);
    return f;
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

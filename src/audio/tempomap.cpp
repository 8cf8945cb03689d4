#include "audio/tempomap.h"

#include <algorithm>
#include <cmath>

namespace cantora::audio {

TempoMap::TempoMap(std::uint16_t division, std::vector<std::pair<std::uint64_t, std::uint32_t>> changes, double rate)
    : division_(division ? division : 480), rate_(rate > 0 ? rate : 44100.0) {
    std::stable_sort(changes.begin(), changes.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    segments_.push_back({0.0, 0.0, kDefaultTempo});
    for (const auto &[tick, tempo] : changes) {
        if (tempo == 0)
            continue;
        Segment &last = segments_.back();
        const double t = static_cast<double>(tick);
        if (t == last.tick) {
            // Several tempo events on one tick: the last one wins.
            last.tempo = tempo;
            continue;
        }
        segments_.push_back({t, advance(last.frame, t - last.tick, last.tempo), tempo});
    }
}

double TempoMap::framesPerTick(std::uint32_t usPerQuarter) const {
    return static_cast<double>(usPerQuarter) * rate_ / (1e6 * division_);
}

double TempoMap::advance(double startFrame, double dTicks, std::uint32_t usPerQuarter) const {
    return startFrame + dTicks * framesPerTick(usPerQuarter);
}

std::uint64_t TempoMap::sampleOf(double frame) {
    if (frame <= 0)
        return 0;
    // Tolerate the rounding noise of summing segments, so an event that lies
    // on a sample boundary is not pushed one sample late.
    return static_cast<std::uint64_t>(std::ceil(frame - 1e-6));
}

const TempoMap::Segment &TempoMap::segmentForTick(double tick) const {
    auto it = std::upper_bound(segments_.begin(), segments_.end(), tick,
                               [](double t, const Segment &s) { return t < s.tick; });
    return *(it == segments_.begin() ? it : it - 1);
}

const TempoMap::Segment &TempoMap::segmentForFrame(double frame) const {
    auto it = std::upper_bound(segments_.begin(), segments_.end(), frame,
                               [](double f, const Segment &s) { return f < s.frame; });
    return *(it == segments_.begin() ? it : it - 1);
}

double TempoMap::tickToFrame(double tick) const {
    if (tick <= 0)
        return 0;
    const Segment &s = segmentForTick(tick);
    return advance(s.frame, tick - s.tick, s.tempo);
}

double TempoMap::frameToTick(double frame) const {
    if (frame <= 0)
        return 0;
    const Segment &s = segmentForFrame(frame);
    return s.tick + (frame - s.frame) / framesPerTick(s.tempo);
}

std::uint32_t TempoMap::tempoAt(double tick) const { return segmentForTick(tick < 0 ? 0 : tick).tempo; }

} // namespace cantora::audio

#include "lyrics/positionsmoother.h"

#include <algorithm>

namespace cantora::lyrics {

namespace {

// A step that comes after this long is a restart after a pause, not pace.
constexpr double kStallSeconds = 0.25;

} // namespace

void PositionSmoother::restart(double enginePos, double wall) { sights_.assign(1, {wall, enginePos}); }

double PositionSmoother::at(double enginePos, double wall) {
    if (enginePos < 0) {
        sights_.clear();
        lastPos_ = shown_ = -1;
        rate_ = step_ = 0;
        return -1;
    }
    if (enginePos != lastPos_) {
        const double dPos = enginePos - lastPos_;
        const double dWall = sights_.empty() ? 0 : wall - sights_.back().wall;
        // A step forward at a believable pace is playback; anything else is a jump.
        const bool playing = lastPos_ >= 0 && dPos > 0 && dWall > 0 && dPos / dWall < 8.0 && dPos < 1.0;
        if (!playing) {
            restart(enginePos, wall);
            rate_ = step_ = 0;
            shown_ = -1;
        } else if (dWall > kStallSeconds) {
            // Going on after a pause: the pace is what it was, the timing new.
            restart(enginePos, wall);
            step_ = dPos;
        } else {
            sights_.push_back({wall, enginePos});
            while (sights_.size() > 2 && wall - sights_[1].wall >= kPaceSeconds)
                sights_.pop_front();
            // The pace: a least-squares line through the sights, so that
            // how late each one was seen averages out.
            double mw = 0, mp = 0;
            for (const Sight &x : sights_) {
                mw += x.wall;
                mp += x.pos;
            }
            mw /= static_cast<double>(sights_.size());
            mp /= static_cast<double>(sights_.size());
            double sww = 0, swp = 0;
            for (const Sight &x : sights_) {
                sww += (x.wall - mw) * (x.wall - mw);
                swp += (x.wall - mw) * (x.pos - mp);
            }
            if (sww > 0)
                rate_ = swp / sww;
            step_ = dPos;
        }
        lastPos_ = enginePos;
    }
    // The highest of the recent lower bounds, carried on to now.
    double pos = enginePos;
    const std::size_t from = sights_.size() > kBoundSteps ? sights_.size() - kBoundSteps : 0;
    for (std::size_t i = from; i < sights_.size(); ++i)
        pos = std::max(pos, sights_[i].pos + rate_ * (wall - sights_[i].wall));
    pos = std::min(pos, enginePos + step_);
    // Never step back while playing on: the estimate may have been a little ahead.
    if (shown_ >= 0 && pos < shown_ && shown_ - pos < 0.25 && rate_ > 0)
        pos = shown_;
    shown_ = pos;
    return pos;
}

} // namespace cantora::lyrics

#include "lyrics/positionsmoother.h"

#include <algorithm>

namespace cantora::lyrics {

double PositionSmoother::at(double enginePos, double wall) {
    if (enginePos < 0) {
        lastPos_ = shown_ = -1;
        rate_ = 0;
        return -1;
    }
    if (enginePos != lastPos_) {
        const double dPos = enginePos - lastPos_;
        const double dWall = wall - lastWall_;
        // A step forward at a believable pace is playback; anything else is a jump.
        if (lastPos_ >= 0 && dPos > 0 && dWall > 0 && dPos / dWall < 8.0 && dPos < 1.0) {
            rate_ = dPos / dWall;
            stepWall_ = dWall;
        } else {
            rate_ = 0;
            stepWall_ = 0;
        }
        lastPos_ = enginePos;
        lastWall_ = wall;
    }
    double pos = lastPos_ + rate_ * std::clamp(wall - lastWall_, 0.0, stepWall_);
    // Never step back while playing on: the next engine step may land a
    // little short of where the estimate already was.
    if (shown_ >= 0 && pos < shown_ && shown_ - pos < 0.25 && rate_ > 0)
        pos = shown_;
    shown_ = pos;
    return pos;
}

} // namespace cantora::lyrics

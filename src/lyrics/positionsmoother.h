#pragma once
// The playing position between the engine's steps. The engine's position
// moves a whole mixing block at a time (tens of milliseconds); a colour wipe
// driven by it would stutter and change colour up to a block late. This
// carries the position on with the wall clock at the pace of the recent
// steps, never further than one step's worth, so that a pause stops it
// within a step; a jump (seek, new stream) is taken as it is.
//
// A step is only seen when the position is next read, some milliseconds
// after it happened. Each first sight of a step is a lower bound for where
// the song is ("at least here by now"); the estimate follows the highest of
// the recent bounds carried on at the pace, so it locks onto the steps' true
// timing instead of trailing by however late they were seen.
//
// Threading: plain data, one thread.

#include <deque>

namespace cantora::lyrics {

class PositionSmoother {
public:
    // The position to show for the engine's `enginePos` (seconds, negative
    // when nothing plays) read at wall-clock second `wall`.
    double at(double enginePos, double wall);

    // Steps whose first sight sets the estimate; the pace is measured over
    // kPaceSeconds of steps.
    static constexpr int kBoundSteps = 6;
    static constexpr double kPaceSeconds = 1.0;

private:
    struct Sight {
        double wall, pos;
    };
    void restart(double enginePos, double wall);
    std::deque<Sight> sights_; // first sights of the steps since the last jump or stall
    double lastPos_ = -1;      // the engine position at its last step
    double rate_ = 0;          // song seconds per wall second
    double step_ = 0;          // song seconds of the last step
    double shown_ = -1;        // the last position given
};

} // namespace cantora::lyrics

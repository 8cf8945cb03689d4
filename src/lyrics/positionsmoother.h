#pragma once
// The playing position between the engine's steps. The engine's position
// moves a whole mixing block at a time (tens of milliseconds); a colour wipe
// driven by it would stutter and change colour up to a block late. This
// carries the position on with the wall clock at the pace of the last steps,
// never further than one step's worth, so that a pause stops it within a
// step; a jump (seek, new stream) is taken as it is.
//
// Threading: plain data, one thread.

namespace cantora::lyrics {

class PositionSmoother {
public:
    // The position to show for the engine's `enginePos` (seconds, negative
    // when nothing plays) read at wall-clock second `wall`.
    double at(double enginePos, double wall);

private:
    double lastPos_ = -1; // the engine position at its last step
    double lastWall_ = 0; // when that step was seen
    double rate_ = 0;     // song seconds per wall second over the last step
    double stepWall_ = 0; // wall seconds the last step took
    double shown_ = -1;   // the last position given
};

} // namespace cantora::lyrics

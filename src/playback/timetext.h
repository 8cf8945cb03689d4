#pragma once
// Time texts and the rounding the player's displays and knobs use.

#include <cstdint>
#include <string>

namespace cantora::playback {

// Nearest integer, halves going to the even neighbour (2.5 -> 2, 3.5 -> 4).
std::int64_t nearest(double x);

// "mm:ss", or "hh:mm:ss" from one hour on (75 -> "01:15", 3725 -> "01:02:05").
std::string Convert_Time(std::int32_t seconds);

} // namespace cantora::playback

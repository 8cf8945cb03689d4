#pragma once
// The General MIDI instrument names the mixer shows, as the strips and the
// instrument list have always spelled them.

#include <string>

namespace cantora::player {

// Name of program 0-127; 128 names the drums ("Percussion"); any other
// value gives an empty text.
std::string GetPatch(int program);

} // namespace cantora::player

#pragma once
// The General MIDI instrument names the mixer shows, as the strips and the
// instrument list have always spelled them.

#include <string>

namespace cantora::player {

// Name of program 0-127; 128 names the drums ("Percussion"); any other
// value gives an empty text.
std::string GetPatch(int program);

// The name of program `numstr` (0-128) becomes `current`; any other value
// leaves `current` as it was.
void descrizionestrumenti(int numstr, std::string &current);

} // namespace cantora::player

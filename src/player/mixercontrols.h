#pragma once
// What the player window's tempo, key, volume and effect sliders mean, as
// numbers and texts, kept apart from the widgets.

#include <string>

namespace cantora::player {

// Tempo slider 0-20 (10 = the song's tempo): the factor the song's tempo
// value is multiplied by, 20 / (30 - v): 2/3 at 0 (faster), 2 at 20.
float tempoFactorOf(int slider);
// Its tooltip: the change as the user reads it, "50%" at 0, "-50%" at 20.
std::string tempoTip(int slider);
// SoundFont volume slider 1-10 (inverted): the volume (10 - v) / 10 and the
// number its box shows, 10 - v.
float fontVolumeOf(int slider);
int fontVolumeBox(int slider);
// Value a channel's volume slider (0 at the top) sends: 127 - v.
int sentVolume(int slider);
// The key a channel plays under the key slider and its own slider (both
// with -v semitones; the value sent is 100 + the result): 101 for key
// slider -2 and channel slider 1.
int channelKeyEvent(int keySlider, int channelSlider);

} // namespace cantora::player

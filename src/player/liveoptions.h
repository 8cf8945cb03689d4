#pragma once
// The live settings as command-line options, named after what the window
// shows: channels 1-16 as the strips number them, the tempo as the tempo
// slider's percentage, the font volume as its 0-9 box.

#include "player/livesettings.h"

#include <string>

namespace cantora::player {

// True for an option this parser knows (all of them take one value).
bool isLiveOption(const std::string &option);

// Sets what `option` with `value` means on `settings`. Returns an empty text
// on success, else why the value is refused (naming the option and range).
std::string applyLiveOption(const std::string &option, const std::string &value, LiveSettings &settings);

// The options' usage lines.
extern const char *const kLiveOptionsUsage;

} // namespace cantora::player

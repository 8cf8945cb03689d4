#pragma once
// The text of the audio error box: the message, a blank line, then
// "BASS error code: " and the engine's error number.

#include <string>
#include <string_view>

namespace cantora::core {

// "Can't play the file\n\nBASS error code: 2"
std::string errorText(std::string_view message, int code);

} // namespace cantora::core

#pragma once
// The encoding presets offered to the user, in the order they are listed,
// shared by the main window's preset list and cantora-cli.

#include <array>
#include <optional>
#include <string>

namespace cantora::render {

// One entry of the preset list: what the user reads and the code the
// encoder's EncodingPreset takes.
struct EncoderPreset {
    const char *text;
    long code;
};

// The sixteen presets in list order.
const std::array<EncoderPreset, 16> &EncoderPresets();

// The entry selected when the list is filled: "Standard (VBR 44.1kHz, 170-210kbps)".
constexpr int kDefaultPresetIndex = 3;

// The preset code for a user's word: a code from the list ("6"), a full
// text, or the text's name before " (" in any case ("standard", "insane",
// "standard fast", "defaults"). Empty when nothing matches.
std::optional<long> FindPresetCode(const std::string &word);

} // namespace cantora::render

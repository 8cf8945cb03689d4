#include "render/encoderpresets.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace cantora::render {

namespace {

const std::array<EncoderPreset, 16> kPresets{{
    {"(Defaults)", -1},
    {"Voice Quality (VBR 32kHz, 100-140kbps)", 3},
    {"R3 Mix Quality (VBR 44.1kHz, 190-200kbps)", 4},
    {"Standard (VBR 44.1kHz, 170-210kbps)", 6},
    {"Standard Fast (VBR 44.1kHz, 170-210kbps)", 7},
    {"Extreme (VBR 44.1kHz 200-240kbps)", 8},
    {"Extreme Fast (VBR 44.1kHz 200-240kbps)", 9},
    {"Insane (CBR 44.1kHz 320kbps)", 10},
    {"Normal Quality (CBR 44.1kHz, 128kbps)", 0},
    {"Low Quality (CBR 44.1kHz, 128kbps)", 1},
    {"Medium Quality (CBR 44.1kHz, 128kbps)", 13},
    {"Medium Fast (CBR 44.1kHz, 128kbps)", 14},
    {"High Quality (CBR 44.1kHz, 128kbps)", 2},
    {"Very High Quality (CBR 44.1kHz, 128kbps, very slow)", 5},
    {"ABR (Must set bit rate)", 11},
    {"CBR (Must set bit rate)", 12},
}};

std::string folded(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// "Standard Fast (VBR ...)" -> "standard fast"; "(Defaults)" -> "defaults".
std::string shortName(const std::string &text) {
    if (!text.empty() && text.front() == '(')
        return folded(text.substr(1, text.find(')') - 1));
    return folded(text.substr(0, text.find(" (")));
}

} // namespace

const std::array<EncoderPreset, 16> &EncoderPresets() { return kPresets; }

std::optional<long> FindPresetCode(const std::string &word) {
    long number = 0;
    const char *end = word.data() + word.size();
    if (auto [p, ec] = std::from_chars(word.data(), end, number); ec == std::errc() && p == end) {
        for (const auto &preset : kPresets)
            if (preset.code == number)
                return number;
        return std::nullopt;
    }
    const std::string w = folded(word);
    for (const auto &preset : kPresets)
        if (w == folded(preset.text) || w == shortName(preset.text))
            return preset.code;
    return std::nullopt;
}

} // namespace cantora::render

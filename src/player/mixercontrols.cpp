#include "player/mixercontrols.h"

#include <algorithm>

namespace cantora::player {

float tempoFactorOf(int slider) {
    slider = std::clamp(slider, 0, 20);
    return 20.0f / static_cast<float>(30 - slider);
}

std::string tempoTip(int slider) { return std::to_string((slider - 20 / 2) * -1 * 5) + "%"; }

float fontVolumeOf(int slider) { return static_cast<float>(10 - std::clamp(slider, 1, 10)) / 10.0f; }

int fontVolumeBox(int slider) { return 10 - std::clamp(slider, 1, 10); }

int sentVolume(int slider) { return 127 - std::clamp(slider, 0, 127); }

int channelKeyEvent(int keySlider, int channelSlider) { return 100 - channelSlider - keySlider; }

} // namespace cantora::player

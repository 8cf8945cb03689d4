#include "player/mixer.h"

#include "player/gmnames.h"
#include "player/mixercontrols.h"

#include <algorithm>

namespace cantora::player {

namespace {
std::size_t at(int channel) { return static_cast<std::size_t>(channel & 15); }
} // namespace

void Mixer::volumeMoved(int channel, int slider) {
    live_.channels[at(channel)].volume = sentVolume(slider);
    records_[at(channel)].volumeChanged = 1;
}

int Mixer::muteClicked(int channel, bool sounding) {
    ChannelLive &c = live_.channels[at(channel)];
    c.mute = !sounding;
    if (!sounding)
        return 127;
    // Back to the file's volume: a fader the user never moved follows the song again.
    const int fileVolume = records_[at(channel)].volume;
    if (records_[at(channel)].volumeChanged)
        c.volume = fileVolume;
    else
        c.volume.reset();
    return 127 - fileVolume;
}

bool Mixer::soloClicked(int channel) {
    for (auto &c : live_.channels)
        c.solo = false;
    soloOn_ = !soloOn_;
    soloChannel_ = channel & 15;
    if (soloOn_)
        live_.channels[at(channel)].solo = true;
    return soloOn_;
}

bool Mixer::instrumentClicked(int channel, int program) {
    if (channel == LiveSettings::kDrumChannel)
        return false;
    program = std::clamp(program, 0, 127);
    live_.channels[at(channel)].program = program;
    records_[at(channel)].program = static_cast<std::int16_t>(program);
    records_[at(channel)].programChanged = 1;
    descrizionestrumenti(program, instrument_);
    if (++clicks_ < 2)
        return false;
    clicks_ = 0;
    return true;
}

void Mixer::chorusMoved(int channel, int v) { live_.channels[at(channel)].chorus = std::clamp(v, 0, 127); }
void Mixer::reverbMoved(int channel, int v) { live_.channels[at(channel)].reverb = std::clamp(v, 0, 127); }
void Mixer::panMoved(int channel, int v) { live_.channels[at(channel)].pan = std::clamp(v, 0, 127); }

void Mixer::channelKeyMoved(int channel, int slider) {
    if (channel == LiveSettings::kDrumChannel)
        return;
    live_.channels[at(channel)].key = -slider;
    live_.channels[at(channel)].keyOverridden = false;
}

void Mixer::keyMoved(int slider) {
    live_.key = -slider;
    // The global key goes out alone on every channel until a channel's own
    // key slider moves again.
    for (auto &c : live_.channels)
        c.keyOverridden = true;
}

void Mixer::tempoMoved(int slider) { live_.tempoFactor = tempoFactorOf(slider); }

void Mixer::eqMoved(int band, int slider) {
    if (band < 0 || band >= static_cast<int>(live_.eqGains.size()))
        return;
    live_.eqGains[static_cast<std::size_t>(band)] = static_cast<float>(-slider);
}

void Mixer::compressor(bool on, int gainSlider) {
    live_.compressor = on;
    live_.compressorGain = static_cast<float>(on ? std::clamp(gainSlider, 2, 15) : 2);
}

LiveSettings Mixer::renderSettings() const {
    LiveSettings s = live_;
    // A render adds every channel's key to the global one, whatever the
    // player last sent.
    for (auto &c : s.channels)
        c.keyOverridden = false;
    if (!drumKitChosen_)
        s.drumKit.reset();
    return s;
}

void Mixer::clear() {
    for (auto &c : live_.channels) {
        c.key = 0;
        c.solo = false;
    }
    soloOn_ = false;
    drumKitChosen_ = false;
    live_.tempoFactor = 1.0f;
    compressor(false, 2);
}

} // namespace cantora::player

#pragma once
// The strips' and effect controls' rules on the live settings and the
// channel records: what a click or a slider move changes, apart from the
// widgets that show it. The caller applies the settings to the stream.

#include "player/channels.h"
#include "player/livesettings.h"

namespace cantora::player {

class Mixer {
public:
    Mixer(LiveSettings &live, ChannelRecords &records) : live_(live), records_(records) {}

    // Volume slider (0 at the top) of a channel moved by the user.
    void volumeMoved(int channel, int slider);
    // Mute box clicked; `sounding` = its new tick. Returns the volume
    // slider's new value: 127 when muted, else the file's volume (127 - it).
    int muteClicked(int channel, bool sounding);
    // Solo label clicked: solo on that channel when none is on, else all
    // channels sound again. Returns whether a solo is now on.
    bool soloClicked(int channel);
    bool soloOn() const { return soloOn_; }
    // Instrument picked from the list for the selected channel. Returns
    // true on the second click since the list opened (it closes then).
    bool instrumentClicked(int channel, int program);
    // The list opened (the counter restarts; its automatic selection is
    // the first click).
    void instrumentListOpened() { clicks_ = 0; }
    // Chorus, reverb, pan sliders (values sent unchanged).
    void chorusMoved(int channel, int v);
    void reverbMoved(int channel, int v);
    void panMoved(int channel, int v);
    // Channel key slider (-v semitones); nothing on the drum channel.
    void channelKeyMoved(int channel, int slider);
    // Key slider (-v semitones on every channel but the drums).
    void keyMoved(int slider);
    // Tempo slider 0-20.
    void tempoMoved(int slider);
    // Equaliser band slider b (gain -v dB), the box, and the compressor.
    void eqMoved(int band, int slider);
    void equalizer(bool on) { live_.equalizer = on; }
    void compressor(bool on, int gainSlider);
    // Clear: channel keys 0, tempo factor 1, compressor off at gain 2, no solo.
    void clear();

private:
    LiveSettings &live_;
    ChannelRecords &records_;
    bool soloOn_ = false;
    int clicks_ = 0;
};

} // namespace cantora::player

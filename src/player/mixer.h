#pragma once
// The strips' and effect controls' rules on the live settings and the
// channel records: what a click or a slider move changes, apart from the
// widgets that show it. The caller applies the settings to the stream.

#include "player/channels.h"
#include "player/livesettings.h"

#include <string>

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
    // The channel the solo was last clicked on.
    int soloChannel() const { return soloChannel_; }
    // Instrument picked from the list for the selected channel. Returns
    // true on the second click since the list opened (it closes then).
    bool instrumentClicked(int channel, int program);
    // The list opened (the counter restarts; its automatic selection is
    // the first click).
    void instrumentListOpened() { clicks_ = 0; }
    // The name of the instrument picked last.
    const std::string &currentInstrument() const { return instrument_; }
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
    // The drum button closes the kit list: the kit chosen there is the one
    // a render plays on the drum channel.
    void drumButtonClicked() { drumKitChosen_ = true; }
    bool drumKitChosen() const { return drumKitChosen_; }
    // The settings a render of the song takes: what the player plays, but the
    // drum channel keeps the song's own kit until the drum button was pressed.
    LiveSettings renderSettings() const;
    // Clear: channel keys 0, tempo factor 1, compressor off at gain 2, no
    // solo, no drum kit chosen.
    void clear();

private:
    LiveSettings &live_;
    ChannelRecords &records_;
    bool soloOn_ = false;
    bool drumKitChosen_ = false;
    int soloChannel_ = 0;
    int clicks_ = 0;
    std::string instrument_;
};

} // namespace cantora::player

#pragma once
// The wiring of the player window's mixer: the channel strips, the effects
// panel, the key slider `Sldtone` and "Reset Eq." (`CmdReset`) to the
// mixer's rules, each change applied live and its readouts refreshed.
//
// Threading: UI thread only.

#include <QObject>

#include <functional>

class QPushButton;
class QSlider;

namespace cantora::player {

class ChannelStrips;
class EffectsPanel;
class Mixer;
class SoundFontBar;
class Transport;

class MixerBinding : public QObject {
    Q_OBJECT
public:
    // `renderAll`: the strips' multi-font button was pressed (Wave may render with every font).
    MixerBinding(Transport &transport, Mixer &mixer, ChannelStrips *strips, EffectsPanel *effects, QSlider *key,
                 QPushButton *reset, SoundFontBar *fonts, std::function<void()> renderAll, QObject *parent);

    // Clear: channel keys, tempo and compressor back to their start.
    void Clear();
    // The equaliser box: the panel's box and band gains into the live settings, applied.
    void chkEqualizer_Click();
    // The display timer: the tempo readout with the beats per minute.
    void showBpm(const QString &bpm);

private:
    // Applies the live settings to the song and refreshes the readouts.
    void liveEdited();

    Transport &transport_;
    Mixer &mixer_;
    ChannelStrips *strips_;
    EffectsPanel *effects_;
    QSlider *key_;
    int selectedChannel_ = 0; // target of the instrument list
};

} // namespace cantora::player

#pragma once
// The SoundFont bar of the player window: "SoundFont..." (`btnreplace`), the
// SoundFont volume `SldVol` with its readout `TextR`, the font name
// `LblSfont`, and the strips' per-channel SoundFont buttons and drum kit list.
// It forwards to the transport's SoundFonts and shows what they hold.
//
// Threading: UI thread only.

#include "player/channels.h"

#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace cantora::player {

class ChannelStrips;
class Mixer;
class Transport;

// What the bar takes from the window it sits in.
struct SoundFontHost {
    std::function<void()> choosing;                      // a font chooser opens: Wave and MP3 wait
    std::function<std::string()> startFolder;            // where the main font's chooser starts
    std::function<void(const std::string &path)> chosen; // a main font chosen, remembered
    std::function<void()> replaced;                      // the main font replaced
    std::function<void(int ms)> wait;                    // a blocking pause while fonts load
};

class SoundFontBar : public QWidget {
    Q_OBJECT
public:
    // The Linux folder of system SoundFonts, where a channel font choice starts.
    static constexpr const char *kSystemSoundFonts = "/usr/share/sounds/sf2";

    SoundFontBar(SoundFontHost host, Transport &transport, Mixer &mixer, ChannelStrips *strips,
                 QWidget *parent = nullptr);

    // The volume slider and its readout, and the font name, placed by the window.
    QSlider *volumeSlider() const { return SldVol; }
    QLineEdit *volumeText() const { return TextR; }
    QLabel *fontLabel() const { return LblSfont; }
    QPushButton *replaceButton() const { return btnreplace; }

    // Loads the main SoundFont (settings, else the default).
    void Font_General();
    // SoundFont...: replaces the main SoundFont.
    void btnreplace_Click();
    // A strip's SoundFont button: a font for that channel's instrument.
    void CmdSF2_Click(int index);
    // Fills the drum kit list of `channel` from the main SoundFont and shows it.
    void Drum(int channel);
    // A drum kit clicked: its list position becomes the drum channel's program.
    void LstDrum_Click(int row);
    // The drum strip names the kit the song starts on, as the SoundFont calls it.
    void nameSongKit(const ChannelRecord &drums);
    // The drum button: closes the kit list.
    void CmdDrum_Click();
    // The SoundFont volume slider moved.
    void SldVol_Scroll();
    // The font volume the transport holds (0-1), on the slider and its readout.
    void showVolume(float volume);
    // The display timer: the font name.
    void refresh();

private:
    // The SoundFont chooser of the replace and channel buttons; empty when cancelled.
    std::string chooseSoundFont(const std::string &initDir);

    SoundFontHost host_;
    Transport &transport_;
    Mixer &mixer_;
    ChannelStrips *strips_;
    int drumChannel_ = 9;

    QPushButton *btnreplace;
    QSlider *SldVol;
    QLineEdit *TextR;
    QLabel *LblSfont;
};

} // namespace cantora::player

#pragma once
// The sixteen channel strips along the bottom of the player window, with
// the instrument and drum kit lists. Each strip (index = MIDI channel,
// shown as channel + 1; channel 10 is the drums) shows its instrument name
// (`Label3`_c) and offers the instrument button (`Option1`_c), a vertical
// volume fader (`Slider2`_c, 0 at the top = loudest), the mute box
// (`Check1`_c, ticked = sounding), the solo label (`Label2`_c), chorus,
// reverb and pan (`Slider1`_c, `Slider3`_c, `Slider4`_c), the channel key
// (`StoneSingle`_c with `LblPit`_c) and a SoundFont button (`CmdSF2`_c).
// Above them: `CkPg`, `CmdMulti` and `CmdKmt`; the instrument list `List3`
// and the drum kit list `LstDrum` with `CmdDrum` open over the strips.
// The strips only show and report: the window applies what they say.
//
// Threading: UI thread only.

#include "player/channels.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

namespace cantora::player {

class ChannelStrips : public QWidget {
    Q_OBJECT
public:
    explicit ChannelStrips(QWidget *parent = nullptr);

    // The strips keep two lines for every instrument name whatever their
    // width, so their height never depends on it.
    bool hasHeightForWidth() const override { return false; }

    QLabel *Label3(int c) const { return label3_[at(c)]; }
    QPushButton *CmdSF2(int c) const { return cmdSF2_[at(c)]; }
    QPushButton *Option1(int c) const { return option1_[at(c)]; }
    QSlider *Slider2(int c) const { return slider2_[at(c)]; }
    QCheckBox *Check1(int c) const { return check1_[at(c)]; }
    QLabel *Label2(int c) const { return label2_[at(c)]; }
    QSlider *Slider1(int c) const { return slider1_[at(c)]; }
    QSlider *Slider3(int c) const { return slider3_[at(c)]; }
    QSlider *Slider4(int c) const { return slider4_[at(c)]; }
    QSlider *StoneSingle(int c) const { return stoneSingle_[at(c)]; }
    QLabel *LblPit(int c) const { return lblPit_[at(c)]; }
    QListWidget *List3() const { return list3_; }
    QCheckBox *CkPg() const { return ckPg_; }
    QListWidget *LstDrum() const { return lstDrum_; }
    QPushButton *CmdDrum() const { return cmdDrum_; }
    QPushButton *CmdMulti() const { return cmdMulti_; }
    QPushButton *CmdKmt() const { return cmdKmt_; }

    // LoadPatches: the 128 General MIDI names into the instrument list.
    void LoadPatches();
    // inizio: the strips' tooltips, key labels "0".
    void inizio();
    // ZeroVariables on the strips: faders at 0 and disabled, solo labels
    // enabled, mute boxes ticked (sounding), key labels "0". Sends nothing.
    void ZeroVariables();
    // ReadFile's last step: each strip from its record (a channel silent in
    // the file: fader disabled at 127). Sends nothing: the song holds these.
    void fill(const ChannelRecords &records);
    // The instrument buttons work while the song plays (or pauses), on the channels it uses.
    void enableInstruments(bool playing, const ChannelRecords &records);
    // No song: the instrument names go.
    void clearNames();
    // Solo on (`on`) disables every other solo label; off enables them all.
    void showSolo(int channel, bool on);
    // Channel keys back to 0 (Clear).
    void clearKeys();
    // Shows the instrument list beside a channel's strip with `program` selected.
    void showInstruments(int channel, int program);
    // Shows the drum kit list and its button beside the drum strip; hides them.
    void showDrumKits();
    void hideDrumKits();
    // The instrument list's second click: the strip shows the new name.
    void instrumentChosen(int channel, int program);

signals:
    void soundFontClicked(int channel);
    void drumKitClicked(int row);
    void drumButtonClicked();
    void instrumentButtonClicked(int channel);
    void instrumentListClicked(int program);
    void volumeMoved(int channel, int slider);
    void muteClicked(int channel, bool sounding);
    void soloClicked(int channel);
    void chorusMoved(int channel, int value);
    void reverbMoved(int channel, int value);
    void panMoved(int channel, int value);
    void channelKeyMoved(int channel, int slider);
    void programVolumeLockClicked(bool ticked);
    void multiFontClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static std::size_t at(int c) { return static_cast<std::size_t>(c & 15); }
    void placeBeside(int channel, QWidget *list, QWidget *under = nullptr);
    std::array<QWidget *, 16> strips_{};
    std::array<QLabel *, 16> label3_{};
    std::array<QPushButton *, 16> cmdSF2_{};
    std::array<QPushButton *, 16> option1_{};
    std::array<QSlider *, 16> slider2_{};
    std::array<QCheckBox *, 16> check1_{};
    std::array<QLabel *, 16> label2_{};
    std::array<QSlider *, 16> slider1_{};
    std::array<QSlider *, 16> slider3_{};
    std::array<QSlider *, 16> slider4_{};
    std::array<QSlider *, 16> stoneSingle_{};
    std::array<QLabel *, 16> lblPit_{};
    QListWidget *list3_;
    QCheckBox *ckPg_;
    QListWidget *lstDrum_;
    QPushButton *cmdDrum_;
    QPushButton *cmdMulti_;
    QPushButton *cmdKmt_;
};

} // namespace cantora::player

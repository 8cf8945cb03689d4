#pragma once
// The sixteen channel strips along the bottom of the player window, with
// the drum kit list. Each strip shows its channel's instrument name
// (`Label3`_c) and a SoundFont button (`CmdSF2`_c); the mixer controls of a
// strip join them here.
//
// Threading: UI thread only.

#include <QWidget>
#include <array>

class QLabel;
class QListWidget;
class QPushButton;

namespace cantora::player {

class ChannelStrips : public QWidget {
    Q_OBJECT
public:
    explicit ChannelStrips(QWidget *parent = nullptr);

    QLabel *Label3(int c) const { return label3_[static_cast<std::size_t>(c)]; }
    QPushButton *CmdSF2(int c) const { return cmdSF2_[static_cast<std::size_t>(c)]; }
    QListWidget *LstDrum() const { return lstDrum_; }
    QPushButton *CmdDrum() const { return cmdDrum_; }

signals:
    // A strip's SoundFont button was pressed.
    void soundFontClicked(int channel);
    // A drum kit was clicked; row = its position in the list.
    void drumKitClicked(int row);
    // The drum button was pressed.
    void drumButtonClicked();

private:
    std::array<QLabel *, 16> label3_{};
    std::array<QPushButton *, 16> cmdSF2_{};
    QListWidget *lstDrum_;
    QPushButton *cmdDrum_;
};

} // namespace cantora::player

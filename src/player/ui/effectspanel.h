#pragma once
// Tempo, key readout, equaliser and compressor controls of the player
// window: `sldTempo` (0-20, 10 = the song's tempo, shown as a percentage and
// in BPM), `lblPitch` (the key in semitones; a click resets the key),
// `chkEqualizer` with the seven band faders `sldEQ`_0-6 labelled in Hz,
// `chkPhaser` with the compressor gain `sldPhaser`_1. Shows and reports;
// the window applies.
//
// Threading: UI thread only.

#include <QWidget>
#include <array>

class QCheckBox;
class QLabel;
class QSlider;

namespace cantora::player {

class EffectsPanel : public QWidget {
    Q_OBJECT
public:
    explicit EffectsPanel(QWidget *parent = nullptr);

    QSlider *sldTempo() const { return sldTempo_; }
    QLabel *lblTempo() const { return lblTempo_; }
    QLabel *lblPitch() const { return lblPitch_; }
    QCheckBox *chkEqualizer() const { return chkEqualizer_; }
    QSlider *sldEQ(int band) const { return sldEQ_[static_cast<std::size_t>(band)]; }
    QCheckBox *chkPhaser() const { return chkPhaser_; }
    QSlider *sldPhaser(int) const { return sldPhaser_; }

    // EqReset: every band fader back to 0 (each reports its change).
    void EqReset();
    // The tempo readout: percentage and beats per minute.
    void showTempo(const QString &percent, const QString &bpm);
    // The key readout in semitones (positive = up).
    void showKey(int semitones);
    // Clear: tempo slider at 10, compressor off at 2.
    void clear();

signals:
    void tempoMoved(int slider);
    void pitchClicked();
    void equalizerClicked(bool on);
    void eqChanged(int band, int slider);
    void compressorClicked(bool on);
    void compressorMoved(int slider);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSlider *sldTempo_;
    QLabel *lblTempo_;
    QLabel *lblPitch_;
    QCheckBox *chkEqualizer_;
    std::array<QSlider *, 7> sldEQ_{};
    QCheckBox *chkPhaser_;
    QSlider *sldPhaser_;
};

} // namespace cantora::player

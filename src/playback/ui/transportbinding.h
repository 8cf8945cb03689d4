#pragma once
// The MP3 transport on screen: the two drawn sliders of the tag editor with
// their knobs (`picSliderRep` with `imgNormal(15)`, `picSliderVol` with
// `imgNormal(16)`), the 100 ms `playTimer`, and the binding that feeds the
// knobs' mouse events to an Mp3Player and puts its texts and knob places
// back on screen. The tag editor places these widgets and wires its buttons.
//
// Threading: UI thread only.

#include <QObject>
#include <QWidget>

#include <functional>

class QLabel;
class QTimer;

namespace cantora::playback {

class Mp3Player;

// A strip with one knob that the mouse drags along one axis. The knob's
// mouse events are reported in the knob's own coordinates, as the player's
// drag arithmetic expects.
class KnobStrip : public QWidget {
    Q_OBJECT
public:
    enum class Axis { Horizontal, Vertical };
    // `travel` is the knob's last left (horizontal) or top (vertical).
    KnobStrip(Axis axis, int travel, const QString &knobName, QWidget *parent = nullptr);

    QWidget *knob() const { return knob_; }
    // Moves the knob to left or top `at` along the strip.
    void placeKnob(int at);
    // Where the knob stands along the strip.
    int knobAt() const;

    std::function<void(float x, float y)> pressed, moved, released;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Axis axis_;
    QWidget *knob_;
};

// Binds an Mp3Player to its timer, knobs and time labels.
class TransportBinding : public QObject {
    Q_OBJECT
public:
    TransportBinding(Mp3Player &player, KnobStrip *position, KnobStrip *volume, QLabel *elapsed, QLabel *duration,
                     QObject *parent = nullptr);
    ~TransportBinding() override;

    QTimer *playTimer() const { return timer_; }
    // Puts the player's texts and knob places on screen.
    void refresh();

private:
    Mp3Player &player_;
    KnobStrip *position_;
    KnobStrip *volume_;
    QLabel *elapsed_;
    QLabel *duration_;
    QTimer *timer_;
};

} // namespace cantora::playback

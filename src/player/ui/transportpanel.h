#pragma once
// The song transport of the player window: Open (`cmdOpenFP`), Play, Pause
// (`Command1`), Stop, the position slider with the time, BPM and format
// labels, and the half-second display timer `tmrMidiTest`. Each handler
// forwards to player::Transport; the host adds what other panels do.
//
// Threading: UI thread only.

#include "player/transport.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QTimer;

namespace cantora::player {

class PositionSlider;

// What the transport commands take from the window they sit in.
struct TransportHost {
    std::function<void()> opening;                       // Open pressed: the panels forget the old song
    std::function<std::string()> songFolder;             // where the song chooser starts
    std::function<void(const std::string &path)> opened; // a song opened
    std::function<bool()> capturing;                     // MP3K ticked: capture, and the slider does not seek
    std::function<bool()> interrupted;                   // Stop pressed: true when it ended a conversion instead
    std::function<void()> stopped;                       // Stop pressed
    std::function<void(const QString &bpm)> bpm;         // the display timer read the beats per minute
    std::function<void()> refresh;                       // the display timer's other readouts
    std::function<void()> failed;                        // the output could not be opened: the program ends
    std::function<bool()> soundReady;                    // false: nothing can sound (said why); Play does nothing
};

class TransportPanel : public QWidget {
    Q_OBJECT
public:
    TransportPanel(TransportHost host, Transport &transport, QWidget *parent = nullptr);

    // The position row's slider and labels, placed by the window.
    QList<QWidget *> positionRow() const;
    QTimer *displayTimer() const { return tmrMidiTest; }
    // Open, Play and Stop, which others take or give for a while.
    QPushButton *openButton() const { return cmdOpenFP; }
    QPushButton *playButton() const { return CmdPlay; }
    QPushButton *stopButton() const { return cmdStop; }
    // The second the position slider shows.
    int sliderSeconds() const;

    // Open MidiFile: asks for a song (or takes `chosen` as the dialog's answer) and loads it.
    void cmdOpenFP_Click(const std::optional<std::string> &chosen = std::nullopt);
    // Play: plays, resumes after Pause, or rebuilds the song after Stop.
    void CmdPlay_Click();
    // Pause (the button named Command1).
    void Command1_Click();
    // Stop: stops and releases the song (or ends the conversion running instead).
    void cmdStop_Click();
    // Mouse down on the position slider: the display timer waits.
    void sldPosition_MouseDown();
    // Mouse up on the position slider: seek to its second.
    void sldPosition_MouseUp();
    // The half-second display timer: beats per minute, position, elapsed time and the host's readouts.
    void tmrMidiTest_Timer();

    // What the transport reports: the commands' states, the song's facts, its length.
    void showControls(const TransportControls &controls);
    void showSong(const SongInfo &song);
    void showLength(double seconds);

private:
    TransportHost host_;
    Transport &transport_;

    // Controls, named as the window's controls are named.
    QPushButton *cmdOpenFP, *CmdPlay, *Command1, *cmdStop;
    PositionSlider *sldPosition;
    QLabel *lblTime, *lblBPM, *Label7;
    QTimer *tmrMidiTest;
    long long length_ = 0; // the song's length in seconds, on the time label
};

} // namespace cantora::player

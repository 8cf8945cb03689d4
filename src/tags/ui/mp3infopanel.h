#pragma once
// The tag editor's MP3 information and playback: the group "MPEG Info"
// (`lblMPEGInfo`) and the player `picPlayer` with its five buttons
// `cmdPlayer`_0-4, the position and volume knobs and the time labels.
//
// Threading: UI thread only.

#include "playback/mp3player.h"
#include "tags/mp3info.h"

#include <QWidget>

#include <functional>
#include <string>

class QGroupBox;
class QLabel;
class QPushButton;

namespace cantora::playback {
class KnobStrip;
class TransportBinding;
} // namespace cantora::playback

namespace cantora::tags {

// What the player takes from the editor it sits in.
struct Mp3PlayHost {
    std::function<std::string()> file;                  // the file the editor holds
    std::function<void()> starting;                     // Play, or a resume: the lyrics window (re)opens
    std::function<void(const std::string &why)> failed; // the file could not be played
    std::function<void()> stopped;                      // Stop: the lyric lists empty, the lyrics window goes
    std::function<void()> pressed;                      // any player button: the lyric box takes the focus
};

class Mp3InfoPanel : public QWidget {
    Q_OBJECT
public:
    Mp3InfoPanel(Mp3PlayHost host, playback::Mp3Player &player, QWidget *parent = nullptr);
    ~Mp3InfoPanel() override;

    // Back 5 s, play, pause, stop, forward 5 s.
    void cmdPlayer_Click(int index);

    // The file's MPEG frame information, or nothing.
    void showInfo(const Mp3Info &info);
    void clearInfo();
    // A file is loaded: Play is ready.
    void fileLoaded();
    void enablePlayer(bool flag);

    // Saving rewrites `path`: a playing or paused player lets it go, and takes it up again where it was.
    void ReleaseFile(const std::string &path);
    void ResumeFile(const std::string &path);

private:
    Mp3PlayHost host_;
    playback::Mp3Player &player_;
    playback::TransportBinding *binding_ = nullptr;
    struct Resume {
        bool active = false;
        bool paused = false;
        double position = 0;
    } resume_;

    // Controls, named as the window's controls are named.
    QGroupBox *fraMPEGInfo;
    QLabel *lblMPEGInfo;
    QWidget *picPlayer, *picRep;
    QPushButton *cmdPlayer[5];
    QLabel *lblTiempoT, *lblDuracion, *lblvol;
    playback::KnobStrip *picSliderRep, *picSliderVol;
};

} // namespace cantora::tags

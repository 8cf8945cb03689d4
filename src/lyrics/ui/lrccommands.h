#pragma once
// The LRC commands of the player window: the LRC button `CmdLyric`, the
// Options entry "LRC Creator" (`Mmp3`), the karaoke choice `OptK`_0-2, the
// real-time capture box `Mp3K` and the capture text `Text2`; it keeps the
// song LRC creator's state and the capture of the song playing.
//
// Threading: UI thread only; capture reports arrive already posted.

#include "lyrics/lrccapture.h"
#include "lyrics/lrccreator.h"

#include <QWidget>

#include <functional>
#include <string>

class QAction;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace cantora::lyrics {

class LyricPanel;

// What the commands take from the window they sit in.
struct LrcHost {
    std::function<std::string()> song;          // the song opened; empty when none
    std::function<void(bool held)> holdSong;    // LRC Creator runs: Play, Wave and MP3 wait (false: back)
    std::function<void()> closeSong;            // LRC Creator wrote its file: the song must be opened again
    std::function<void(bool on)> captureChosen; // the MP3K box ticked or cleared
    std::function<int()> positionSeconds;       // the playing position a captured line is stamped with
    std::function<double()> tempoFactor;        // the tempo slider's factor (above 1 slower); 1 when unset
};

class LrcCommands : public QWidget {
    Q_OBJECT
public:
    LrcCommands(LrcHost host, LyricPanel *page, QWidget *parent = nullptr);

    // The capture box, shown beside the lyric page while capturing.
    QPlainTextEdit *captureBox() const { return Text2; }
    // Options > LRC Creator.
    QAction *creatorAction() const { return Mmp3; }
    // The MP3K box: capture while playing.
    QCheckBox *captureCheck() const { return Mp3K; }
    bool capturing() const;

    // LRC: the song LRC creator writes SYNCRO.LRC in the application folder.
    void CmdLyric_Click();
    // Options > LRC Creator: the same creator into a file the user names;
    // the song must be opened again afterwards.
    void Lrc_batch();
    // A karaoke option chosen: 0 none, 1 real-time capture (ticks MP3K), 2 batch.
    void OptK_Click(int index);
    // MP3 confirmed: with BtKar the song's lyrics become SYNCRO.LRC before anything else.
    void conversionStarting();

    // A new song: a new capture, and the karaoke choice back to NoKar.
    void songOpening();
    // Stop with MP3K ticked: the captured lines become SYNCRO.LRC.
    void songStopped();
    // A capture mark reached (already on the UI thread).
    void captureReached(const std::string &text);
    // The real-time capture of the song playing with MP3K ticked.
    const LrcCapture &capture() const { return capture_; }

private:
    // The song LRC creator into `target`; false (reported) when nothing was written.
    bool makeLrc(const std::string &target);

    LrcHost host_;
    LyricPanel *page_;
    // The song LRC creator keeps its state and the tempo from one run to the next.
    LrcCreatorState lrcState_;
    double msPerTick_ = 0;
    LrcCapture capture_;

    QPushButton *CmdLyric;
    QCheckBox *Mp3K;
    QRadioButton *OptK[3];
    QPlainTextEdit *Text2;
    QAction *Mmp3;
};

} // namespace cantora::lyrics

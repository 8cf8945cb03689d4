#pragma once
// The player's main window: widgets and their wiring. The song transport,
// SoundFonts and live settings live in player::Transport; each command
// handler here forwards to it, and the window shows what it reports. The
// lyric page and the channel strips are panels of their own subsystems.
//
// Threading: everything here runs on the UI thread. The engine's lyric and
// end reports arrive through the transport on the engine's thread and are
// posted here (queued, in order). Wave and MP3 render and encode on this
// thread too, letting window events run between blocks; the commands that
// could interfere, the mixer and the effects are disabled meanwhile.

#include <QFont>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "lyrics/lrccapture.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lyrictimeline.h"
#include "lyrics/ui/singalongview.h"
#include "lyrics/viewprefs.h"
#include "player/mixer.h"
#include "player/transport.h"
#include "render/conversionjob.h"
#include "tags/ui/frmtags.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;

namespace cantora::lyrics {
class LyricPanel;
}
namespace cantora::player {
class ChannelStrips;
class EffectsPanel;
} // namespace cantora::player
namespace cantora::help {
class formp3;
}

namespace cantora::app {

class DesktopIntegration;
class PositionSlider;

class frmMidiTest : public QMainWindow, private player::TransportListener {
    Q_OBJECT
public:
    // The Linux folder of system SoundFonts, where a channel font choice starts.
    static constexpr const char *kSystemSoundFonts = "/usr/share/sounds/sf2";

    explicit frmMidiTest(QWidget *parent = nullptr);
    ~frmMidiTest() override;

    // Start-up: checks the engine, opens the output, loads the main
    // SoundFont, starts the display timer. False when the program was asked
    // to end (with a non-zero status); the window is not shown before.
    bool Form_Initialize();
    // Reports an engine failure with the engine's error code.
    void Error_(const std::string &message);
    // Shutdown shared by closing the window and the Exit command.
    void Form_Unload();

    // Open MidiFile: asks for a song (or takes `chosen` as the dialog's answer) and loads it.
    void cmdOpenFP_Click(const std::optional<std::string> &chosen = std::nullopt);
    // Play: plays, resumes after Pause, or rebuilds the song after Stop.
    void CmdPlay_Click();
    // Pause (the button named Command1).
    void Command1_Click();
    // Stop: stops and releases the song.
    void cmdStop_Click();
    // Mouse down on the position slider: the display timer waits.
    void sldPosition_MouseDown();
    // Mouse up on the position slider: seek to its second.
    void sldPosition_MouseUp();
    // The half-second display timer: beats per minute, position, SoundFont name.
    void tmrMidiTest_Timer();

    // Loads the main SoundFont (settings, else the default).
    void Font_General();
    // SoundFont...: replaces the main SoundFont.
    void btnreplace_Click();
    // A strip's SoundFont button: a font for that channel's instrument.
    void CmdSF2_Click(int index);
    // Fills the drum kit list from the main SoundFont.
    void Drum();
    // A drum kit clicked: its list position becomes the selected channel's program.
    void LstDrum_Click(int row);
    // The drum button: closes the kit list.
    void CmdDrum_Click();

    // LRC: the song LRC creator writes SYNCRO.LRC in the application folder.
    void CmdLyric_Click();
    // Options > LRC Creator: the same creator into a file the user names;
    // the song must be opened again afterwards.
    void Lrc_batch();
    // A karaoke option chosen: 0 none, 1 real-time capture (ticks MP3K), 2 batch.
    void OptK_Click(int index);
    // View menu: the classic page or the sing-along view (remembered in cantora.ini).
    void chooseLyricView(lyrics::LyricView view);
    // View menu: the sing-along colours (remembered in cantora.ini).
    void chooseContrast(lyrics::LyricContrast contrast);
    // F11 / View > Full screen lyrics: the sing-along view on a screen of its own; Esc or F11 leaves.
    void toggleFullScreenLyrics();
    // The full-screen lyrics while shown.
    lyrics::SingAlongView *fullScreenLyrics() const { return fullScreen_; }
    // The sing-along timeline of the song opened last.
    const lyrics::LyricTimeline &timeline() const { return *timeline_; }

    // The real-time capture of the song playing with MP3K ticked.
    const lyrics::LrcCapture &capture() const { return capture_; }

    // Reads the settings file into the SoundFont fields.
    void confload();
    // Writes the settings file; throws std::system_error when it cannot.
    void confsave();
    // Options > Save Configuration.
    void Savec_Click();
    // Help: shows the help window.
    void Shelp_Click();
    // About: shows the About window.
    void Sabout_Click();
    // Options > MidiEditor: starts the MIDI editor named in cantora.ini (or
    // CANTORA_MIDI_EDITOR, or "tunesmith" in the application folder) without
    // waiting; says how to set one when there is none.
    void Snorma_Click();
    // Options > Mp3 Karaoke Editor: shows the tag editor (on `file` when given, as `cantora --tags`).
    void Mp3KK_Click(const std::string &file = {});
    // The conversion's last step: the tag editor opens on SYNCRO.MP3; its Save copies to `outputFile`.
    void showTagEditorAfterConversion(const std::string &outputFile);
    // The tag editor while it is open.
    tags::frmTags *tagEditor() const { return tags_; }

    // Wave: renders the song with the live settings to newwave.wav and offers a copy.
    void btnConvert_Click();
    // MP3: the karaoke conversion (song LRC, output name, render, encoding, tag editor).
    void cmdsave_Click();
    // A preset chosen in the encoder preset list.
    void cboOption_Click(int index);
    // A bit rate chosen (kbit/s in the list, kept in bit/s).
    void Combo2_Click(int index);
    // A sample rate chosen (Hz), kept with the settings.
    void CmbFreq_Click(int index);
    // True while a rendering or its encoding runs.
    bool converting() const { return job_ != nullptr; }
    // What the encoder is given: the preset of cboOption and the bit rate of Combo2.
    const render::Mp3Settings &mp3Settings() const { return mp3_; }
    // The bit rate chosen, in bit/s.
    std::int32_t bitRate() const { return bitRate_; }

    // Replaces the pause used by the blocking font waits (tests make them instant).
    void setWaiter(std::function<void(int ms)> waiter) { wait_ = std::move(waiter); }
    // Replaces the timer behind the non-blocking waits (the replay's pause):
    // `then` must run once, after `ms` or whenever the test decides.
    void setScheduler(std::function<void(int ms, std::function<void()> then)> scheduler) {
        schedule_ = std::move(scheduler);
    }

    // Replaces how programs are started (tests start none): true when it started.
    void setLauncher(std::function<bool(const std::string &program)> launcher) { launch_ = std::move(launcher); }

    // The font captions use: Comic Neue where installed, else the desktop's UI font.
    static QFont captionFont();

    // The transport and the state it holds (tests, the panels).
    player::Transport &transport() { return transport_; }
    // The mixer's rules and flags (the drum kit chosen, the settings a render takes).
    const player::Mixer &mixer() const { return mixer_; }
    const player::Song &song() const { return transport_.song(); }
    const player::TransportFlags &flags() const { return transport_.flags(); }
    player::SoundFonts &fonts() { return transport_.fonts(); }
    player::ChannelRecords &channels() { return transport_.channels(); }
    std::int32_t outputSampleRate() const { return settingsRate_; }
    DWORD floatCapability() const { return floatCap_; }
    lyrics::LyricPanel *lyricPanel() const { return lyricPanel_; }
    // Shortcuts, drops, recent songs, remembered folders and geometry.
    DesktopIntegration *desktop() const { return desktop_; }
    int selectedChannel = 0; // target of the instrument and drum lists

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // TransportListener: what the transport reports.
    void controlsChanged(const player::TransportControls &controls) override;
    void songChanged(const player::SongInfo &song) override;
    void lyricsCleared() override;
    void engineFailed(const std::string &message, int code) override;
    void liveChanged(const player::LiveSettings &live) override;
    void soundFontMissing(const std::string &path) override;
    void reloadSettings() override { confload(); }
    void deleteWorkFiles() override { KillTemp(); }
    void after(int ms, std::function<void()> then) override;
    void markReached(const lyrics::MarkReached &mark) override;
    void streamEnded(HSTREAM stream) override;
    void channelsScanned(const player::ChannelRecords &records) override;
    void captureReached(const lyrics::MarkReached &mark) override;

    void buildUi();
    // The mixer and effect controls' wiring (strips and effects panel).
    void connectMixer();
    // Clear: channel keys, tempo and compressor back to their start.
    void Clear();
    // Applies the live settings to the song and refreshes the readouts.
    void liveEdited();
    void buildMenus();
    void buildViewMenu();
    // Reads the song's marks into the sing-along timeline.
    void buildTimeline(const std::string &path);
    void saveViewPrefs();
    // The playing position a sing-along view follows.
    lyrics::SingAlongView::Position positionSource();
    void wait(int ms);
    // Ends the program after a fatal start-up or output failure.
    void endWithError();
    // The SoundFont chooser of the replace and channel buttons; empty when cancelled.
    std::string chooseSoundFont(const std::string &initDir);
    // The equaliser box: the panel's box and band gains into the live settings, applied.
    void chkEqualizer_Click();
    // Stop with MP3K ticked: the captured lines become SYNCRO.LRC.
    void writeCapture();
    // The song LRC creator into `target`; false (reported) when nothing was written.
    bool makeLrc(const std::string &target);
    // Deletes the conversion's work files.
    void KillTemp();
    // The SoundFont volume slider moved.
    void SldVol_Scroll();
    // A posted lyric report on the UI thread.
    void onMarkReached(const lyrics::MarkReached &mark);
    // A posted capture report on the UI thread.
    void onCaptureReached(const lyrics::MarkReached &mark);
    // Wave and MP3 remember what they were asked to be; while a conversion runs they stay disabled.
    void setPending(QPushButton *button, bool enabled);

    // The conversion row: wait labels, progress bars, streaming labels and the encoder choices.
    QLayout *buildConversionRow(QWidget *parent);
    // Fills cboOption with the encoder presets; the standard one is chosen.
    void LoadPresets();
    // The controls a rendering takes away (and gives back when `locked` is false);
    // the mixer and effects are locked so the whole file has one set of settings.
    void lockForRendering(bool locked);
    // Starts (true) or ends the rendering's busy pointer, once each.
    void busyCursor(bool busy);
    // WaveCnt and the block loop: the song into newwave.wav with the live
    // settings, labels and progress bar following; events run between blocks.
    render::SongRenderResult renderWorkWave();
    // What Wave does after its pause: the message, then SaveWave.
    void finishWave();
    // Offers to save a copy of newwave.wav.
    void SaveWave();
    // The rendering of the MP3 conversion: no questions, no messages.
    render::SongRenderResult MidiMp3();
    // A rendering or encoding that did not complete: says why (unless the
    // window is ending) and gives the controls back as a cancelled MP3 does.
    void conversionFailed(const std::string &title, const std::string &why);

    player::Transport transport_{*this};
    player::Mixer mixer_{transport_.live(), transport_.channels()};
    player::EffectsPanel *effects_ = nullptr;
    std::int32_t settingsRate_ = 44100;
    DWORD floatCap_ = 0;
    std::function<void(int)> wait_;
    std::function<void(int, std::function<void()>)> schedule_;
    std::function<bool(const std::string &)> launch_;
    bool ending_ = false;

    // Controls, named as the window's controls are named.
    QPushButton *cmdOpenFP, *CmdPlay, *Command1, *cmdStop, *btnreplace;
    QPushButton *btnConvert, *cmdsave, *CmdLyric, *CmdReset;
    QCheckBox *Mp3K;
    QRadioButton *OptK[3];
    QPlainTextEdit *Text2;
    PositionSlider *sldPosition;
    QTimer *tmrMidiTest;
    QLabel *lblTime, *lblBPM, *LblSfont, *Label7;
    QSlider *Sldtone, *SldVol;
    QLineEdit *TextR;
    QMenu *mnuconf;
    QAction *Mp3KK, *Snorma, *Mmp3, *Savec, *Mnuexit, *Shelp, *Sabout;
    lyrics::LyricPanel *lyricPanel_;
    player::ChannelStrips *strips_;
    help::formp3 *help_ = nullptr;
    DesktopIntegration *desktop_ = nullptr;
    QPointer<tags::frmTags> tags_;
    std::string tagsOutput_;       // the MP3 the conversion's Save copies to
    bool editorLocksMain_ = false; // the editor opened by a conversion holds Options and Open

    // The conversion: the job while it runs, the encoder settings, its controls.
    std::unique_ptr<render::ConversionJob> job_;
    bool busyCursor_ = false;
    render::Mp3Settings mp3_;
    std::int32_t bitRate_ = 128000;
    QLabel *LblExtr[2], *lblStrFile, *lblPos;
    QProgressBar *Pbregg, *Prog;
    QComboBox *cboOption, *Combo2, *CmbFreq;
    QPushButton *cmdBitRate, *cmdFreq;
    // The song LRC creator keeps its state and the tempo from one run to the next.
    lyrics::LrcCreatorState lrcState_;
    double msPerTick_ = 0;
    lyrics::LrcCapture capture_;
    lyrics::ViewPrefs viewPrefs_;
    std::shared_ptr<const lyrics::LyricTimeline> timeline_ = std::make_shared<lyrics::LyricTimeline>();
    std::string timelineTitle_;
    QPointer<lyrics::SingAlongView> fullScreen_;
    QAction *viewClassic_, *viewSingAlong_, *viewFullScreen_, *contrast_[3];
};

} // namespace cantora::app

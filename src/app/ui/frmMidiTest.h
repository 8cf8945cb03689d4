#pragma once
// The player's main window: the layout of its subsystems' panels, the song
// transport's commands and the menus of the whole program (Options, Help, About, Exit).
//
// The song transport, SoundFonts and live settings live in player::Transport;
// the transport handlers here forward to it and the window shows what it
// reports. The conversion, the LRC commands, the View menu, the SoundFont bar
// and the mixer are panels of their own subsystems.
//
// Threading: everything here runs on the UI thread. The engine's lyric and
// end reports arrive through the transport on the engine's thread and are
// posted here (queued, in order).

#include <QFont>
#include <QMainWindow>
#include <functional>
#include <string>

#include "player/mixer.h"
#include "player/transport.h"
#include "tags/ui/editorslot.h"

class QAction;
class QMenu;
class QPushButton;
class QSlider;

namespace cantora::lyrics {
class LrcCommands;
class LyricPanel;
class ViewMenu;
} // namespace cantora::lyrics
namespace cantora::player {
class ChannelStrips;
class EffectsPanel;
class MixerBinding;
class SoundFontBar;
class TransportPanel;
} // namespace cantora::player
namespace cantora::render {
class ConversionPanel;
}
namespace cantora::help {
class formp3;
}

namespace cantora::app {

class DesktopIntegration;

class frmMidiTest : public QMainWindow, private player::TransportListener {
    Q_OBJECT
public:
    explicit frmMidiTest(QWidget *parent = nullptr);
    ~frmMidiTest() override = default;

    // Start-up: checks the engine, opens the output, loads the main
    // SoundFont, starts the display timer. False when the program was asked
    // to end (with a non-zero status); the window is not shown before.
    bool Form_Initialize();
    // Reports an engine failure with the engine's error code.
    void Error_(const std::string &message);
    // Shutdown shared by closing the window and the Exit command.
    void Form_Unload();

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
    void Mp3KK_Click(const std::string &file = {}) { tags_->show(file); }
    // The conversion's last step: the tag editor opens on SYNCRO.MP3; its Save copies to `outputFile`.
    void showTagEditorAfterConversion(const std::string &outputFile) { tags_->showConverted(outputFile); }
    // The tag editor while it is open.
    tags::frmTags *tagEditor() const { return tags_->editor(); }

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
    DWORD floatCapability() const { return floatCap_; }

    // The panels.
    lyrics::LyricPanel *lyricPanel() const { return lyricPanel_; }
    lyrics::LrcCommands *lrc() const { return lrc_; }
    lyrics::ViewMenu *viewMenu() const { return view_; }
    render::ConversionPanel *conversion() const { return conversion_; }
    player::SoundFontBar *soundFonts() const { return soundFonts_; }
    player::TransportPanel *transportPanel() const { return transportPanel_; }
    // Shortcuts, drops, recent songs, remembered folders and geometry.
    DesktopIntegration *desktop() const { return desktop_; }

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
    void deleteWorkFiles() override;
    void after(int ms, std::function<void()> then) override;
    void markReached(const lyrics::MarkReached &mark) override;
    void streamEnded(HSTREAM stream) override;
    void channelsScanned(const player::ChannelRecords &records) override;
    void captureReached(const lyrics::MarkReached &mark) override;

    void buildUi();
    // The panels of the subsystems, with what each takes from the window.
    void buildPanels(QWidget *central);
    void buildMenus();
    // The panels forget the song before: a new capture, the mixer and the karaoke choice cleared.
    void songOpening();
    // Play, Wave and MP3 ask first: without a SoundFont they say why and do nothing.
    bool soundReady();
    // Ends the program after a fatal start-up or output failure.
    void endWithError();
    // A posted lyric report on the UI thread.
    void onMarkReached(const lyrics::MarkReached &mark);
    // A posted capture report on the UI thread.
    void onCaptureReached(const lyrics::MarkReached &mark);

    player::Transport transport_{*this};
    player::Mixer mixer_{transport_.live(), transport_.channels()};
    DWORD floatCap_ = 0;
    std::function<void(int)> wait_;
    std::function<void(int, std::function<void()>)> schedule_;
    std::function<bool(const std::string &)> launch_;
    bool ending_ = false;

    // Controls, named as the window's controls are named.
    QPushButton *CmdReset;
    QSlider *Sldtone;
    QMenu *mnuconf;
    QAction *Mp3KK, *Snorma, *Savec, *Mnuexit, *Shelp, *Sabout;

    // The panels.
    lyrics::LyricPanel *lyricPanel_;
    lyrics::LrcCommands *lrc_;
    lyrics::ViewMenu *view_ = nullptr;
    player::TransportPanel *transportPanel_;
    player::ChannelStrips *strips_;
    player::EffectsPanel *effects_;
    player::SoundFontBar *soundFonts_;
    player::MixerBinding *mixerBinding_;
    render::ConversionPanel *conversion_;
    help::formp3 *help_ = nullptr;
    DesktopIntegration *desktop_ = nullptr;
    tags::EditorSlot *tags_;
};

} // namespace cantora::app

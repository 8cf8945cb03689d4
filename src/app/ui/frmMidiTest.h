#pragma once
// The player's main window: start-up and shutdown, the song transport, the
// SoundFonts, the live lyric page and the settings file, wired to the
// panels the player and lyrics subsystems own.
//
// Threading: everything here runs on the UI thread. The engine's lyric and
// end callbacks post their reports here (queued, in order); the mix-time
// tempo callbacks touch only the song's atomic tempo fields.

#include <QMainWindow>
#include <functional>
#include <optional>
#include <string>

#include "core/settings.h"
#include "lyrics/livesync.h"
#include "player/channels.h"
#include "player/song.h"
#include "player/soundfonts.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QTimer;

namespace cantora::lyrics { class LyricPanel; }
namespace cantora::player { class ChannelStrips; }
namespace cantora::help { class formp3; }

namespace cantora::app {

class PositionSlider;

class frmMidiTest : public QMainWindow {
    Q_OBJECT
public:
    // The Linux folder of system SoundFonts, where a channel font choice starts.
    static constexpr const char *kSystemSoundFonts = "/usr/share/sounds/sf2";

    explicit frmMidiTest(QWidget *parent = nullptr);
    ~frmMidiTest() override;

    // Start-up: checks the engine, opens the output, loads the main
    // SoundFont. False when the program was asked to end.
    bool Form_Initialize();
    // Reports an engine failure with the engine's error code.
    void Error_(const std::string &message);
    // Reopens the output after it was released between songs; false when the program was asked to end.
    bool PerPausa();
    // Shutdown shared by closing the window and the Exit command.
    void Form_Unload();

    // Open: asks for a song (or takes `chosen` as the dialog's answer) and loads it.
    void cmdOpenFP_Click(const std::optional<std::string> &chosen = std::nullopt);
    void CmdPlay_Click();
    void Command1_Click();
    void cmdStop_Click();
    // Rebuilds the stream for a replay after Stop.
    void Modify();
    void sldPosition_MouseDown();
    void sldPosition_MouseUp();
    void tmrMidiTest_Timer();

    void Font_General();
    void btnreplace_Click();
    void CmdSF2_Click(int index);
    void Drum();
    void LstDrum_Click(int row);
    void CmdDrum_Click();

    void confload();
    void confsave();
    void Savec_Click();
    void Shelp_Click();
    void Sabout_Click();
    void Snorma_Click();

    // Replaces the pause used by the fixed waits (tests make them instant).
    void setWaiter(std::function<void(int ms)> waiter) { wait_ = std::move(waiter); }

    // State the tests and later parts read.
    const player::Song &song() const { return song_; }
    player::Song &song() { return song_; }
    const player::TransportFlags &flags() const { return flags_; }
    player::SoundFonts &fonts() { return fonts_; }
    player::ChannelRecords &channels() { return channels_; }
    std::int32_t outputSampleRate() const { return settingsRate_; }
    DWORD floatCapability() const { return floatCap_; }
    lyrics::LyricPanel *lyricPanel() const { return lyricPanel_; }
    int selectedChannel = 0;  // target of the instrument and drum lists

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUi();
    void buildMenus();
    void wait(int ms);
    // The SoundFont chooser of the replace and channel buttons; empty when cancelled.
    std::string chooseSoundFont(const std::string &initDir);
    // Hooks into parts of the program that arrive later; they do nothing yet.
    void ReadFile() {}
    void chkEqualizer_Click() {}
    void LoadPatches() {}
    void FixWaveHeader() {}
    void Lrc_batch() {}
    void writeCapture() {}
    void KillTemp();
    void Clear();
    void ZeroVariables();
    void SldVol_Scroll();
    void onMarkReached(const lyrics::MarkReached &mark);
    void onStreamEnded(HSTREAM stream);
    void registerSongSyncs(HSTREAM stream, bool atOpen);
    void resendChannelSettings();
    // Buttons of parts not built yet remember what they were asked to be and stay disabled.
    void setPending(QPushButton *button, bool enabled);

    player::Song song_;
    player::TransportFlags flags_;
    player::SoundFonts fonts_;
    player::ChannelRecords channels_{};
    std::int32_t settingsRate_ = 44100;
    DWORD floatCap_ = 0;
    DWORD outputRate_ = 0;
    DWORD eqHandle_ = 0;
    bool drumKitChosen_ = false;
    std::function<void(int)> wait_;
    bool ending_ = false;

    // Controls, named as the window's controls are named.
    QPushButton *cmdOpenFP, *CmdPlay, *Command1, *cmdStop, *btnreplace;
    QPushButton *btnConvert, *cmdsave, *CmdLyric, *CmdReset;
    QCheckBox *Mp3K;
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
};

} // namespace cantora::app

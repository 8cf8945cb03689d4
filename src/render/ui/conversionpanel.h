#pragma once
// The conversion row of the player window: Wave and MP3, the encoder preset,
// bit rate and sample rate, the wait labels, progress bars and "Pos:" and
// "Streaming file:" labels, the save dialogs and the conversion's messages.
// The work files are render::ConversionJob's; what a running conversion
// takes away from the rest of the window is its ConversionLock, here only.
//
// Threading: the panel lives on the UI thread; its job renders and encodes on
// a worker thread whose reports are posted here, in order.

#include "render/conversionjob.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace cantora::render {

// What the panel takes from the window it sits in.
struct ConversionHost {
    std::function<std::string()> song;                        // the song a conversion renders; empty when none
    std::function<bool()> soundReady;                         // false: nothing can sound (said why); no conversion
    std::function<RenderBlockFn()> liveSettings;              // the live settings, put on each block of a render
    std::function<double()> tempoFactor;                      // the live tempo factor (above 1 = slower)
    std::function<void(double seconds)> songLength;           // the render found the song's length
    std::function<void()> waveStarting;                       // Wave confirmed: the lyric page goes
    std::function<void()> mp3Starting;                        // MP3 confirmed, before its save dialog (BtKar's LRC)
    std::function<std::string()> saveFolder;                  // where a save dialog starts
    std::function<void(const std::string &path)> saved;       // a save dialog's answer, remembered
    std::function<void(const std::string &output)> converted; // the MP3 is ready: the tag editor
    // Runs `then` after `ms` without holding input (tests decide when).
    std::function<void(int ms, std::function<void()> then)> after;
};

// The window's controls a conversion takes away; each is a QWidget or a QAction.
struct ConversionLock {
    std::vector<QWidget *> mixer;   // the whole file has one set of settings
    std::vector<QObject *> session; // Open, Options, Exit: back when any conversion ends
    QObject *play = nullptr;        // Play: taken as soon as MP3 is confirmed
    QObject *stop = nullptr;        // Stop: ready while a conversion runs, to end it
    std::vector<QObject *> song;    // SoundFont...: with Play, back only when nothing was made
    QTimer *displayTimer = nullptr; // stopped while rendering
};

class ConversionPanel : public QWidget {
    Q_OBJECT
public:
    ConversionPanel(ConversionHost host, QWidget *parent = nullptr);
    ~ConversionPanel() override;

    // The controls of the rest of the window a conversion takes away.
    void setLock(ConversionLock lock) { lock_ = std::move(lock); }

    // Wave and MP3, shown in the window's command row.
    QPushButton *waveButton() const { return btnConvert; }
    QPushButton *mp3Button() const { return cmdsave; }
    // Wave and MP3 remember what they were asked to be; while a conversion runs they stay disabled.
    void setWanted(bool wave, bool mp3);
    void setWaveWanted(bool wave);

signals:
    // A normalised song's loudness report: the row shows it while the conversion runs, then its
    // settings come back and leave it too little room, so the window shows it in full elsewhere.
    void loudnessMeasured(const QString &report);

public:
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
    bool converting() const { return phase_ != Phase::Idle; }
    // Stop: a conversion running ends (nothing is kept, nothing is said); false when none runs.
    bool stop();
    // Tests: each job runs at once on the UI thread, its reports shown as they come.
    void runInline() { run_ = ConversionJob::Run::Inline; }
    // What the encoder is given: the preset of cboOption and the bit rate of Combo2.
    const Mp3Settings &mp3Settings() const { return mp3_; }
    // The bit rate chosen, in bit/s.
    std::int32_t bitRate() const { return bitRate_; }
    // The sample rate chosen, in Hz (kept with the settings).
    std::int32_t sampleRate() const { return static_cast<std::int32_t>(mp3_.rate); }
    void setSampleRate(std::int32_t hz);

    // The program ends: a conversion still running stops, and its file under
    // construction goes now; the worker is waited for.
    void cancelForExit();

private:
    void LoadPresets();
    void lockForRendering(bool locked);
    // Open, Options and Exit back (a conversion ended); with `all`, Play and SoundFont... too.
    void release(bool all);
    void busyCursor(bool busy);
    // Runs `report` on the UI thread unless the conversion `generation` was given up meanwhile.
    void post(std::uint64_t generation, std::function<void()> report);
    // A normalised song's loudness, in the row and to the window.
    void showLoudness(const QString &report);
    // What the worker reports of the conversion `generation`, posted here.
    RenderWatch watchFor(std::uint64_t generation);
    void waveRendered(const SongRenderResult &result);
    void finishWave();
    void SaveWave();
    // A check box remembered in cantora.ini under `key`.
    QCheckBox *rememberedBox(const char *name, const QString &text, const char *key);
    void mp3Rendered(const SongRenderResult &rendered);
    void mp3Finished(const EncodeResult &encoded);
    // A conversion that did not complete: says why (unless the window is
    // ending or Stop ended it) and gives the controls back.
    void conversionFailed(const std::string &title, const std::string &why);
    // Wave and MP3 pressed: true when a conversion may start and the user confirmed it.
    bool confirmed(const char *title);
    // The save dialog of Wave and MP3; empty when cancelled.
    std::string askSave(const char *title, const char *filter);

    ConversionHost host_;
    ConversionLock lock_;
    // The conversion: its job (kept until the next one), where it is, what it waits for.
    enum class Phase { Idle, Wave, Mp3 };
    std::unique_ptr<ConversionJob> job_;
    ConversionJob::Run run_ = ConversionJob::Run::Worker;
    Phase phase_ = Phase::Idle;
    std::uint64_t generation_ = 0;
    bool waveRendered_ = false;
    bool waveNormalised_ = false;         // the Wave's copy is newnorm.wav
    bool firstPhaseOpen_ = false;         // "Done! Prima Fase" is on screen
    std::optional<EncodeResult> encoded_; // the encoding's end, held while that box is open
    std::string output_;                  // the MP3 the tag editor's Save copies to
    bool stopped_ = false;
    bool stopWasEnabled_ = false;
    bool ending_ = false;
    bool busyCursor_ = false;
    Mp3Settings mp3_;
    std::int32_t bitRate_ = 128000;

    // Controls, named as the window's controls are named.
    QPushButton *btnConvert, *cmdsave;
    QLabel *LblExtr[2], *lblStrFile, *lblPos;
    QProgressBar *Pbregg, *Prog;
    QComboBox *cboOption, *Combo2, *CmbFreq;
    QPushButton *cmdBitRate, *cmdFreq;
    QCheckBox *chkCdg, *chkNormalise; // CD+G beside the MP3; even loudness for Wave and MP3
    QWidget *settings_;               // the MP3 settings, hidden while a conversion runs
};

} // namespace cantora::render

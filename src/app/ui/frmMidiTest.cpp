#include "app/ui/frmMidiTest.h"

#include "app/dialogs/dialogs.h"
#include "app/ui/aboutwindow.h"
#include "app/ui/desktopintegration.h"
#include "core/apppaths.h"
#include "core/errortext.h"
#include "core/preferences.h"
#include "core/processexit.h"
#include "core/settings.h"
#include "help/ui/formp3.h"
#include "lyrics/ui/lrccommands.h"
#include "lyrics/ui/lyricpanel.h"
#include "lyrics/ui/viewmenu.h"
#include "player/engine.h"
#include "player/livesettings.h"
#include "player/midieditor.h"
#include "player/ui/channelstrips.h"
#include "player/ui/effectspanel.h"
#include "player/ui/mixerbinding.h"
#include "player/ui/soundfontbar.h"
#include "player/ui/transportpanel.h"
#include "render/ui/conversionpanel.h"
#include "tags/ui/editorslot.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>
#include <stdexcept>

namespace cantora::app {

using namespace core;

namespace {

constexpr const char *kAppTitle = "Cantora";
constexpr const char *kDefaultFont = "Chorium.sf2";
// Status of a program that could not start (no device, wrong libraries).
constexpr int kStartFailed = 1;

QString q(const std::string &s) { return QString::fromStdString(s); }

// The lyrics row. Its page wraps to the width it gets and is cut to the
// height it gets: a long page must not claim the height of the mixer below,
// nor scroll the window. It asks for its least height; the stretch of the
// window's layout hands it all the rest.
class LyricsRow : public QWidget {
public:
    using QWidget::QWidget;
    bool hasHeightForWidth() const override { return false; }
    QSize sizeHint() const override { return minimumSizeHint(); }
};

// Runs `then` on the UI thread, after what was posted before it, unless the
// window is gone by then.
template <class Then>
void postToWindow(frmMidiTest *window, Then then) {
    QMetaObject::invokeMethod(
        qApp,
        [self = QPointer<frmMidiTest>(window), then = std::move(then)] {
            if (self)
                then(*self);
        },
        Qt::QueuedConnection);
}

} // namespace

frmMidiTest::frmMidiTest(QWidget *parent) : QMainWindow(parent) {
    setObjectName("frmMidiTest");
    setWindowTitle("Cantora KARAOKE");
    setFont(captionFont());
    buildUi();
    buildMenus();
    desktop_ = new DesktopIntegration(*this);
    // + and - step the tempo slider as a drag would (the slider applies it);
    // its lower values are the faster tempos.
    desktop_->setTempoStep([this](int step) {
        QSlider *tempo = effects_->sldTempo();
        if (tempo->isEnabled())
            tempo->setValue(tempo->value() - step);
    });
    // Design-time state: only Open is ready before a song is loaded.
    controlsChanged(transport_.controls());

    wait_ = [](int ms) {
        // Fixed pauses let the window repaint and posted lyric reports run,
        // but take no user input, so no command can start in between.
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    };
    schedule_ = [this](int ms, std::function<void()> then) { QTimer::singleShot(ms, this, std::move(then)); };
    launch_ = [](const std::string &program) { return QProcess::startDetached(q(program), {}); };
}

QFont frmMidiTest::captionFont() {
    // The captions' face is a rounded hand; where no free one is installed
    // fontconfig would pick any "fantasy" face (often a script), so the
    // desktop's own font is used instead.
    QFont f = QApplication::font();
    if (QFontDatabase::families().contains("Comic Neue"))
        f.setFamily("Comic Neue");
    return f;
}

void frmMidiTest::buildUi() {
    auto *central = new QWidget(this);
    central->setObjectName("centralWidget");
    setCentralWidget(central);

    // Lyrics in the middle, key and SoundFont volume at its side.
    lyricPanel_ = new lyrics::LyricPanel(central);
    Sldtone = new QSlider(Qt::Vertical, central);
    Sldtone->setObjectName("Sldtone");
    Sldtone->setRange(-24, 24);
    Sldtone->setToolTip("Key (semitones)");
    CmdReset = new QPushButton("Reset Eq.", central);
    CmdReset->setObjectName("CmdReset");
    strips_ = new player::ChannelStrips(central);
    effects_ = new player::EffectsPanel(central);
    buildPanels(central);

    auto *transport = new QHBoxLayout;
    transport->addWidget(transportPanel_);
    transport->addSpacing(8);
    transport->addWidget(soundFonts_);
    transport->addStretch();
    transport->addWidget(conversion_->waveButton());
    transport->addWidget(conversion_->mp3Button());
    transport->addWidget(lrc_);

    const QList<QWidget *> song = transportPanel_->positionRow(); // slider, time, BPM, format
    auto *position = new QHBoxLayout;
    position->addWidget(song[0], 1);
    position->addWidget(song[1]);
    position->addSpacing(16);
    position->addWidget(new QLabel("BPM:", central));
    position->addWidget(song[2]);
    position->addSpacing(12);
    position->addWidget(new QLabel("Format:", central));
    position->addWidget(song[3]);
    position->addSpacing(12);
    position->addWidget(soundFonts_->fontLabel());

    auto *side = new QGridLayout;
    side->addWidget(new QLabel("Key", central), 0, 0, Qt::AlignHCenter);
    side->addWidget(new QLabel("Vol", central), 0, 1, Qt::AlignHCenter);
    side->addWidget(Sldtone, 1, 0, Qt::AlignHCenter);
    side->addWidget(soundFonts_->volumeSlider(), 1, 1, Qt::AlignHCenter);
    side->addWidget(soundFonts_->volumeText(), 2, 1, Qt::AlignHCenter);
    side->addWidget(CmdReset, 3, 0, 1, 2);
    auto *middleRow = new LyricsRow(central);
    auto *middle = new QHBoxLayout(middleRow);
    middle->setContentsMargins(0, 0, 0, 0);
    middle->addWidget(lyricPanel_, 1);
    middle->addWidget(lrc_->captureBox());
    middle->addLayout(side);
    middle->addWidget(effects_);

    // Tight margins so that the whole window fits a 1024x600 screen; height
    // beyond that goes to the lyrics, the strips keep their size.
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(4);
    layout->addLayout(transport);
    layout->addLayout(position);
    layout->addWidget(conversion_);
    layout->addWidget(middleRow, 1);
    layout->addWidget(strips_);

    statusBar()->setObjectName("statusBar");
    connect(conversion_, &render::ConversionPanel::loudnessMeasured, statusBar(),
            [bar = statusBar()](const QString &report) { bar->showMessage("Normalised: " + report); });
    // The karaoke MP3 of the song with its channel SoundFonts: the MP3 command.
    connect(strips_->CmdKmt(), &QPushButton::clicked, conversion_->mp3Button(), &QPushButton::click);
}

void frmMidiTest::buildPanels(QWidget *central) {
    auto folder = [this](DesktopIntegration::Folder kind) {
        return [this, kind] { return desktop_->startFolder(kind); };
    };
    auto used = [this](DesktopIntegration::Folder kind) {
        return [this, kind](const std::string &path) { desktop_->folderUsed(kind, path); };
    };

    player::TransportHost transportHost;
    transportHost.opening = [this] { songOpening(); };
    transportHost.songFolder = folder(DesktopIntegration::Folder::Song);
    transportHost.opened = [this](const std::string &path) {
        desktop_->songOpened(path);
        view_->buildTimeline(path);
    };
    transportHost.capturing = [this] { return lrc_->capturing(); };
    transportHost.interrupted = [this] { return conversion_->stop(); };
    transportHost.stopped = [this] { lrc_->songStopped(); };
    transportHost.bpm = [this](const QString &bpm) { mixerBinding_->showBpm(bpm); };
    transportHost.refresh = [this] { soundFonts_->refresh(); };
    transportHost.failed = [this] { endWithError(); };
    transportHost.soundReady = [this] { return soundReady(); };
    transportPanel_ = new player::TransportPanel(std::move(transportHost), transport_, central);

    player::SoundFontHost fontHost;
    fontHost.choosing = [this] { conversion_->setWanted(false, false); };
    fontHost.startFolder = folder(DesktopIntegration::Folder::SoundFont);
    fontHost.chosen = used(DesktopIntegration::Folder::SoundFont);
    fontHost.replaced = [this] { statusBar()->clearMessage(); };
    fontHost.wait = [this](int ms) { wait_(ms); };
    soundFonts_ = new player::SoundFontBar(std::move(fontHost), transport_, mixer_, strips_, central);
    mixerBinding_ = new player::MixerBinding(
        transport_, mixer_, strips_, effects_, Sldtone, CmdReset, soundFonts_,
        [this] { conversion_->setWaveWanted(true); }, this);

    lyrics::LrcHost lrcHost;
    lrcHost.song = [this] { return transport_.song().path; };
    lrcHost.holdSong = [this](bool held) {
        transportPanel_->playButton()->setEnabled(!held);
        conversion_->setWanted(!held, !held);
    };
    lrcHost.closeSong = [this] { transport_.closeSong(); };
    lrcHost.captureChosen = [this](bool on) { transport_.setCaptureLyrics(on); };
    lrcHost.positionSeconds = [this] { return transportPanel_->sliderSeconds(); };
    lrcHost.tempoFactor = [this] { return double(transport_.live().tempoFactor); };
    lrc_ = new lyrics::LrcCommands(std::move(lrcHost), lyricPanel_, central);

    render::ConversionHost convHost;
    convHost.song = [this] { return transport_.song().path; };
    // The live settings as the song plays with them, on every block of a render.
    convHost.liveSettings = [this] { return render::RenderBlockFn(player::LiveBlockHook(mixer_.renderSettings())); };
    convHost.tempoFactor = [this] { return double(mixer_.renderSettings().tempoFactor); };
    convHost.songLength = [this](double seconds) { transportPanel_->showLength(seconds); };
    convHost.soundReady = [this] { return soundReady(); };
    // A conversion before any Play reads the song's channels first: the strips then hold what it renders.
    convHost.waveStarting = [this] {
        transport_.scanChannels();
        lyricPanel_->clearPage();
    };
    convHost.mp3Starting = [this] {
        transport_.scanChannels();
        lrc_->conversionStarting();
    };
    convHost.saveFolder = folder(DesktopIntegration::Folder::Save);
    convHost.saved = used(DesktopIntegration::Folder::Save);
    convHost.converted = [this](const std::string &output) { tags_->showConverted(output); };
    auto later = [this](int ms, std::function<void()> then) { after(ms, std::move(then)); };
    tags_ = new tags::EditorSlot(this, later, [this](bool held) {
        mnuconf->setEnabled(!held);
        transportPanel_->openButton()->setEnabled(!held);
    });
    convHost.after = later;
    conversion_ = new render::ConversionPanel(std::move(convHost), central);
}

void frmMidiTest::buildMenus() {
    mnuconf = menuBar()->addMenu("&Options");
    mnuconf->setObjectName("mnuconf");
    auto add = [this](const char *name, const QString &caption) {
        QAction *a = mnuconf->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    Mp3KK = add("Mp3KK", "&Mp3 Karaoke Editor");
    Snorma = add("Snorma", "MidiEditor");
    mnuconf->addAction(lrc_->creatorAction());
    Savec = add("Savec", "Save Configuration");
    Mnuexit = add("Mnuexit", "Exit");
    Shelp = menuBar()->addAction("Help");
    Shelp->setObjectName("Shelp");
    Sabout = menuBar()->addAction("About");
    Sabout->setObjectName("Sabout");

    connect(Mp3KK, &QAction::triggered, this, [this] { Mp3KK_Click(); });
    connect(Snorma, &QAction::triggered, this, &frmMidiTest::Snorma_Click);
    connect(Savec, &QAction::triggered, this, &frmMidiTest::Savec_Click);
    connect(Mnuexit, &QAction::triggered, this, [this] {
        if (tags_->mayClose())
            Form_Unload();
    });
    connect(Shelp, &QAction::triggered, this, &frmMidiTest::Shelp_Click);
    connect(Sabout, &QAction::triggered, this, &frmMidiTest::Sabout_Click);

    // The View menu: after Options, before Help and About.
    view_ = new lyrics::ViewMenu(
        lyricPanel_, [this] { return transport_.song().handle; },
        [this](const QString &message) { statusBar()->showMessage(message); }, this);
    menuBar()->insertMenu(Shelp, view_);

    // What a conversion takes away from the rest of the window.
    render::ConversionLock lock;
    lock.mixer = {strips_, effects_, Sldtone, soundFonts_->volumeSlider(), CmdReset};
    // Exit stays: it cancels the conversion and ends the program.
    lock.session = {transportPanel_->openButton(), mnuconf};
    lock.play = transportPanel_->playButton();
    lock.stop = transportPanel_->stopButton();
    lock.song = {soundFonts_->replaceButton()};
    lock.displayTimer = transportPanel_->displayTimer();
    conversion_->setLock(std::move(lock));
}

// ---------------------------------------------------------------- what the transport reports

void frmMidiTest::controlsChanged(const player::TransportControls &c) {
    transportPanel_->showControls(c);
    soundFonts_->replaceButton()->setEnabled(c.replaceFont);
    conversion_->setWanted(c.convert, c.convert);
    lrc_->creatorAction()->setEnabled(c.lrcCreator);
    mnuconf->setEnabled(c.options);
    lrc_->captureCheck()->setEnabled(c.capture);
    strips_->enableInstruments(transport_.flags().started, transport_.channels());
}

void frmMidiTest::songChanged(const player::SongInfo &song) {
    transportPanel_->showSong(song);
    mixerBinding_->chkEqualizer_Click();
    // No song left (a failed Open, the LRC Creator done): nothing of the one before stays on show.
    if (transport_.song().handle == 0) {
        strips_->clearNames();
        lyricPanel_->clearSyllable();
    }
}

void frmMidiTest::songOpening() {
    lrc_->songOpening();
    mixerBinding_->Clear();
    strips_->ZeroVariables();
    Sldtone->setValue(0);
}

void frmMidiTest::lyricsCleared() { lyricPanel_->clearPage(); }

void frmMidiTest::engineFailed(const std::string &message, int code) {
    dialogs::Dialogs::current().msgBox(this, errorText(message, code), dialogs::Exclamation, "Error");
}

void frmMidiTest::liveChanged(const player::LiveSettings &live) {
    if (live.fontVolume)
        soundFonts_->showVolume(*live.fontVolume);
}

namespace {
QString missingFontText(const std::string &path) {
    return QString("SoundFont %1 is missing or unreadable: nothing can play or be converted. "
                   "Choose one with \"SoundFont...\" after opening a song, then "
                   "Options > Save Configuration.")
        .arg(q(path));
}
} // namespace

void frmMidiTest::soundFontMissing(const std::string &path) { statusBar()->showMessage(missingFontText(path)); }

bool frmMidiTest::soundReady() {
    if (transport_.hasSoundFont())
        return true;
    dialogs::Dialogs::current().msgBox(this, missingFontText(transport_.fonts().mainFontPath).toStdString(),
                                       dialogs::Exclamation, "Cantora KARAOKE");
    return false;
}

void frmMidiTest::deleteWorkFiles() { render::KillTemp(appFolder()); }

void frmMidiTest::channelsScanned(const player::ChannelRecords &records) {
    strips_->fill(records);
    soundFonts_->nameSongKit(records[player::LiveSettings::kDrumChannel]);
}

void frmMidiTest::after(int ms, std::function<void()> then) { schedule_ ? schedule_(ms, std::move(then)) : then(); }

// The engine's callbacks come on its thread: each posts, in order, to the UI thread.
void frmMidiTest::markReached(const lyrics::MarkReached &mark) {
    postToWindow(this, [mark](frmMidiTest &w) { w.onMarkReached(mark); });
}

void frmMidiTest::streamEnded(HSTREAM stream) {
    postToWindow(this, [stream](frmMidiTest &w) { w.transport_.songEnded(stream); });
}

void frmMidiTest::captureReached(const lyrics::MarkReached &mark) {
    postToWindow(this, [mark](frmMidiTest &w) { w.onCaptureReached(mark); });
}

void frmMidiTest::onMarkReached(const lyrics::MarkReached &mark) {
    // A report from a stream that has since been replaced is stale.
    if (mark.stream != transport_.song().handle)
        return;
    lyricPanel_->markReached(mark.text, mark.tick);
    // While capturing, the page shown is the capture's (two lines at most).
    if (transport_.captureLyrics)
        lyricPanel_->showCapturePage(lrc_->capture().page());
}

void frmMidiTest::onCaptureReached(const lyrics::MarkReached &mark) {
    if (mark.stream == transport_.song().handle)
        lrc_->captureReached(mark.text);
}

// ---------------------------------------------------------------- start-up

bool frmMidiTest::Form_Initialize() {
    auto &dlg = dialogs::Dialogs::current();
    transport_.fonts().drumStale = true;
    // inizio: the strips and the conversion's rate.
    soundFonts_->volumeText()->setText("5");
    conversion_->setSampleRate(44100);
    strips_->LoadPatches();
    strips_->inizio();
    lrc_->creatorAction()->setEnabled(false);
    QDir::setCurrent(q(appFolder()));
    view_->loadPrefs();

    const player::EngineStartResult started = player::startEngine();
    if (started.status != player::EngineStart::Ok) {
        if (started.status == player::EngineStart::NoDevice)
            Error_("Can't initialize device");
        else
            dlg.msgBox(this,
                       started.status == player::EngineStart::WrongEngineVersion
                           ? "An incorrect version of BASS.DLL was loaded"
                           : "An incorrect version of BASS_FX.DLL was loaded (2.4 is required)",
                       dialogs::Critical, kAppTitle);
        endWithError();
        return false;
    }
    floatCap_ = started.floatCapability;
    transport_.setDefaultFont(appFile(kDefaultFont));
    soundFonts_->Font_General();
    if (transport_.fonts().mainFont == 0 && transport_.fonts().mainFontPath.empty()) {
        // Settings that accept a main SoundFont without naming one leave every song silent.
        dlg.msgBox(this,
                   "The settings file " + appFile(kSettingsFile) +
                       " names no SoundFont: the songs play silent.\nOpen a song, choose a SoundFont with "
                       "\"SoundFont...\", then save it with Options > Save Configuration.",
                   dialogs::Exclamation, kAppTitle);
    }
    // The labels follow the engine from the start, song or not.
    transportPanel_->displayTimer()->start();
    transportPanel_->tmrMidiTest_Timer();
    return true;
}

void frmMidiTest::endWithError() {
    ending_ = true;
    endProgram(kStartFailed);
}

void frmMidiTest::Error_(const std::string &message) { engineFailed(message, player::engineErrorCode()); }

void frmMidiTest::Form_Unload() {
    if (!ending_)
        desktop_->saveGeometry();
    ending_ = true;
    // Exit works at any time. A conversion still running stops here, and its
    // file under construction goes now: the process ends before the
    // conversion could clean up. A song playing stops.
    conversion_->cancelForExit();
    transport_.stop();
    player::releaseOutput();
    endProgram(0);
}

void frmMidiTest::closeEvent(QCloseEvent *event) {
    // The tag editor's unsaved edits first: the user may keep the program open.
    if (!ending_ && !tags_->mayClose()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

// ---------------------------------------------------------------- other windows

void frmMidiTest::Shelp_Click() {
    if (!help_)
        help_ = new help::formp3(this);
    help_->show();
    help_->raise();
}

void frmMidiTest::Sabout_Click() {
    auto *about = new AboutWindow(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->show();
}

void frmMidiTest::Snorma_Click() {
    auto &dlg = dialogs::Dialogs::current();
    const player::MidiEditorChoice editor = player::chooseMidiEditor(
        core::Preferences::load(appFile(core::Preferences::kFileName)).get(player::kMidiEditorKey),
        std::getenv("CANTORA_MIDI_EDITOR"), appFolder(), std::getenv("PATH"));
    if (editor.program.empty()) {
        dlg.msgBox(this, editor.message, dialogs::Exclamation, "MidiEditor");
        return;
    }
    // Started on its own; Cantora does not wait for it.
    if (!launch_(editor.program))
        dlg.msgBox(this, "The MIDI editor " + editor.program + " could not be started.", dialogs::Exclamation,
                   "MidiEditor");
}

// ---------------------------------------------------------------- settings

void frmMidiTest::confload() {
    auto &fonts = transport_.fonts();
    Settings s{fonts.mainFontAccepted, fonts.mainFontPath, conversion_->sampleRate(), fonts.lastFolder};
    core::confload(appFile(kSettingsFile), s);
    fonts.mainFontAccepted = s.accepted;
    fonts.mainFontPath = s.mainFontPath;
    conversion_->setSampleRate(s.rate);
    fonts.lastFolder = s.lastFolder;
}

void frmMidiTest::confsave() {
    Settings s{"OK", transport_.fonts().mainFontPath, conversion_->sampleRate(), transport_.fonts().lastFolder};
    if (const SaveResult saved = core::confsave(appFile(kSettingsFile), s); !saved)
        throw std::runtime_error(saved.error);
}

void frmMidiTest::Savec_Click() {
    auto &dlg = dialogs::Dialogs::current();
    try {
        confsave();
    } catch (const std::runtime_error &e) {
        // The settings were not written: say so instead of "Done!".
        dlg.msgBox(this, e.what(), dialogs::Critical, "Cantora KARAOKE");
        return;
    }
    dlg.msgBox(this, "Done!", dialogs::Question, "Cantora KARAOKE");
}

} // namespace cantora::app

#include "app/ui/frmMidiTest.h"

#include "app/dialogs/dialogs.h"
#include "app/ui/aboutwindow.h"
#include "app/ui/desktopintegration.h"
#include "app/ui/positionslider.h"
#include "core/apppaths.h"
#include "core/byteio.h"
#include "core/errortext.h"
#include "core/preferences.h"
#include "core/processexit.h"
#include "core/settings.h"
#include "core/textcodec.h"
#include "help/ui/formp3.h"
#include "lyrics/lrcsong.h"
#include "lyrics/positionsmoother.h"
#include "lyrics/ui/lyricpanel.h"
#include "lyrics/ui/singalongview.h"
#include "player/engine.h"
#include "player/gmnames.h"
#include "player/midieditor.h"
#include "player/mixercontrols.h"
#include "player/ui/channelstrips.h"
#include "player/ui/effectspanel.h"
#include "render/encoderpresets.h"
#include "tags/ui/frmtags.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace cantora::app {

using namespace core;

namespace {

constexpr const char *kAppTitle = "Cantora";
constexpr const char *kDefaultFont = "Chorium.sf2";
constexpr const char *kMidiFilter = "MIDI files (mid/midi/kar)|*.mid;*.midi;*.kar";
constexpr const char *kFontFilter = "Soundfonts (sf2)|*.sf2";
constexpr unsigned kChooserFlags = 0x81004;
// Status of a program that could not start (no device, wrong libraries).
constexpr int kStartFailed = 1;

QString q(const std::string &s) { return QString::fromStdString(s); }

// A caption made from user text: "&" is shown, not taken as a mnemonic.
QString caption(const std::string &s) { return q(s).replace('&', "&&"); }

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

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
    // + and - step the tempo slider as a drag would (the slider applies it).
    desktop_->setTempoStep([this](int step) {
        QSlider *tempo = effects_->sldTempo();
        if (tempo->isEnabled())
            tempo->setValue(tempo->value() + step);
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

frmMidiTest::~frmMidiTest() {
    // The editor goes with this window; its going must not touch controls already gone.
    if (tags_)
        disconnect(tags_, nullptr, this, nullptr);
    // The full-screen lyrics are a window of their own that asks this one for the position.
    delete fullScreen_.data();
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

    // Transport row.
    cmdOpenFP = makeButton(central, "cmdOpenFP", player::Transport::kOpenCaption);
    // A long song name does not widen the window past a small screen.
    cmdOpenFP->setMinimumWidth(200);
    cmdOpenFP->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    CmdPlay = makeButton(central, "CmdPlay", QString());
    CmdPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    CmdPlay->setToolTip("Play");
    Command1 = makeButton(central, "Command1", "Pause");
    Command1->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    cmdStop = makeButton(central, "cmdStop", QString());
    cmdStop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    cmdStop->setToolTip("Stop");
    for (QPushButton *b : {cmdOpenFP, CmdPlay, Command1, cmdStop}) {
        b->setMinimumHeight(36);
        b->setIconSize(QSize(24, 24));
    }
    CmdPlay->setMinimumWidth(64);
    cmdStop->setMinimumWidth(64);
    btnreplace = makeButton(central, "btnreplace", "SoundFont...");
    btnreplace->setToolTip("Replace the main SoundFont");
    btnConvert = makeButton(central, "btnConvert", "Wave");
    cmdsave = makeButton(central, "cmdsave", QString());
    cmdsave->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    cmdsave->setToolTip("MP3");
    CmdLyric = makeButton(central, "CmdLyric", "LRC");
    CmdReset = makeButton(central, "CmdReset", "Reset Eq.");
    Mp3K = new QCheckBox("MP3K", central);
    Mp3K->setObjectName("Mp3K");
    static const char *const kOptK[3][3] = {
        {"OptK_0", "NoKar", "NoKaraoke"}, {"OptK_1", "RtKar", "RealTime Karaoke"}, {"OptK_2", "BtKar", "BatchKaraoke"}};
    for (int i = 0; i < 3; ++i) {
        OptK[i] = new QRadioButton(kOptK[i][1], central);
        OptK[i]->setObjectName(kOptK[i][0]);
        OptK[i]->setToolTip(kOptK[i][2]);
    }
    OptK[0]->setChecked(true);

    auto *transport = new QHBoxLayout;
    transport->addWidget(cmdOpenFP);
    transport->addWidget(CmdPlay);
    transport->addWidget(Command1);
    transport->addWidget(cmdStop);
    transport->addSpacing(8);
    transport->addWidget(btnreplace);
    transport->addStretch();
    transport->addWidget(btnConvert);
    transport->addWidget(cmdsave);
    transport->addWidget(CmdLyric);
    transport->addWidget(Mp3K);
    for (QRadioButton *o : OptK)
        transport->addWidget(o);

    // Position row: the slider counts whole seconds; the song's facts follow the time.
    sldPosition = new PositionSlider(central);
    sldPosition->setObjectName("sldPosition");
    sldPosition->setRange(0, 0);
    sldPosition->setMinimumHeight(24);
    lblTime = makeLabel(central, "lblTime", q(player::timeText(0)));
    QFont timeFont = lblTime->font();
    timeFont.setPointSize(13);
    timeFont.setBold(true);
    lblTime->setFont(timeFont);
    lblBPM = makeLabel(central, "lblBPM", "0");
    lblBPM->setToolTip("BPM");
    Label7 = makeLabel(central, "Label7", QString());
    Label7->setToolTip("MIDI file format");
    LblSfont = makeLabel(central, "LblSfont", QString());
    // A long SoundFont name is cut rather than shortening the slider or widening the window.
    LblSfont->setMinimumWidth(1);
    LblSfont->setMaximumWidth(220);
    auto *position = new QHBoxLayout;
    position->addWidget(sldPosition, 1);
    position->addWidget(lblTime);
    position->addSpacing(16);
    position->addWidget(new QLabel("BPM:", central));
    position->addWidget(lblBPM);
    position->addSpacing(12);
    position->addWidget(new QLabel("Format:", central));
    position->addWidget(Label7);
    position->addSpacing(12);
    position->addWidget(LblSfont);

    // Lyrics in the middle, key and SoundFont volume at its side.
    lyricPanel_ = new lyrics::LyricPanel(central);
    Sldtone = new QSlider(Qt::Vertical, central);
    Sldtone->setObjectName("Sldtone");
    Sldtone->setRange(-24, 24);
    Sldtone->setToolTip("Key (semitones)");
    SldVol = new QSlider(Qt::Vertical, central);
    SldVol->setObjectName("SldVol");
    SldVol->setRange(1, 10);
    SldVol->setValue(5);
    SldVol->setInvertedAppearance(true);
    SldVol->setToolTip("SoundFont volume");
    TextR = new QLineEdit("5", central);
    TextR->setObjectName("TextR");
    TextR->setReadOnly(true);
    TextR->setMaximumWidth(36);
    TextR->setAlignment(Qt::AlignCenter);
    auto *side = new QGridLayout;
    side->addWidget(new QLabel("Key", central), 0, 0, Qt::AlignHCenter);
    side->addWidget(new QLabel("Vol", central), 0, 1, Qt::AlignHCenter);
    side->addWidget(Sldtone, 1, 0, Qt::AlignHCenter);
    side->addWidget(SldVol, 1, 1, Qt::AlignHCenter);
    side->addWidget(TextR, 2, 1, Qt::AlignHCenter);
    side->addWidget(CmdReset, 3, 0, 1, 2);
    // The capture box: one line per captured lyric line, tag first.
    Text2 = new QPlainTextEdit(central);
    Text2->setObjectName("Text2");
    Text2->setReadOnly(true);
    Text2->setMaximumWidth(240);
    Text2->setPlaceholderText("RtKar: the lines captured while playing");
    Text2->setVisible(false);
    auto *middleRow = new LyricsRow(central);
    auto *middle = new QHBoxLayout(middleRow);
    middle->setContentsMargins(0, 0, 0, 0);
    middle->addWidget(lyricPanel_, 1);
    middle->addWidget(Text2);
    middle->addLayout(side);
    effects_ = new player::EffectsPanel(central);
    middle->addWidget(effects_);

    strips_ = new player::ChannelStrips(central);

    // Tight margins so that the whole window fits a 1024x600 screen; height
    // beyond that goes to the lyrics, the strips keep their size.
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(4);
    layout->addLayout(transport);
    layout->addLayout(position);
    layout->addLayout(buildConversionRow(central));
    layout->addWidget(middleRow, 1);
    layout->addWidget(strips_);

    tmrMidiTest = new QTimer(this);
    tmrMidiTest->setObjectName("tmrMidiTest");
    tmrMidiTest->setInterval(500);

    statusBar()->setObjectName("statusBar");

    connect(cmdOpenFP, &QPushButton::clicked, this, [this] { cmdOpenFP_Click(); });
    connect(CmdPlay, &QPushButton::clicked, this, &frmMidiTest::CmdPlay_Click);
    connect(Command1, &QPushButton::clicked, this, &frmMidiTest::Command1_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmMidiTest::cmdStop_Click);
    connect(btnreplace, &QPushButton::clicked, this, &frmMidiTest::btnreplace_Click);
    connect(sldPosition, &PositionSlider::mouseDown, this, &frmMidiTest::sldPosition_MouseDown);
    connect(sldPosition, &PositionSlider::mouseUp, this, &frmMidiTest::sldPosition_MouseUp);
    connect(tmrMidiTest, &QTimer::timeout, this, &frmMidiTest::tmrMidiTest_Timer);
    connect(SldVol, &QSlider::sliderMoved, this, [this] { SldVol_Scroll(); });
    // The capture box takes room from the lyrics only while capturing is on.
    connect(Mp3K, &QCheckBox::toggled, this, [this](bool on) {
        transport_.captureLyrics = on;
        Text2->setVisible(on);
    });
    for (int i = 0; i < 3; ++i)
        connect(OptK[i], &QRadioButton::clicked, this, [this, i] { OptK_Click(i); });
    connect(CmdLyric, &QPushButton::clicked, this, &frmMidiTest::CmdLyric_Click);
    connect(btnConvert, &QPushButton::clicked, this, &frmMidiTest::btnConvert_Click);
    connect(cmdsave, &QPushButton::clicked, this, &frmMidiTest::cmdsave_Click);
    connect(strips_, &player::ChannelStrips::soundFontClicked, this, &frmMidiTest::CmdSF2_Click);
    connect(strips_, &player::ChannelStrips::drumKitClicked, this, &frmMidiTest::LstDrum_Click);
    connect(strips_, &player::ChannelStrips::drumButtonClicked, this, &frmMidiTest::CmdDrum_Click);
    connectMixer();
}

void frmMidiTest::connectMixer() {
    using player::ChannelStrips;
    using player::EffectsPanel;
    auto edit = [this](auto change) {
        return [this, change](auto... args) {
            change(args...);
            liveEdited();
        };
    };
    connect(strips_, &ChannelStrips::volumeMoved, this, edit([this](int c, int v) {
                strips_->Label3(c)->setText(channels()[static_cast<std::size_t>(c)].state == 10
                                                ? QString("drums")
                                                : q(player::GetPatch(channels()[static_cast<std::size_t>(c)].program)));
                mixer_.volumeMoved(c, v);
            }));
    connect(strips_, &ChannelStrips::muteClicked, this, edit([this](int c, bool sounding) {
                const int slider = mixer_.muteClicked(c, sounding);
                const QSignalBlocker block(strips_->Slider2(c));
                strips_->Slider2(c)->setValue(slider);
                strips_->Slider2(c)->setEnabled(sounding);
            }));
    connect(strips_, &ChannelStrips::soloClicked, this,
            edit([this](int c) { strips_->showSolo(c, mixer_.soloClicked(c)); }));
    connect(strips_, &ChannelStrips::chorusMoved, this, edit([this](int c, int v) { mixer_.chorusMoved(c, v); }));
    connect(strips_, &ChannelStrips::reverbMoved, this, edit([this](int c, int v) { mixer_.reverbMoved(c, v); }));
    connect(strips_, &ChannelStrips::panMoved, this, edit([this](int c, int v) { mixer_.panMoved(c, v); }));
    connect(strips_, &ChannelStrips::channelKeyMoved, this,
            edit([this](int c, int v) { mixer_.channelKeyMoved(c, v); }));
    connect(strips_, &ChannelStrips::instrumentButtonClicked, this, [this](int c) {
        strips_->Option1(c)->setChecked(false);
        if (!flags().started)
            return;
        mixer_.instrumentListOpened();
        if (c == player::SoundFonts::kDrumChannel) {
            selectedChannel = c;
            Drum();
            return;
        }
        selectedChannel = c;
        strips_->Option1(c)->setChecked(true);
        strips_->showInstruments(c, channels()[static_cast<std::size_t>(c)].program);
    });
    connect(strips_, &ChannelStrips::instrumentListClicked, this, edit([this](int program) {
                if (mixer_.instrumentClicked(selectedChannel, program))
                    strips_->instrumentChosen(selectedChannel, program);
            }));
    connect(strips_, &ChannelStrips::programVolumeLockClicked, this, [this](bool ticked) {
        transport_.lockProgramsAndVolumes = ticked;
        dialogs::Dialogs::current().msgBox(
            this, ticked ? "Program Change & Volume Disabled" : "Program Change & Volume Enabled", dialogs::Exclamation,
            "");
    });
    connect(strips_, &ChannelStrips::multiFontClicked, this, [this] {
        fonts().multiFont = true;
        setPending(btnConvert, true);
        strips_->CmdKmt()->setEnabled(true);
    });
    // The karaoke MP3 of the song with its channel SoundFonts: the MP3 command.
    connect(strips_->CmdKmt(), &QPushButton::clicked, cmdsave, &QPushButton::click);
    connect(Sldtone, &QSlider::valueChanged, this, edit([this](int v) { mixer_.keyMoved(v); }));
    connect(effects_, &EffectsPanel::pitchClicked, this, [this] { Sldtone->setValue(0); });
    connect(effects_, &EffectsPanel::tempoMoved, this, edit([this](int v) { mixer_.tempoMoved(v); }));
    connect(effects_, &EffectsPanel::equalizerClicked, this, [this](bool) { chkEqualizer_Click(); });
    connect(effects_, &EffectsPanel::eqChanged, this, edit([this](int b, int v) { mixer_.eqMoved(b, v); }));
    connect(effects_, &EffectsPanel::compressorClicked, this,
            edit([this](bool on) { mixer_.compressor(on, effects_->sldPhaser(1)->value()); }));
    connect(effects_, &EffectsPanel::compressorMoved, this, edit([this](int v) {
                if (effects_->chkPhaser()->isChecked())
                    mixer_.compressor(true, v);
            }));
    connect(CmdReset, &QPushButton::clicked, effects_, &EffectsPanel::EqReset);
}

void frmMidiTest::liveEdited() {
    transport_.applyLive();
    const auto &live = transport_.live();
    effects_->showKey(live.key);
    const int slider = effects_->sldTempo()->value();
    effects_->showTempo(q(player::tempoTip(slider)), q(transport_.bpm()));
}

void frmMidiTest::chkEqualizer_Click() {
    // Box and band faders into the settings: a new stream gets the equaliser anew.
    mixer_.equalizer(effects_->chkEqualizer()->isChecked());
    for (int b = 0; b < 7; ++b)
        mixer_.eqMoved(b, effects_->sldEQ(b)->value());
    liveEdited();
}

void frmMidiTest::channelsScanned(const player::ChannelRecords &records) { strips_->fill(records); }

void frmMidiTest::Clear() {
    mixer_.clear();
    strips_->clearKeys();
    strips_->showSolo(0, false);
    strips_->CmdMulti()->setEnabled(false);
    strips_->CmdKmt()->setEnabled(false);
    effects_->clear();
    lblBPM->setText("0");
    // The karaoke choice goes back to "NoKar" for every new song; the MP3K box
    // keeps its tick (the user sees and changes it himself), so a capture
    // chosen before Open still runs.
    OptK[0]->setChecked(true);
}

void frmMidiTest::buildMenus() {
    mnuconf = menuBar()->addMenu("&Options");
    mnuconf->setObjectName("mnuconf");
    auto add = [this](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    Mp3KK = add(mnuconf, "Mp3KK", "&Mp3 Karaoke Editor");
    Snorma = add(mnuconf, "Snorma", "MidiEditor");
    Mmp3 = add(mnuconf, "Mmp3", "&LRC Creator");
    Savec = add(mnuconf, "Savec", "Save Configuration");
    Mnuexit = add(mnuconf, "Mnuexit", "Exit");
    Shelp = menuBar()->addAction("Help");
    Shelp->setObjectName("Shelp");
    Sabout = menuBar()->addAction("About");
    Sabout->setObjectName("Sabout");

    connect(Mp3KK, &QAction::triggered, this, [this] { Mp3KK_Click(); });
    connect(Snorma, &QAction::triggered, this, &frmMidiTest::Snorma_Click);
    connect(Mmp3, &QAction::triggered, this, [this] { Lrc_batch(); });
    connect(Savec, &QAction::triggered, this, &frmMidiTest::Savec_Click);
    connect(Mnuexit, &QAction::triggered, this, &frmMidiTest::Form_Unload);
    connect(Shelp, &QAction::triggered, this, &frmMidiTest::Shelp_Click);
    connect(Sabout, &QAction::triggered, this, &frmMidiTest::Sabout_Click);
    buildViewMenu();
}

void frmMidiTest::buildViewMenu() {
    // After Options, before Help and About.
    auto *view = new QMenu("&View", this);
    view->setObjectName("mnuView");
    menuBar()->insertMenu(Shelp, view);
    auto add = [this, view](QActionGroup *group, const char *name, const QString &text) {
        QAction *a = view->addAction(text);
        a->setObjectName(name);
        if (group) {
            a->setCheckable(true);
            group->addAction(a);
        }
        return a;
    };
    auto *views = new QActionGroup(this);
    viewClassic_ = add(views, "viewClassic", "Classic page");
    viewSingAlong_ = add(views, "viewSingAlong", "Sing-along");
    view->addSeparator();
    viewFullScreen_ = add(nullptr, "viewFullScreen", "Full screen lyrics");
    viewFullScreen_->setShortcut(QKeySequence(Qt::Key_F11));
    viewFullScreen_->setShortcutContext(Qt::ApplicationShortcut);
    view->addSeparator();
    auto *colours = new QActionGroup(this);
    contrast_[0] = add(colours, "contrastNight", "Colours: white on night blue");
    contrast_[1] = add(colours, "contrastDay", "Colours: black on white");
    contrast_[2] = add(colours, "contrastYellow", "Colours: yellow on black");
    viewClassic_->setChecked(true);
    contrast_[0]->setChecked(true);

    connect(viewClassic_, &QAction::triggered, this, [this] { chooseLyricView(lyrics::LyricView::Classic); });
    connect(viewSingAlong_, &QAction::triggered, this, [this] { chooseLyricView(lyrics::LyricView::SingAlong); });
    connect(viewFullScreen_, &QAction::triggered, this, &frmMidiTest::toggleFullScreenLyrics);
    const lyrics::LyricContrast kinds[3] = {lyrics::LyricContrast::Night, lyrics::LyricContrast::Day,
                                            lyrics::LyricContrast::Yellow};
    for (int i = 0; i < 3; ++i)
        connect(contrast_[i], &QAction::triggered, this, [this, c = kinds[i]] { chooseContrast(c); });

    lyricPanel_->singAlong()->setPosition(positionSource());
}

lyrics::SingAlongView::Position frmMidiTest::positionSource() {
    // Each view smooths the engine's block-wise position on its own.
    auto smoother = std::make_shared<lyrics::PositionSmoother>();
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    return [this, smoother, clock] {
        return smoother->at(lyrics::songClockSeconds(transport_.song().handle),
                            static_cast<double>(clock->nsecsElapsed()) / 1e9);
    };
}

void frmMidiTest::saveViewPrefs() {
    if (!lyrics::saveViewPrefs(appFile(lyrics::kViewPrefsFile), viewPrefs_))
        statusBar()->showMessage("The view preferences could not be saved in the application folder.");
}

void frmMidiTest::chooseLyricView(lyrics::LyricView view) {
    (view == lyrics::LyricView::SingAlong ? viewSingAlong_ : viewClassic_)->setChecked(true);
    lyricPanel_->setView(view);
    if (viewPrefs_.view != view) {
        viewPrefs_.view = view;
        saveViewPrefs();
    }
}

void frmMidiTest::chooseContrast(lyrics::LyricContrast contrast) {
    contrast_[static_cast<int>(contrast)]->setChecked(true);
    lyricPanel_->singAlong()->setContrast(contrast);
    if (fullScreen_)
        fullScreen_->setContrast(contrast);
    if (viewPrefs_.contrast != contrast) {
        viewPrefs_.contrast = contrast;
        saveViewPrefs();
    }
}

void frmMidiTest::toggleFullScreenLyrics() {
    if (fullScreen_) {
        fullScreen_->close();
        return;
    }
    auto *view = new lyrics::SingAlongView(nullptr);
    view->setObjectName("lyricsFullScreen");
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setWindowTitle("Cantora lyrics");
    view->setTimeline(timeline_, timelineTitle_);
    view->setContrast(viewPrefs_.contrast);
    view->setPosition(positionSource());
    view->addAction(viewFullScreen_);
    connect(view, &lyrics::SingAlongView::escapePressed, view, &QWidget::close);
    fullScreen_ = view;
    // The whole screen this window is on, also where no window manager applies the state.
    view->setGeometry(screen()->geometry());
    view->showFullScreen();
    view->activateWindow();
}

void frmMidiTest::buildTimeline(const std::string &path) {
    lyrics::LrcSong song;
    timelineTitle_ = std::filesystem::path(path).stem().string();
    if (lyrics::readLrcSong(path, song) == lyrics::LrcSongError::None)
        timeline_ = std::make_shared<lyrics::LyricTimeline>(song.marks, song.atTTexts);
    else
        timeline_ = std::make_shared<lyrics::LyricTimeline>();
    lyricPanel_->singAlong()->setTimeline(timeline_, timelineTitle_);
    if (fullScreen_)
        fullScreen_->setTimeline(timeline_, timelineTitle_);
}

void frmMidiTest::setPending(QPushButton *button, bool enabled) {
    button->setProperty("wantedEnabled", enabled);
    button->setEnabled(enabled && !job_);
}

void frmMidiTest::wait(int ms) {
    if (wait_)
        wait_(ms);
}

// ---------------------------------------------------------------- what the transport reports

void frmMidiTest::controlsChanged(const player::TransportControls &c) {
    cmdOpenFP->setEnabled(c.open);
    CmdPlay->setEnabled(c.play);
    Command1->setEnabled(c.pause);
    cmdStop->setEnabled(c.stop);
    btnreplace->setEnabled(c.replaceFont);
    setPending(btnConvert, c.convert);
    setPending(cmdsave, c.convert);
    Mmp3->setEnabled(c.lrcCreator);
    Mnuexit->setEnabled(c.exit);
    mnuconf->setEnabled(c.options);
    Mp3K->setEnabled(c.capture);
    if (c.displayTimer && !tmrMidiTest->isActive())
        tmrMidiTest->start();
}

void frmMidiTest::songChanged(const player::SongInfo &song) {
    cmdOpenFP->setText(caption(song.openCaption));
    Label7->setText(q(song.format));
    sldPosition->setMaximum(static_cast<int>(song.seconds));
    sldPosition->setValue(0);
    lblTime->setText(q(player::timeText(song.seconds)));
    chkEqualizer_Click();
}

void frmMidiTest::lyricsCleared() { lyricPanel_->clearPage(); }

void frmMidiTest::engineFailed(const std::string &message, int code) {
    dialogs::Dialogs::current().msgBox(this, errorText(message, code), dialogs::Exclamation, "Error");
}

void frmMidiTest::liveChanged(const player::LiveSettings &live) {
    if (live.fontVolume) {
        const int shown = static_cast<int>(*live.fontVolume * 10.0f + 0.5f);
        SldVol->setValue(10 - shown);
        TextR->setText(QString::number(shown));
    }
}

void frmMidiTest::soundFontMissing(const std::string &path) {
    statusBar()->showMessage(QString("SoundFont %1 is missing or unreadable: the songs play silent. "
                                     "Choose one with \"SoundFont...\" after opening a song, then "
                                     "Options > Save Configuration.")
                                 .arg(q(path)));
}

void frmMidiTest::after(int ms, std::function<void()> then) {
    if (schedule_)
        schedule_(ms, std::move(then));
    else
        then();
}

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
        lyricPanel_->showCapturePage(capture_.page());
}

void frmMidiTest::onCaptureReached(const lyrics::MarkReached &mark) {
    if (mark.stream != transport_.song().handle)
        return;
    if (capture_.onMark(mark.text, sldPosition->value())) {
        // One captured line more in the box; its CR LF becomes the box's line end.
        QString line = q(lyrics::LrcCapture::entryText(capture_.entries().back()));
        line.replace("\r\n", "\n");
        Text2->moveCursor(QTextCursor::End);
        Text2->insertPlainText(line);
    }
    lyricPanel_->showCapturePage(capture_.page());
}

// ---------------------------------------------------------------- start-up

bool frmMidiTest::Form_Initialize() {
    auto &dlg = dialogs::Dialogs::current();
    transport_.fonts().drumStale = true;
    // inizio: the strip tooltips and the conversion rate choices.
    for (int c = 0; c < 16; ++c)
        strips_->CmdSF2(c)->setToolTip(QString("SoundFont for channel %1").arg(c + 1));
    TextR->setText("5");
    settingsRate_ = 44100;
    strips_->LoadPatches();
    strips_->inizio();
    Mmp3->setEnabled(false);
    QDir::setCurrent(q(appFolder()));
    viewPrefs_ = lyrics::loadViewPrefs(appFile(lyrics::kViewPrefsFile));
    chooseLyricView(viewPrefs_.view);
    chooseContrast(viewPrefs_.contrast);

    const player::EngineStartResult started = player::startEngine();
    switch (started.status) {
    case player::EngineStart::WrongEngineVersion:
        dlg.msgBox(this, "An incorrect version of BASS.DLL was loaded", dialogs::Critical, kAppTitle);
        endWithError();
        return false;
    case player::EngineStart::WrongEffectsVersion:
        dlg.msgBox(this, "An incorrect version of BASS_FX.DLL was loaded (2.4 is required)", dialogs::Critical,
                   kAppTitle);
        endWithError();
        return false;
    case player::EngineStart::NoDevice:
        Error_("Can't initialize device");
        endWithError();
        return false;
    case player::EngineStart::Ok: break;
    }
    floatCap_ = started.floatCapability;
    transport_.setDefaultFont(appFile(kDefaultFont));
    Font_General();
    // The labels follow the engine from the start, song or not.
    tmrMidiTest->start();
    tmrMidiTest_Timer();
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
    // A conversion still running stops here, and its file under construction
    // goes now: the process ends before the conversion could clean up.
    if (job_)
        job_->cancel();
    player::releaseOutput();
    endProgram(0);
}

void frmMidiTest::closeEvent(QCloseEvent *event) {
    Form_Unload();
    event->accept();
}

// ---------------------------------------------------------------- transport

void frmMidiTest::Mp3KK_Click(const std::string &file) {
    if (tags_) {
        tags_->raise();
        tags_->activateWindow();
        if (!file.empty())
            tags_->OpenFile(file);
        return;
    }
    tags::TagEditorHost host;
    host.appFolder = appFolder();
    host.outputFile = [this] { return tagsOutput_; };
    host.exited = [this] {
        mnuconf->setEnabled(true);
        cmdOpenFP->setEnabled(true);
    };
    host.openAtStart = file;
    host.schedule = [this](int ms, std::function<void()> then) { after(ms, std::move(then)); };
    tags_ = new tags::frmTags(std::move(host), this);
    // However the editor goes (Exit or Cancel), what the conversion held comes back.
    connect(tags_, &QObject::destroyed, this, [this] {
        if (!editorLocksMain_)
            return;
        editorLocksMain_ = false;
        mnuconf->setEnabled(true);
        cmdOpenFP->setEnabled(true);
    });
    tags_->show();
}

void frmMidiTest::showTagEditorAfterConversion(const std::string &outputFile) {
    tagsOutput_ = outputFile;
    if (tags_) {
        tags_->OpenConvertedSong();
        tags_->raise();
    } else {
        Mp3KK_Click();
    }
    // While this editor is open the options and Open wait for its Exit.
    editorLocksMain_ = true;
    mnuconf->setEnabled(false);
    cmdOpenFP->setEnabled(false);
}

void frmMidiTest::KillTemp() { render::KillTemp(appFolder()); }

void frmMidiTest::cmdOpenFP_Click(const std::optional<std::string> &chosen) {
    lblBPM->setText("0");
    // A new song starts a new capture.
    capture_.reset();
    Text2->clear();
    transport_.captureLyrics = Mp3K->isChecked();
    if (!transport_.beginOpen()) {
        endWithError();
        return;
    }
    Clear();
    strips_->ZeroVariables();
    Sldtone->setValue(0);

    dialogs::FileResult res;
    if (chosen) {
        res.path = *chosen;
    } else {
        dialogs::FileRequest req;
        req.title = "Load Midifile";
        req.filter = kMidiFilter;
        req.flags = kChooserFlags;
        req.initDir = desktop_->startFolder(DesktopIntegration::Folder::Song);
        res = dialogs::Dialogs::current().showOpen(this, req);
    }
    if (res.cancelled() || res.path.empty()) {
        transport_.openCancelled();
        return;
    }
    if (transport_.open(res.path)) {
        desktop_->songOpened(res.path);
        buildTimeline(res.path);
    }
}

void frmMidiTest::CmdPlay_Click() {
    transport_.captureLyrics = Mp3K->isChecked();
    if (!transport_.play())
        endWithError();
}

void frmMidiTest::Command1_Click() { transport_.pause(); }

void frmMidiTest::cmdStop_Click() {
    transport_.stop();
    if (Mp3K->isChecked())
        writeCapture();
}

void frmMidiTest::writeCapture() {
    if (const std::string why = writeWholeFile(appFile("SYNCRO.LRC"), capture_.fileBytes()); !why.empty())
        dialogs::Dialogs::current().msgBox(this, "Cannot write " + why, dialogs::Exclamation, "LRC");
}

void frmMidiTest::sldPosition_MouseDown() {
    if (Mp3K->isChecked())
        return;
    tmrMidiTest->stop();
}

void frmMidiTest::sldPosition_MouseUp() {
    if (Mp3K->isChecked())
        return;
    transport_.seek(sldPosition->value());
    tmrMidiTest->start();
}

void frmMidiTest::tmrMidiTest_Timer() {
    const std::string bpm = transport_.bpm();
    if (!bpm.empty()) {
        lblBPM->setText(q(bpm));
        effects_->showTempo(q(player::tempoTip(effects_->sldTempo()->value())), q(bpm));
    }
    sldPosition->setValue(static_cast<int>(transport_.positionSeconds()));
    LblSfont->setText(q(transport_.soundFontLabel()));
}

// ---------------------------------------------------------------- LRC files

void frmMidiTest::OptK_Click(int index) {
    if (index < 0 || index > 2)
        return;
    OptK[index]->setChecked(true);
    Mp3K->setChecked(index == 1);
}

bool frmMidiTest::makeLrc(const std::string &target) {
    auto &dlg = dialogs::Dialogs::current();
    const std::string &song = transport_.song().path;
    if (song.empty()) {
        dlg.msgBox(this, "Open a song first: its LRC is made from its lyrics.", dialogs::Exclamation, "LRC");
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    lyrics::LrcSongError error = lyrics::LrcSongError::None;
    const std::string bytes = lyrics::songLrc(song, msPerTick_, lrcState_, error);
    const std::string why = error == lyrics::LrcSongError::None ? writeWholeFile(target, bytes) : std::string();
    QApplication::restoreOverrideCursor();
    if (error != lyrics::LrcSongError::None) {
        dlg.msgBox(this, song + ": " + lyrics::lrcSongErrorText(error) + "; no LRC was written.", dialogs::Exclamation,
                   "LRC");
        return false;
    }
    if (!why.empty()) {
        dlg.msgBox(this, "Cannot write " + why, dialogs::Exclamation, "LRC");
        return false;
    }
    return true;
}

void frmMidiTest::CmdLyric_Click() { makeLrc(appFile("SYNCRO.LRC")); }

void frmMidiTest::Lrc_batch() {
    dialogs::FileRequest req;
    req.title = "Save Lrc File";
    req.filter = "File Syncro (Lrc File (*.lrc)|*.lrc";
    const dialogs::FileResult res = dialogs::Dialogs::current().showSave(this, req);
    CmdPlay->setEnabled(false);
    setPending(btnConvert, false);
    setPending(cmdsave, false);
    if (res.cancelled() || res.path.empty())
        return;
    const bool written = makeLrc(res.path);
    if (written)
        transport_.closeSong();
    CmdPlay->setEnabled(true);
    setPending(cmdsave, true);
    setPending(btnConvert, true);
    if (written)
        dialogs::Dialogs::current().msgBox(this, "Done! LRC Creator", dialogs::OkOnly, "Cantora Professional");
}

// ---------------------------------------------------------------- SoundFonts

void frmMidiTest::Font_General() { transport_.fontGeneral(); }

void frmMidiTest::SldVol_Scroll() {
    int v = SldVol->value();
    transport_.setFontVolume(static_cast<float>(10 - v) / 10.0f);
    TextR->setText(QString::number(10 - v));
}

std::string frmMidiTest::chooseSoundFont(const std::string &initDir) {
    setPending(btnConvert, false);
    setPending(cmdsave, false);
    dialogs::FileRequest req;
    req.title = "Load SoundFonts";
    req.filter = kFontFilter;
    req.flags = kChooserFlags;
    req.initDir = initDir;
    dialogs::FileResult res = dialogs::Dialogs::current().showOpen(this, req);
    return res.cancelled() ? std::string() : res.path;
}

void frmMidiTest::btnreplace_Click() {
    auto &fonts = transport_.fonts();
    fonts.drumStale = true;
    const std::string chosen = chooseSoundFont(desktop_->startFolder(DesktopIntegration::Folder::SoundFont));
    if (chosen.empty())
        return;
    desktop_->folderUsed(DesktopIntegration::Folder::SoundFont, chosen);
    auto pause = [](int ms, void *ctx) { static_cast<frmMidiTest *>(ctx)->wait(ms); };
    if (fonts.replaceMain(chosen, transport_.song().handle, pause, this)) {
        statusBar()->clearMessage();
        SldVol_Scroll();
    }
}

void frmMidiTest::CmdSF2_Click(int index) {
    if (index < 0 || index > 15)
        return;
    auto &fonts = transport_.fonts();
    fonts.chosenChannel = static_cast<std::int16_t>(index);
    const std::string chosen = chooseSoundFont(fonts.lastFolder.empty() ? kSystemSoundFonts : fonts.lastFolder);
    if (chosen.empty())
        return;
    fonts.lastFolder = FolderOf(chosen);
    fonts.assignChannelFont(index, chosen, transport_.channels()[static_cast<std::size_t>(index)].program);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    wait(1000);
    QApplication::restoreOverrideCursor();
    transport_.applyChannelFonts();
    SldVol_Scroll();
    // With a channel font the song can be rendered with all its fonts.
    strips_->CmdMulti()->setEnabled(true);
}

void frmMidiTest::Drum() {
    QListWidget *list = strips_->LstDrum();
    list->clear();
    for (const auto &name : transport_.fonts().Drum())
        list->addItem(q(core::toUtf8(name)));
    strips_->showDrumKits();
}

void frmMidiTest::LstDrum_Click(int row) {
    if (row < 0)
        return;
    transport_.chooseDrumKit(selectedChannel, row);
    const auto &names = transport_.fonts().drumNames;
    if (static_cast<std::size_t>(row) < names.size())
        strips_->Label3(player::SoundFonts::kDrumChannel)
            ->setText(q(core::toUtf8(names[static_cast<std::size_t>(row)])));
    QApplication::processEvents();
}

void frmMidiTest::CmdDrum_Click() {
    mixer_.drumButtonClicked();
    strips_->hideDrumKits();
}

// ---------------------------------------------------------------- settings

void frmMidiTest::confload() {
    auto &fonts = transport_.fonts();
    Settings s{fonts.mainFontAccepted, fonts.mainFontPath, settingsRate_, fonts.lastFolder};
    core::confload(appFile(kSettingsFile), s);
    fonts.mainFontAccepted = s.accepted;
    fonts.mainFontPath = s.mainFontPath;
    settingsRate_ = s.rate;
    fonts.lastFolder = s.lastFolder;
}

void frmMidiTest::confsave() {
    Settings s{"OK", transport_.fonts().mainFontPath, settingsRate_, transport_.fonts().lastFolder};
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

// ---------------------------------------------------------------- conversion

namespace {

constexpr const char *kWaveTitle = "Midi To Wave ";
constexpr const char *kMp3Title = "Midi To Mp3";
constexpr const char *kProfessional = "Cantora Professional";
constexpr const char *const kBitRates[] = {"64", "96", "128", "160", "192", "224", "256", "320"};
constexpr const char *const kRates[] = {"44100", "48000", "96000"};

// Why a rendering failed, in the user's words.
std::string renderFailure(const render::SongRenderResult &r) {
    std::string text = "The song could not be rendered: " + r.error;
    if (r.engineError)
        text += " (engine error " + std::to_string(r.engineError) + ")";
    return text;
}

QProgressBar *makeProgress(QWidget *parent, const char *name) {
    auto *p = new QProgressBar(parent);
    p->setObjectName(name);
    p->setRange(0, 100);
    p->setMaximumWidth(200);
    p->hide();
    return p;
}

} // namespace

QLayout *frmMidiTest::buildConversionRow(QWidget *parent) {
    LblExtr[0] = makeLabel(parent, "LblExtr_0", "Midi to Mp3: please wait...");
    LblExtr[1] = makeLabel(parent, "LblExtr_1", "Midi to Wave: please wait...");
    for (QLabel *l : LblExtr) {
        l->setStyleSheet("color: #b00000; font-weight: bold;");
        l->hide();
    }
    Pbregg = makeProgress(parent, "Pbregg");
    Prog = makeProgress(parent, "Prog");
    lblStrFile = makeLabel(parent, "lblStrFile", QString());
    // A long song name must not widen the window.
    lblStrFile->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblPos = makeLabel(parent, "lblPos", QString());
    lblPos->setMinimumWidth(110);

    cboOption = new QComboBox(parent);
    cboOption->setObjectName("cboOption");
    cboOption->setToolTip("MP3 encoder preset");
    cboOption->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboOption->setMinimumContentsLength(18);
    LoadPresets();
    // The bit rate and sample rate lists open from their buttons and hide once a value is chosen.
    auto choice = [parent](const char *name, const char *button, const char *const *items, int count,
                           const char *current, const QString &tip, QPushButton *&shown) {
        auto *box = new QComboBox(parent);
        box->setObjectName(name);
        for (int i = 0; i < count; ++i)
            box->addItem(items[i]);
        box->setCurrentText(current);
        box->setToolTip(tip);
        box->hide();
        shown = makeButton(parent, button, QString());
        shown->setFlat(true);
        shown->setToolTip(tip);
        connect(shown, &QPushButton::clicked, box, [box] {
            box->show();
            box->showPopup();
        });
        return box;
    };
    Combo2 = choice("Combo2", "cmdBitRate", kBitRates, int(std::size(kBitRates)), "128", "MP3 bit rate (kbit/s)",
                    cmdBitRate);
    CmbFreq = choice("CmbFreq", "cmdFreq", kRates, int(std::size(kRates)), "44100", "Output sample rate (Hz)", cmdFreq);
    cmdBitRate->setText("128 kbps");
    cmdFreq->setText("44100 Hz");
    connect(cboOption, &QComboBox::activated, this, &frmMidiTest::cboOption_Click);
    connect(Combo2, &QComboBox::activated, this, &frmMidiTest::Combo2_Click);
    connect(CmbFreq, &QComboBox::activated, this, &frmMidiTest::CmbFreq_Click);

    auto *row = new QHBoxLayout;
    row->addWidget(LblExtr[0]);
    row->addWidget(LblExtr[1]);
    row->addWidget(Pbregg);
    row->addWidget(Prog);
    row->addWidget(lblPos);
    row->addWidget(lblStrFile, 1);
    row->addWidget(new QLabel("MP3:", parent));
    row->addWidget(cboOption);
    row->addWidget(cmdBitRate);
    row->addWidget(Combo2);
    row->addWidget(cmdFreq);
    row->addWidget(CmbFreq);
    return row;
}

void frmMidiTest::LoadPresets() {
    cboOption->clear();
    for (const render::EncoderPreset &p : render::EncoderPresets())
        cboOption->addItem(p.text, QVariant::fromValue<qlonglong>(p.code));
    cboOption->setCurrentIndex(render::kDefaultPresetIndex);
    cboOption_Click(render::kDefaultPresetIndex);
}

void frmMidiTest::cboOption_Click(int index) {
    if (index >= 0 && index < cboOption->count())
        mp3_.preset = static_cast<long>(cboOption->itemData(index).toLongLong());
}

void frmMidiTest::Combo2_Click(int index) {
    if (index < 0)
        return;
    Combo2->setCurrentIndex(index);
    // The encoder takes it in kbit/s: it sets the fixed and average bit-rate presets.
    bitRate_ = Combo2->currentText().toInt() * 1000;
    mp3_.bitRateKbps = bitRate_ / 1000;
    cmdBitRate->setText(QString("%1 kbps").arg(mp3_.bitRateKbps));
    dialogs::Dialogs::current().msgBox(this, "Mp3 Setup", dialogs::Question, "Cantora KARAOKE");
    Combo2->hide();
}

void frmMidiTest::CmbFreq_Click(int index) {
    if (index < 0)
        return;
    CmbFreq->setCurrentIndex(index);
    // Kept with the settings; the MP3 takes the rendered file's own rate.
    settingsRate_ = CmbFreq->currentText().toInt();
    cmdFreq->setText(QString("%1 Hz").arg(settingsRate_));
    dialogs::Dialogs::current().msgBox(this, "Frequency setup", dialogs::OkOnly, "Midi to Mp3");
    CmbFreq->hide();
}

void frmMidiTest::busyCursor(bool busy) {
    if (busy == busyCursor_)
        return;
    busyCursor_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frmMidiTest::lockForRendering(bool locked) {
    for (QWidget *panel : std::initializer_list<QWidget *>{strips_, effects_, Sldtone, SldVol, CmdReset})
        panel->setEnabled(!locked);
    // Wave and MP3 follow the job: disabled while it runs, as wanted after.
    setPending(btnConvert, btnConvert->property("wantedEnabled").toBool());
    setPending(cmdsave, cmdsave->property("wantedEnabled").toBool());
    if (!locked)
        return;
    CmdPlay->setEnabled(false);
    cmdOpenFP->setEnabled(false);
    btnreplace->setEnabled(false);
    mnuconf->setEnabled(false);
    Mnuexit->setEnabled(false);
    tmrMidiTest->stop();
    busyCursor(true);
    Pbregg->setValue(0);
    Pbregg->show();
}

render::SongRenderResult frmMidiTest::renderWorkWave() {
    const std::string song = transport_.song().path;
    // The live settings as the song plays with them (the drum kit only once
    // one was chosen), put on the decoding
    // stream before every block; the controls that change them are locked.
    player::LiveBlockHook live(mixer_.renderSettings());

    std::int64_t length = 0;
    int shown = -1;
    render::RenderWatch watch;
    watch.started = [&](std::int64_t lengthBytes, double seconds) {
        length = lengthBytes;
        lblStrFile->setText(QString("Streaming file: %1 [%2 bytes]").arg(q(GetFileName(song))).arg(lengthBytes));
        if (lengthBytes > 0)
            lblTime->setText(q(player::timeText(std::llround(seconds))));
        lblPos->setText("Pos:");
        QApplication::processEvents();
    };
    watch.block = [&](std::int64_t position) {
        lblPos->setText(QString("Pos: %1").arg(position));
        if (const int percent = render::percentOf(position, length); percent != shown)
            Pbregg->setValue(shown = percent);
        // The window stays live between blocks: it repaints, and Exit is heard.
        QApplication::processEvents();
    };
    render::SongRenderResult result = job_->renderWave(song, live, watch);
    if (result.ok) {
        Pbregg->setValue(100);
        lblPos->setText(QString("Pos: %1").arg(result.dataBytes));
    }
    return result;
}

void frmMidiTest::btnConvert_Click() {
    if (job_ || transport_.song().path.empty())
        return;
    auto &dlg = dialogs::Dialogs::current();
    if (dlg.msgBox(this, "Confermi", dialogs::YesNo | dialogs::Question, kWaveTitle) != dialogs::Yes)
        return;
    job_ = std::make_unique<render::ConversionJob>(appFolder());
    lyricPanel_->clearPage();
    setPending(cmdsave, false);
    lockForRendering(true);
    LblExtr[1]->show();
    const render::SongRenderResult result = renderWorkWave();
    if (!result.ok) {
        LblExtr[1]->hide();
        conversionFailed(kWaveTitle, renderFailure(result));
        return;
    }
    // The decoder's last blocks settle before the file is offered; input is not held.
    after(3000, [this] { finishWave(); });
}

void frmMidiTest::finishWave() {
    if (ending_ || !job_ || job_->cancelled())
        return;
    busyCursor(false);
    dialogs::Dialogs::current().msgBox(this, "Midi to Wave Done!", dialogs::OkOnly, "Cantora KARAOKE");
    lblPos->clear();
    cmdOpenFP->setEnabled(true);
    mnuconf->setEnabled(true);
    Mnuexit->setEnabled(true);
    Pbregg->hide();
    LblExtr[1]->hide();
    job_.reset();
    lockForRendering(false);
    SaveWave();
}

void frmMidiTest::SaveWave() {
    auto &dlg = dialogs::Dialogs::current();
    dialogs::FileRequest req;
    req.title = "Save WAVE File As";
    req.filter = "File Wave (*.wav)|*.wav";
    req.flags = dialogs::kOverwritePrompt;
    req.initDir = desktop_->startFolder(DesktopIntegration::Folder::Save);
    const dialogs::FileResult res = dlg.showSave(this, req);
    if (res.cancelled() || res.path.empty())
        return;
    desktop_->folderUsed(DesktopIntegration::Folder::Save, res.path);
    // The copy is built beside the target and renamed over it, so a failed
    // copy leaves the user's old file as it was.
    const std::string part = res.path + ".part";
    std::error_code ec;
    std::filesystem::copy_file(appFile(render::kWaveWorkFile), part, std::filesystem::copy_options::overwrite_existing,
                               ec);
    if (!ec)
        std::filesystem::rename(part, res.path, ec);
    if (ec) {
        const std::string why = ec.message();
        std::filesystem::remove(part, ec);
        dlg.msgBox(this, "Cannot write " + res.path + ": " + why, dialogs::Exclamation, "Cantora KARAOKE");
    }
}

render::SongRenderResult frmMidiTest::MidiMp3() {
    setPending(btnConvert, false);
    lockForRendering(true);
    render::SongRenderResult result = renderWorkWave();
    lblPos->clear();
    Pbregg->hide();
    busyCursor(false);
    return result;
}

void frmMidiTest::conversionFailed(const std::string &title, const std::string &why) {
    const bool ending = ending_ || (job_ && job_->cancelled());
    busyCursor(false);
    lblPos->clear();
    Pbregg->hide();
    Prog->hide();
    job_.reset();
    lockForRendering(false);
    if (ending)
        return;
    cmdOpenFP->setEnabled(true);
    mnuconf->setEnabled(true);
    Mnuexit->setEnabled(true);
    btnreplace->setEnabled(true);
    CmdPlay->setEnabled(true);
    setPending(cmdsave, true);
    setPending(btnConvert, true);
    dialogs::Dialogs::current().msgBox(this, why + "\nNothing was written.", dialogs::Critical, title);
}

void frmMidiTest::cmdsave_Click() {
    if (job_ || transport_.song().path.empty())
        return;
    auto &dlg = dialogs::Dialogs::current();
    if (dlg.msgBox(this, "Confermi", dialogs::YesNo | dialogs::Question, kMp3Title) != dialogs::Yes)
        return;
    CmdPlay->setEnabled(false);
    setPending(cmdsave, false);
    // BtKar: the song's lyrics become SYNCRO.LRC before anything else.
    if (OptK[2]->isChecked())
        makeLrc(appFile(render::kLrcWorkFile));

    dialogs::FileRequest req;
    req.title = "Save MP3 File As";
    req.filter = "File MP3 (*.MP3)|*.MP3";
    req.flags = dialogs::kOverwritePrompt;
    req.initDir = desktop_->startFolder(DesktopIntegration::Folder::Save);
    const dialogs::FileResult res = dlg.showSave(this, req);
    if (res.cancelled() || res.path.empty()) {
        setPending(cmdsave, true);
        dlg.msgBox(this, "Annullato!", dialogs::OkOnly, "MIDI to MP3");
        cmdOpenFP->setEnabled(true);
        btnreplace->setEnabled(true);
        mnuconf->setEnabled(true);
        Mnuexit->setEnabled(true);
        CmdPlay->setEnabled(true);
        return;
    }
    desktop_->folderUsed(DesktopIntegration::Folder::Save, res.path);
    const std::string output = res.path;
    LblExtr[0]->show();

    job_ = std::make_unique<render::ConversionJob>(appFolder());
    const render::SongRenderResult rendered = MidiMp3();
    if (!rendered.ok) {
        LblExtr[0]->hide();
        conversionFailed(kMp3Title, renderFailure(rendered));
        return;
    }
    Prog->setValue(0);
    Prog->show();
    dlg.msgBox(this, "Done! Prima Fase", dialogs::Question, kProfessional);
    if (ending_ || job_->cancelled()) {
        conversionFailed(kMp3Title, {});
        return;
    }

    busyCursor(true);
    int shown = -1;
    const render::EncodeResult encoded = job_->encodeMp3(mp3_, [&](std::int64_t done, std::int64_t total) {
        if (const int percent = render::percentOf(done, total); percent != shown)
            Prog->setValue(shown = percent);
        QApplication::processEvents();
    });
    if (!encoded.ok) {
        LblExtr[0]->hide();
        conversionFailed(kMp3Title, "The MP3 could not be made: " + encoded.error);
        return;
    }
    busyCursor(false);
    dlg.msgBox(this, "Done! Midi To Mp3", dialogs::Question, kProfessional);
    mnuconf->setEnabled(true);
    cmdOpenFP->setEnabled(true);
    Mnuexit->setEnabled(true);
    LblExtr[0]->hide();
    Prog->hide();
    job_.reset();
    lockForRendering(false);
    // Play, Wave and MP3 wait for the next song; the editor finishes this one.
    showTagEditorAfterConversion(output);
}

} // namespace cantora::app

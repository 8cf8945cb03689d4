#include "app/ui/frmMidiTest.h"

#include "core/apppaths.h"
#include "app/dialogs/dialogs.h"
#include "core/errortext.h"
#include "core/processexit.h"
#include "app/ui/aboutwindow.h"
#include "app/ui/positionslider.h"
#include "audio/bass.h"
#include "help/ui/formp3.h"
#include "lyrics/capture.h"
#include "lyrics/ui/lyricpanel.h"
#include "player/ui/channelstrips.h"
#include "core/textcodec.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace cantora::app {

// Application folder, settings, error text and the exit seam.
using namespace core;

namespace {

constexpr const char *kAppTitle = "Cantora";
constexpr const char *kDefaultFont = "Chorium.sf2";
constexpr const char *kOpenCaption = "Open MidiFile";
constexpr const char *kMidiFilter = "MIDI files (mid/midi/kar)|*.mid;*.midi;*.kar";
constexpr const char *kFontFilter = "Soundfonts (sf2)|*.sf2";
constexpr unsigned kChooserFlags = 0x81004;

QString q(const std::string &s) { return QString::fromStdString(s); }

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

frmMidiTest::frmMidiTest(QWidget *parent) : QMainWindow(parent) {
    setObjectName("frmMidiTest");
    setWindowTitle("Cantora KARAOKE");
    setFont(QFont("Comic Sans MS", font().pointSize()));
    buildUi();
    buildMenus();

    wait_ = [](int ms) {
        // Fixed pauses let the window repaint and posted lyric reports run,
        // but take no user input, so no command can start in between.
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    };

    // Engine threads only post; the reports reach the window in the order sent.
    QPointer<frmMidiTest> self(this);
    lyrics::setLyricListeners(
        [self](const lyrics::MarkReached &mark) {
            QMetaObject::invokeMethod(qApp, [self, mark] { if (self) self->onMarkReached(mark); },
                                      Qt::QueuedConnection);
        },
        [self](HSTREAM stream) {
            QMetaObject::invokeMethod(qApp, [self, stream] { if (self) self->onStreamEnded(stream); },
                                      Qt::QueuedConnection);
        });
}

frmMidiTest::~frmMidiTest() {
    lyrics::setLyricListeners({}, {});
    // The tempo callbacks point into this window's song state.
    if (song_.handle)
        BASS_StreamFree(song_.handle);
}

void frmMidiTest::buildUi() {
    auto *central = new QWidget(this);
    central->setObjectName("centralWidget");
    setCentralWidget(central);

    // Transport row.
    cmdOpenFP = makeButton(central, "cmdOpenFP", kOpenCaption);
    cmdOpenFP->setMinimumWidth(260);
    CmdPlay = makeButton(central, "CmdPlay", QString());
    CmdPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    CmdPlay->setToolTip("Play");
    Command1 = makeButton(central, "Command1", "Pause");
    Command1->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    cmdStop = makeButton(central, "cmdStop", QString());
    cmdStop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    cmdStop->setToolTip("Stop");
    for (QPushButton *b : {cmdOpenFP, CmdPlay, Command1, cmdStop}) {
        b->setMinimumHeight(40);
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

    auto *transport = new QHBoxLayout;
    transport->addWidget(cmdOpenFP);
    transport->addWidget(CmdPlay);
    transport->addWidget(Command1);
    transport->addWidget(cmdStop);
    transport->addSpacing(16);
    transport->addWidget(btnreplace);
    transport->addStretch();
    transport->addWidget(btnConvert);
    transport->addWidget(cmdsave);
    transport->addWidget(CmdLyric);
    transport->addWidget(Mp3K);

    // Position row: the slider counts whole seconds.
    sldPosition = new PositionSlider(central);
    sldPosition->setObjectName("sldPosition");
    sldPosition->setRange(0, 0);
    sldPosition->setMinimumHeight(28);
    lblTime = makeLabel(central, "lblTime", q(player::timeText(0)));
    QFont timeFont = lblTime->font();
    timeFont.setPointSize(13);
    timeFont.setBold(true);
    lblTime->setFont(timeFont);
    auto *position = new QHBoxLayout;
    position->addWidget(sldPosition, 1);
    position->addWidget(lblTime);

    lblBPM = makeLabel(central, "lblBPM", "0");
    lblBPM->setToolTip("BPM");
    Label7 = makeLabel(central, "Label7", QString());
    Label7->setToolTip("MIDI file format");
    LblSfont = makeLabel(central, "LblSfont", QString());
    auto *info = new QHBoxLayout;
    info->addWidget(new QLabel("BPM:", central));
    info->addWidget(lblBPM);
    info->addSpacing(20);
    info->addWidget(new QLabel("Format:", central));
    info->addWidget(Label7);
    info->addSpacing(20);
    info->addWidget(LblSfont, 1);

    // Lyrics in the middle, key and SoundFont volume at its side.
    lyricPanel_ = new lyrics::LyricPanel(central);
    Sldtone = new QSlider(Qt::Vertical, central);
    Sldtone->setObjectName("Sldtone");
    Sldtone->setRange(-24, 24);
    Sldtone->setToolTip("Key");
    Sldtone->setEnabled(false);
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
    auto *middle = new QHBoxLayout;
    middle->addWidget(lyricPanel_, 1);
    middle->addLayout(side);

    strips_ = new player::ChannelStrips(central);

    auto *layout = new QVBoxLayout(central);
    layout->addLayout(transport);
    layout->addLayout(position);
    layout->addLayout(info);
    layout->addLayout(middle, 1);
    layout->addWidget(strips_);

    tmrMidiTest = new QTimer(this);
    tmrMidiTest->setObjectName("tmrMidiTest");
    tmrMidiTest->setInterval(500);

    // Design-time state: only Open is ready before a song is loaded.
    CmdPlay->setEnabled(false);
    Command1->setEnabled(false);
    cmdStop->setEnabled(false);
    btnreplace->setEnabled(false);
    Mp3K->setEnabled(false);
    for (QPushButton *b : {btnConvert, cmdsave, CmdLyric, CmdReset})
        setPending(b, false);

    connect(cmdOpenFP, &QPushButton::clicked, this, [this] { cmdOpenFP_Click(); });
    connect(CmdPlay, &QPushButton::clicked, this, &frmMidiTest::CmdPlay_Click);
    connect(Command1, &QPushButton::clicked, this, &frmMidiTest::Command1_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmMidiTest::cmdStop_Click);
    connect(btnreplace, &QPushButton::clicked, this, &frmMidiTest::btnreplace_Click);
    connect(sldPosition, &PositionSlider::mouseDown, this, &frmMidiTest::sldPosition_MouseDown);
    connect(sldPosition, &PositionSlider::mouseUp, this, &frmMidiTest::sldPosition_MouseUp);
    connect(tmrMidiTest, &QTimer::timeout, this, &frmMidiTest::tmrMidiTest_Timer);
    connect(SldVol, &QSlider::sliderMoved, this, [this] { SldVol_Scroll(); });
    connect(strips_, &player::ChannelStrips::soundFontClicked, this, &frmMidiTest::CmdSF2_Click);
    connect(strips_, &player::ChannelStrips::drumKitClicked, this, &frmMidiTest::LstDrum_Click);
    connect(strips_, &player::ChannelStrips::drumButtonClicked, this, &frmMidiTest::CmdDrum_Click);

    resize(1180, 720);
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

    // The tag editor arrives with its own window.
    Mp3KK->setEnabled(false);
    connect(Snorma, &QAction::triggered, this, &frmMidiTest::Snorma_Click);
    connect(Mmp3, &QAction::triggered, this, [this] { Lrc_batch(); });
    connect(Savec, &QAction::triggered, this, &frmMidiTest::Savec_Click);
    connect(Mnuexit, &QAction::triggered, this, &frmMidiTest::Form_Unload);
    connect(Shelp, &QAction::triggered, this, &frmMidiTest::Shelp_Click);
    connect(Sabout, &QAction::triggered, this, &frmMidiTest::Sabout_Click);
}

void frmMidiTest::setPending(QPushButton *button, bool enabled) {
    button->setProperty("wantedEnabled", enabled);
    button->setEnabled(false);
}

void frmMidiTest::wait(int ms) {
    if (wait_)
        wait_(ms);
}

// ---------------------------------------------------------------- start-up

bool frmMidiTest::Form_Initialize() {
    auto &dlg = dialogs::Dialogs::current();
    fonts_.drumStale = true;
    // inizio: the strip tooltips and the conversion rate choices.
    for (int c = 0; c < 16; ++c)
        strips_->CmdSF2(c)->setToolTip(QString("SoundFont for channel %1").arg(c + 1));
    TextR->setText("5");
    settingsRate_ = 44100;
    LoadPatches();
    Mmp3->setEnabled(false);
    QDir::setCurrent(q(appFolder()));

    if ((BASS_GetVersion() >> 16) != BASSVERSION) {
        dlg.msgBox(this, "An incorrect version of BASS.DLL was loaded", dialogs::Critical, kAppTitle);
        ending_ = true;
        endProgram(0);
        return false;
    }
    if ((BASS_FX_GetVersion() >> 16) != BASSVERSION) {
        dlg.msgBox(this, "An incorrect version of BASS_FX.DLL was loaded (2.4 is required)", dialogs::Critical,
                   kAppTitle);
        ending_ = true;
        endProgram(0);
        return false;
    }
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        Error_("Can't initialize device");
        ending_ = true;
        endProgram(0);
        return false;
    }
    BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1);
    floatCap_ = 0;
    if (HSTREAM probe = BASS_StreamCreate(44100, 2, BASS_SAMPLE_FLOAT, nullptr, nullptr)) {
        BASS_StreamFree(probe);
        floatCap_ = BASS_SAMPLE_FLOAT;
    }
    outputRate_ = 44100;
    eqHandle_ = 0;
    Font_General();
    return true;
}

void frmMidiTest::Error_(const std::string &message) {
    int code = BASS_ErrorGetCode();
    dialogs::Dialogs::current().msgBox(this, errorText(message, code), dialogs::Exclamation, "Error");
}

bool frmMidiTest::PerPausa() {
    if (BASS_Init(-1, 44100, 0, nullptr, nullptr))
        return true;
    Error_("Can't initialize device");
    ending_ = true;
    endProgram(0);
    return false;
}

void frmMidiTest::Form_Unload() {
    ending_ = true;
    FixWaveHeader();
    BASS_Free();
    endProgram(0);
}

void frmMidiTest::closeEvent(QCloseEvent *event) {
    Form_Unload();
    event->accept();
}

// ---------------------------------------------------------------- transport

void frmMidiTest::Clear() {
    fonts_.clearChannelFonts();
    drumKitChosen_ = false;
    song_.tempo.tempoFactor = 1.0f;
    lblBPM->setText("0");
}

void frmMidiTest::ZeroVariables() { player::resetChannelRecords(channels_); }

void frmMidiTest::KillTemp() {
    std::error_code ec;
    for (const char *name : {"newwave.wav", "newnorm.wav", "SYNCRO.LRC", "SYNCRO.MP3"})
        std::filesystem::remove(appFile(name), ec);
}

void frmMidiTest::cmdOpenFP_Click(const std::optional<std::string> &chosen) {
    fonts_.count = 0;
    Clear();
    flags_.rebuildOnPlay = false;
    Mp3K->setEnabled(true);
    flags_.started = false;
    flags_.stopped = false;
    KillTemp();
    ZeroVariables();
    if (flags_.paused) {
        flags_.paused = false;
        BASS_Free();
        if (!PerPausa())
            return;
    }
    setPending(btnConvert, false);
    setPending(cmdsave, false);
    btnreplace->setEnabled(true);
    tmrMidiTest->start();
    Sldtone->setValue(0);

    dialogs::FileResult res;
    if (chosen) {
        res.path = *chosen;
    } else {
        dialogs::FileRequest req;
        req.title = "Load Midifile";
        req.filter = kMidiFilter;
        req.flags = kChooserFlags;
        res = dialogs::Dialogs::current().showOpen(this, req);
    }
    if (res.cancelled() || res.path.empty()) {
        CmdPlay->setEnabled(false);
        cmdStop->setEnabled(false);
        return;
    }

    song_.path = res.path;
    std::u16string wide = QString::fromStdString(song_.path).toStdU16String();
    song_.handle = BASS_MIDI_StreamCreateFile(0, wide.c_str(), 0, 0, BASS_UNICODE | BASS_MIDI_DECAYEND, 44100);
    if (song_.handle == 0) {
        cmdOpenFP->setText("click here to open a file && play it...");
        Error_("Can't play the file");
        return;
    }
    cmdOpenFP->setText(q(GetFileName(song_.path)));

    // TipoFile: only the header's format field matters.
    std::string head(10, '\0');
    std::ifstream in(song_.path, std::ios::binary);
    in.read(head.data(), 10);
    head.resize(static_cast<std::size_t>(in.gcount()));
    std::string format = player::TipoFile(head);
    Label7->setText(q(format));
    if (head.size() >= 10)
        song_.format = static_cast<std::uint8_t>(head[9]);

    Font_General();
    Mmp3->setEnabled(true);

    long long secs = player::roundedSeconds(song_.handle, BASS_ChannelGetLength(song_.handle, BASS_POS_BYTE));
    if (secs < 0)
        secs = 0;
    sldPosition->setMaximum(static_cast<int>(secs));
    sldPosition->setValue(0);
    lblTime->setText(q(player::timeText(secs)));

    chkEqualizer_Click();
    lyricPanel_->clearPage();
    registerSongSyncs(song_.handle, true);
    CmdPlay->setEnabled(true);

    player::ApplyTempo(song_.handle, song_.tempo, true);
    player::registerTempoSyncs(song_.handle, song_.tempo);
}

void frmMidiTest::registerSongSyncs(HSTREAM stream, bool atOpen) {
    lyrics::MarkSource source = lyrics::markSourceOf(stream);
    lyrics::registerEndSync(stream);
    if (atOpen) {
        lyrics::registerLyricSync(stream, source);
        if (Mp3K->isChecked())
            lyrics::registerLyricCapture(stream, lyrics::MarkSource::Lyric, 0);
        return;
    }
    // A rebuilt stream gets either the page or the capture, and the end twice.
    if (!Mp3K->isChecked())
        lyrics::registerLyricSync(stream, source);
    else if (source != lyrics::MarkSource::None)
        lyrics::registerLyricCapture(stream, source, static_cast<DWORD>(source));
    lyrics::registerEndSync(stream);
}

void frmMidiTest::CmdPlay_Click() {
    flags_.started = true;
    Mmp3->setEnabled(false);
    Mnuexit->setEnabled(false);
    if (!flags_.stopped) {
        BASS_ChannelPlay(song_.handle, 0);
        BASS_MIDI_FontSetVolume(fonts_.mainFont, 0.5f);
        SldVol->setValue(5);
        TextR->setText("5");
    }
    // A resume from Pause: the stream plays again and nothing else changes.
    if (flags_.paused)
        return;
    if (!flags_.stopped)
        Command1->setEnabled(true);
    cmdStop->setEnabled(true);
    CmdPlay->setEnabled(false);
    cmdOpenFP->setEnabled(false);
    if (!flags_.rebuildOnPlay) {
        ReadFile();
    } else {
        setPending(btnConvert, false);
        setPending(cmdsave, false);
        BASS_Free();
        if (!PerPausa())
            return;
        Modify();
    }
}

void frmMidiTest::Command1_Click() {
    flags_.paused = true;
    BASS_ChannelPause(song_.handle);
    CmdPlay->setEnabled(true);
}

void frmMidiTest::cmdStop_Click() {
    Mmp3->setEnabled(false);
    flags_.paused = false;
    flags_.started = false;
    flags_.stopped = true;
    mnuconf->setEnabled(true);
    Mnuexit->setEnabled(true);
    flags_.rebuildOnPlay = true;
    BASS_StreamFree(song_.handle);
    setPending(btnConvert, true);
    cmdOpenFP->setEnabled(true);
    setPending(cmdsave, true);
    CmdPlay->setEnabled(true);
    cmdStop->setEnabled(false);
    Command1->setEnabled(false);
    btnreplace->setEnabled(false);
    if (Mp3K->isChecked())
        writeCapture();
}

void frmMidiTest::Modify() {
    tmrMidiTest->start();
    std::u16string wide = QString::fromStdString(song_.path).toStdU16String();
    song_.handle = BASS_MIDI_StreamCreateFile(0, wide.c_str(), 0, 0, BASS_UNICODE | BASS_STREAM_AUTOFREE, 0);
    BASS_ChannelPlay(song_.handle, 0);
    wait(2000);
    long long secs = player::roundedSeconds(song_.handle, BASS_ChannelGetLength(song_.handle, BASS_POS_BYTE));
    sldPosition->setMaximum(static_cast<int>(secs < 0 ? 0 : secs));
    sldPosition->setValue(0);
    chkEqualizer_Click();
    lyricPanel_->clearPage();
    registerSongSyncs(song_.handle, false);
    btnreplace->setEnabled(false);
    resendChannelSettings();
}

void frmMidiTest::resendChannelSettings() {
    // The mixer's sliders join this list when the strips get them; until
    // then the stored programs and the key are what a replay restores.
    for (int c = 0; c < 16; ++c) {
        BASS_MIDI_StreamEvent(song_.handle, static_cast<DWORD>(c), MIDI_EVENT_PROGRAM,
                              static_cast<DWORD>(channels_[static_cast<std::size_t>(c)].program));
        if (c != player::SoundFonts::kDrumChannel)
            BASS_MIDI_StreamEvent(song_.handle, static_cast<DWORD>(c), MIDI_EVENT_TRANSPOSE,
                                  static_cast<DWORD>(100 - Sldtone->value()));
    }
}

void frmMidiTest::sldPosition_MouseDown() {
    if (Mp3K->isChecked())
        return;
    tmrMidiTest->stop();
}

void frmMidiTest::sldPosition_MouseUp() {
    if (Mp3K->isChecked())
        return;
    QWORD pos = BASS_ChannelSeconds2Bytes(song_.handle, sldPosition->value());
    BASS_ChannelSetPosition(song_.handle, pos, BASS_POS_BYTE);
    // Instruments chosen on the strips survive the jump.
    for (int c = 0; c < 16; ++c)
        BASS_MIDI_StreamEvent(song_.handle, static_cast<DWORD>(c), MIDI_EVENT_PROGRAM,
                              static_cast<DWORD>(channels_[static_cast<std::size_t>(c)].program));
    lyricPanel_->clearPage();
    tmrMidiTest->start();
}

void frmMidiTest::tmrMidiTest_Timer() {
    if (song_.handle != 0) {
        std::string bpm = player::bpmText(song_.tempo.tempo, song_.tempo.tempoFactor);
        if (!bpm.empty())
            lblBPM->setText(q(bpm));
    }
    // Without a stream (none opened yet, or the song has ended and freed
    // it) the position reads as the start of the song.
    long long secs = player::roundedSeconds(song_.handle, BASS_ChannelGetPosition(song_.handle, BASS_POS_BYTE));
    sldPosition->setValue(secs < 0 ? 0 : static_cast<int>(secs));
    std::string name;
    LblSfont->setText(fonts_.mainFontName(name) ? "SoundFont: " + q(core::toUtf8(name)) : QString("no soundfont"));
}

void frmMidiTest::onMarkReached(const lyrics::MarkReached &mark) {
    // A report from a stream that has since been replaced is stale.
    if (mark.stream != song_.handle)
        return;
    lyricPanel_->markReached(mark.text, mark.tick);
}

void frmMidiTest::onStreamEnded(HSTREAM stream) {
    if (stream != song_.handle)
        return;
    lyricPanel_->clearPage();
}

// ---------------------------------------------------------------- SoundFonts

void frmMidiTest::Font_General() {
    confload();
    fonts_.fontGeneral(appFile(kDefaultFont), song_.handle);
}

void frmMidiTest::SldVol_Scroll() {
    int v = SldVol->value();
    fonts_.applyVolume(static_cast<float>(10 - v) / 10.0f);
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
    fonts_.drumStale = true;
    const std::string chosen = chooseSoundFont({});
    if (chosen.empty())
        return;
    auto pause = [](int ms, void *ctx) { static_cast<frmMidiTest *>(ctx)->wait(ms); };
    if (fonts_.replaceMain(chosen, song_.handle, pause, this))
        SldVol_Scroll();
}

void frmMidiTest::CmdSF2_Click(int index) {
    if (index < 0 || index > 15)
        return;
    fonts_.chosenChannel = static_cast<std::int16_t>(index);
    const std::string chosen = chooseSoundFont(fonts_.lastFolder.empty() ? kSystemSoundFonts : fonts_.lastFolder);
    if (chosen.empty())
        return;
    fonts_.lastFolder = FolderOf(chosen);
    fonts_.assignChannelFont(index, chosen, channels_[static_cast<std::size_t>(index)].program);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    wait(1000);
    QApplication::restoreOverrideCursor();
    fonts_.applyChannelFonts(song_.handle);
    SldVol_Scroll();
}

void frmMidiTest::Drum() {
    QListWidget *list = strips_->LstDrum();
    list->clear();
    strips_->CmdDrum()->show();
    for (const auto &name : fonts_.Drum())
        list->addItem(q(core::toUtf8(name)));
    list->show();
}

void frmMidiTest::LstDrum_Click(int row) {
    if (row < 0)
        return;
    BASS_MIDI_StreamEvent(song_.handle, static_cast<DWORD>(selectedChannel), MIDI_EVENT_PROGRAM, static_cast<DWORD>(row));
    if (static_cast<std::size_t>(row) < fonts_.drumNames.size())
        strips_->Label3(player::SoundFonts::kDrumChannel)->setText(q(core::toUtf8(fonts_.drumNames[static_cast<std::size_t>(row)])));
    QApplication::processEvents();
}

void frmMidiTest::CmdDrum_Click() {
    drumKitChosen_ = true;
    strips_->CmdDrum()->hide();
    strips_->LstDrum()->hide();
}

// ---------------------------------------------------------------- settings

void frmMidiTest::confload() {
    Settings s{fonts_.mainFontAccepted, fonts_.mainFontPath, settingsRate_, fonts_.lastFolder};
    core::confload(appFile(kSettingsFile), s);
    fonts_.mainFontAccepted = s.accepted;
    fonts_.mainFontPath = s.mainFontPath;
    settingsRate_ = s.rate;
    fonts_.lastFolder = s.lastFolder;
}

void frmMidiTest::confsave() {
    Settings s{"OK", fonts_.mainFontPath, settingsRate_, fonts_.lastFolder};
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
    dialogs::Dialogs::current().msgBox(this, "The external MIDI editor is not part of this version of Cantora.",
                                       dialogs::Information, "MidiEditor");
}

} // namespace cantora::app

#include "player/ui/transportpanel.h"

#include "app/dialogs/dialogs.h"
#include "player/ui/positionslider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <cmath>

namespace cantora::player {

namespace {

constexpr const char *kMidiFilter = "MIDI files (mid/midi/kar)|*.mid;*.midi;*.kar";
constexpr unsigned kChooserFlags = 0x81004;

QString q(const std::string &s) { return QString::fromStdString(s); }

// A caption made from user text: "&" is shown, not taken as a mnemonic.
QString caption(const std::string &s) { return q(s).replace('&', "&&"); }

template <class T>
T *named(T *control, const char *name) {
    control->setObjectName(name);
    return control;
}

} // namespace

TransportPanel::TransportPanel(TransportHost host, Transport &transport, QWidget *parent)
    : QWidget(parent), host_(std::move(host)), transport_(transport) {
    setObjectName("transportPanel");
    cmdOpenFP = named(new QPushButton(Transport::kOpenCaption, this), "cmdOpenFP");
    // A long song name does not widen the window past a small screen.
    cmdOpenFP->setMinimumWidth(200);
    cmdOpenFP->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    CmdPlay = named(new QPushButton(this), "CmdPlay");
    CmdPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    CmdPlay->setToolTip("Play");
    Command1 = named(new QPushButton("Pause", this), "Command1");
    Command1->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    cmdStop = named(new QPushButton(this), "cmdStop");
    cmdStop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    cmdStop->setToolTip("Stop");
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (QPushButton *b : {cmdOpenFP, CmdPlay, Command1, cmdStop}) {
        b->setMinimumHeight(36);
        b->setIconSize(QSize(24, 24));
        row->addWidget(b);
    }
    CmdPlay->setMinimumWidth(64);
    cmdStop->setMinimumWidth(64);

    // The slider counts whole seconds; the song's facts follow the time.
    sldPosition = named(new PositionSlider(this), "sldPosition");
    sldPosition->setRange(0, 0);
    sldPosition->setMinimumHeight(24);
    lblTime = named(new QLabel(q(timeText(0, 0)), this), "lblTime");
    QFont timeFont = lblTime->font();
    timeFont.setPointSize(13);
    timeFont.setBold(true);
    lblTime->setFont(timeFont);
    lblBPM = named(new QLabel("0", this), "lblBPM");
    lblBPM->setToolTip("BPM");
    Label7 = named(new QLabel(this), "Label7");
    Label7->setToolTip("MIDI file format");
    tmrMidiTest = named(new QTimer(this), "tmrMidiTest");
    tmrMidiTest->setInterval(500);

    connect(cmdOpenFP, &QPushButton::clicked, this, [this] { cmdOpenFP_Click(); });
    connect(CmdPlay, &QPushButton::clicked, this, &TransportPanel::CmdPlay_Click);
    connect(Command1, &QPushButton::clicked, this, &TransportPanel::Command1_Click);
    connect(cmdStop, &QPushButton::clicked, this, &TransportPanel::cmdStop_Click);
    connect(sldPosition, &PositionSlider::mouseDown, this, &TransportPanel::sldPosition_MouseDown);
    connect(sldPosition, &PositionSlider::mouseUp, this, &TransportPanel::sldPosition_MouseUp);
    connect(tmrMidiTest, &QTimer::timeout, this, &TransportPanel::tmrMidiTest_Timer);
}

QList<QWidget *> TransportPanel::positionRow() const { return {sldPosition, lblTime, lblBPM, Label7}; }

int TransportPanel::sliderSeconds() const { return sldPosition->value(); }

void TransportPanel::showControls(const TransportControls &c) {
    cmdOpenFP->setEnabled(c.open);
    CmdPlay->setEnabled(c.play);
    Command1->setEnabled(c.pause);
    cmdStop->setEnabled(c.stop);
    if (c.displayTimer && !tmrMidiTest->isActive())
        tmrMidiTest->start();
}

void TransportPanel::showSong(const SongInfo &song) {
    cmdOpenFP->setText(caption(song.openCaption));
    Label7->setText(q(song.format));
    sldPosition->setMaximum(static_cast<int>(song.seconds));
    sldPosition->setValue(0);
    length_ = song.seconds;
    lblTime->setText(q(timeText(0, length_)));
}

void TransportPanel::showLength(double seconds) {
    length_ = std::llround(seconds);
    lblTime->setText(q(timeText(sldPosition->value(), length_)));
}

void TransportPanel::cmdOpenFP_Click(const std::optional<std::string> &chosen) {
    lblBPM->setText("0");
    transport_.setCaptureLyrics(host_.capturing());
    if (!transport_.beginOpen()) {
        host_.failed();
        return;
    }
    host_.opening();
    dialogs::FileResult res;
    if (chosen) {
        res.path = *chosen;
    } else {
        dialogs::FileRequest req;
        req.title = "Load Midifile";
        req.filter = kMidiFilter;
        req.flags = kChooserFlags;
        req.initDir = host_.songFolder();
        res = dialogs::Dialogs::current().showOpen(this, req);
    }
    if (res.cancelled() || res.path.empty()) {
        transport_.openCancelled();
        return;
    }
    if (transport_.open(res.path))
        host_.opened(res.path);
}

void TransportPanel::CmdPlay_Click() {
    if (host_.soundReady && !host_.soundReady())
        return;
    transport_.setCaptureLyrics(host_.capturing());
    if (!transport_.play())
        host_.failed();
}

void TransportPanel::Command1_Click() { transport_.pause(); }

void TransportPanel::cmdStop_Click() {
    if (host_.interrupted && host_.interrupted())
        return;
    transport_.stop();
    host_.stopped();
}

void TransportPanel::sldPosition_MouseDown() {
    if (host_.capturing())
        return;
    tmrMidiTest->stop();
}

void TransportPanel::sldPosition_MouseUp() {
    if (host_.capturing())
        return;
    transport_.seek(sldPosition->value());
    tmrMidiTest->start();
}

void TransportPanel::tmrMidiTest_Timer() {
    const std::string bpm = transport_.bpm();
    if (!bpm.empty()) {
        lblBPM->setText(q(bpm));
        host_.bpm(q(bpm));
    }
    const long long position = transport_.positionSeconds();
    sldPosition->setValue(static_cast<int>(position));
    lblTime->setText(q(timeText(position, length_)));
    host_.refresh();
}

} // namespace cantora::player

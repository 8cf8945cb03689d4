#include "player/ui/channelstrips.h"

#include "player/gmnames.h"
#include "player/livesettings.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace cantora::player {

namespace {

// Sixteen strips and their gaps fit a 1024-pixel screen with the window's margins.
constexpr int kStripWidth = 60;
constexpr int kStripGap = 2;
// The shortest fader: a small screen still leaves it a useful travel.
constexpr int kFaderLength = 56;
// The instrument and drum kit lists open over the strips, beside the strip that asked.
constexpr int kListWidth = 180;

QSlider *smallSlider(QWidget *parent, const QString &name, int lo, int hi, int value, const QString &tip) {
    auto *s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(name);
    s->setRange(lo, hi);
    s->setValue(value);
    s->setToolTip(tip);
    return s;
}

QLabel *tiny(QWidget *parent, const QString &text) {
    auto *l = new QLabel(text, parent);
    QFont f = l->font();
    f.setPointSize(7);
    l->setFont(f);
    return l;
}

} // namespace

ChannelStrips::ChannelStrips(QWidget *parent) : QWidget(parent) {
    setObjectName("channelStrips");
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(1);
    auto *tools = new QHBoxLayout;
    outer->addLayout(tools);
    auto *row = new QHBoxLayout;
    row->setSpacing(kStripGap);
    outer->addLayout(row);
    for (int c = 0; c < 16; ++c) {
        const std::size_t i = at(c);
        const bool drums = c == LiveSettings::kDrumChannel;
        auto *strip = new QFrame(this);
        strip->setObjectName(QString("strip_%1").arg(c));
        strip->setFrameShape(QFrame::StyledPanel);
        strip->setFixedWidth(kStripWidth);
        if (drums) {
            // Tinted through the palette: a style sheet would change how its controls are measured.
            QPalette tint = strip->palette();
            tint.setColor(QPalette::Window, QColor(0xff, 0xf3, 0xd6));
            strip->setPalette(tint);
            strip->setAutoFillBackground(true);
        }
        auto *col = new QVBoxLayout(strip);
        col->setContentsMargins(2, 2, 2, 2);
        col->setSpacing(1);

        // Channels are numbered from 1 for the user; the drum channel is 10.
        auto *number = new QLabel(drums ? QString("10 Drums") : QString::number(c + 1), strip);
        number->setAlignment(Qt::AlignCenter);
        QFont bold = number->font();
        bold.setBold(true);
        if (drums)
            bold.setPointSize(7);
        number->setFont(bold);

        auto *name = new QLabel(strip);
        name->setObjectName(QString("Label3_%1").arg(c));
        name->setAlignment(Qt::AlignCenter);
        name->setWordWrap(true);
        QFont small = name->font();
        small.setPointSize(7);
        name->setFont(small);
        // Room for a name wrapped on two lines.
        name->setMinimumHeight(2 * QFontMetrics(small).lineSpacing());

        auto *instrument = new QPushButton("Instr.", strip);
        instrument->setObjectName(QString("Option1_%1").arg(c));
        instrument->setCheckable(true);
        instrument->setEnabled(false);
        // Pressed however (a click, a key, assistive technology): the list opens.
        connect(instrument, &QPushButton::toggled, this, [this, c] { emit instrumentButtonClicked(c); });

        // The fader runs beside the chorus, reverb, pan and key sliders and
        // takes whatever height the strip gets beyond theirs.
        auto *fader = new QSlider(Qt::Vertical, strip);
        fader->setObjectName(QString("Slider2_%1").arg(c));
        fader->setRange(0, 127);
        fader->setInvertedAppearance(true); // 0 at the top: full volume
        fader->setMinimumHeight(kFaderLength);
        fader->setEnabled(false);
        connect(fader, &QSlider::valueChanged, this, [this, c](int v) { emit volumeMoved(c, v); });

        auto *mute = new QCheckBox("Sound", strip);
        mute->setObjectName(QString("Check1_%1").arg(c));
        mute->setFont(small);
        mute->setChecked(true); // every channel sounds until the user mutes it
        // However the box changes (a click, a key, assistive technology), the channel follows.
        connect(mute, &QCheckBox::toggled, this, [this, c](bool on) { emit muteClicked(c, on); });
        auto *solo = new QLabel("Solo", strip);
        solo->setObjectName(QString("Label2_%1").arg(c));
        solo->setAlignment(Qt::AlignCenter);
        solo->setFrameShape(QFrame::Box);
        solo->setCursor(Qt::PointingHandCursor);
        solo->installEventFilter(this);

        auto *chorus = smallSlider(strip, QString("Slider1_%1").arg(c), 0, 127, 0, "Chorus");
        auto *reverb = smallSlider(strip, QString("Slider3_%1").arg(c), 0, 127, 0, "Reverb");
        auto *pan = smallSlider(strip, QString("Slider4_%1").arg(c), 0, 127, 64, "Pan");
        connect(chorus, &QSlider::valueChanged, this, [this, c](int v) { emit chorusMoved(c, v); });
        connect(reverb, &QSlider::valueChanged, this, [this, c](int v) { emit reverbMoved(c, v); });
        connect(pan, &QSlider::valueChanged, this, [this, c](int v) { emit panMoved(c, v); });

        auto *key = smallSlider(strip, QString("StoneSingle_%1").arg(c), -24, 24, 0, "Channel key (semitones)");
        key->setInvertedAppearance(true); // -v semitones: right = up
        key->setEnabled(!drums);
        auto *pitch = tiny(strip, "0");
        pitch->setObjectName(QString("LblPit_%1").arg(c));
        pitch->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        pitch->setToolTip("Click: back to 0");
        pitch->installEventFilter(this);
        connect(key, &QSlider::valueChanged, this, [this, c, pitch](int v) {
            if (c == LiveSettings::kDrumChannel)
                return;
            pitch->setText(QString::number(-v));
            emit channelKeyMoved(c, v);
        });

        auto *sf2 = new QPushButton("SF2", strip);
        sf2->setObjectName(QString("CmdSF2_%1").arg(c));
        sf2->setToolTip(QString("SoundFont for channel %1").arg(c + 1));
        connect(sf2, &QPushButton::clicked, this, [this, c] { emit soundFontClicked(c); });

        auto *effects = new QVBoxLayout;
        effects->setSpacing(0);
        effects->addWidget(tiny(strip, "Chorus"));
        effects->addWidget(chorus);
        effects->addWidget(tiny(strip, "Reverb"));
        effects->addWidget(reverb);
        effects->addWidget(tiny(strip, "Pan"));
        effects->addWidget(pan);
        auto *keyLine = new QHBoxLayout;
        keyLine->addWidget(tiny(strip, "Key"));
        keyLine->addWidget(pitch, 1);
        effects->addLayout(keyLine);
        effects->addWidget(key);
        effects->addStretch();
        auto *middle = new QHBoxLayout;
        middle->setSpacing(1);
        middle->addWidget(fader);
        middle->addLayout(effects, 1);

        col->addWidget(number);
        col->addWidget(name);
        col->addWidget(instrument);
        col->addLayout(middle, 1);
        col->addWidget(mute);
        col->addWidget(solo);
        col->addWidget(sf2);
        row->addWidget(strip);
        strips_[i] = strip;
        label3_[i] = name;
        cmdSF2_[i] = sf2;
        option1_[i] = instrument;
        slider2_[i] = fader;
        check1_[i] = mute;
        label2_[i] = solo;
        slider1_[i] = chorus;
        slider3_[i] = reverb;
        slider4_[i] = pan;
        stoneSingle_[i] = key;
        lblPit_[i] = pitch;
    }

    // Lists open over the strips when asked for, outside the layout.
    list3_ = new QListWidget(this);
    list3_->setObjectName("List3");
    list3_->hide();
    lstDrum_ = new QListWidget(this);
    lstDrum_->setObjectName("LstDrum");
    lstDrum_->hide();
    cmdDrum_ = new QPushButton("Drum Kit", this);
    cmdDrum_->setObjectName("CmdDrum");
    cmdDrum_->setToolTip("Keep this drum kit (also for Wave and MP3) and close the list");
    cmdDrum_->hide();

    // The shared controls above the strips.
    auto *title = new QLabel("Mixer", this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    ckPg_ = new QCheckBox("Lock Pg/Vol", this);
    ckPg_->setObjectName("CkPg");
    ckPg_->setToolTip("Keep program changes and volumes out of a replay");
    cmdMulti_ = new QPushButton("Multi SF2", this);
    cmdMulti_->setObjectName("CmdMulti");
    cmdMulti_->setToolTip("Wave and MP3 with the channel SoundFonts");
    cmdMulti_->setEnabled(false);
    cmdKmt_ = new QPushButton("Multi MP3", this);
    cmdKmt_->setObjectName("CmdKmt");
    cmdKmt_->setToolTip("Karaoke MP3 with the channel SoundFonts");
    cmdKmt_->setEnabled(false);
    tools->addWidget(title);
    tools->addSpacing(12);
    tools->addWidget(ckPg_);
    tools->addWidget(cmdMulti_);
    tools->addWidget(cmdKmt_);
    tools->addStretch();

    // A kit or an instrument is chosen by a click, or from the keyboard with Return.
    for (auto signal : {&QListWidget::itemClicked, &QListWidget::itemActivated}) {
        connect(lstDrum_, signal, this, [this](QListWidgetItem *item) { emit drumKitClicked(lstDrum_->row(item)); });
        connect(list3_, signal, this, [this](QListWidgetItem *item) { emit instrumentListClicked(list3_->row(item)); });
    }
    connect(cmdDrum_, &QPushButton::clicked, this, &ChannelStrips::drumButtonClicked);
    connect(ckPg_, &QCheckBox::toggled, this, &ChannelStrips::programVolumeLockClicked);
    connect(cmdMulti_, &QPushButton::clicked, this, &ChannelStrips::multiFontClicked);
    LoadPatches();
    inizio();
}

bool ChannelStrips::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int c = 0; c < 16; ++c) {
            if (watched == label2_[at(c)] && label2_[at(c)]->isEnabled()) {
                emit soloClicked(c);
                return true;
            }
            if (watched == lblPit_[at(c)]) {
                stoneSingle_[at(c)]->setValue(0);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ChannelStrips::LoadPatches() {
    list3_->clear();
    for (int p = 0; p < 128; ++p)
        list3_->addItem(QString::fromStdString(GetPatch(p)));
}

void ChannelStrips::inizio() {
    for (int c = 0; c < 16; ++c) {
        option1_[at(c)]->setToolTip("Change Instrument");
        slider2_[at(c)]->setToolTip("Volume Instrument");
        check1_[at(c)]->setToolTip("Mute Channel");
        label2_[at(c)]->setToolTip("Solo");
        lblPit_[at(c)]->setText("0");
    }
}

void ChannelStrips::ZeroVariables() {
    for (int c = 0; c < 16; ++c) {
        const QSignalBlocker a(slider2_[at(c)]), b(check1_[at(c)]);
        slider2_[at(c)]->setValue(0);
        slider2_[at(c)]->setEnabled(false);
        label2_[at(c)]->setEnabled(true);
        // Nothing is muted in a new song: the boxes say so before its first Play.
        check1_[at(c)]->setChecked(true);
        lblPit_[at(c)]->setText(QString::number(-stoneSingle_[at(c)]->value()));
    }
}

void ChannelStrips::fill(const ChannelRecords &records) {
    for (int c = 0; c < 16; ++c) {
        const ChannelRecord &r = records[at(c)];
        const QSignalBlocker a(slider2_[at(c)]), b(slider4_[at(c)]), d(slider1_[at(c)]), e(slider3_[at(c)]),
            f(check1_[at(c)]), g(option1_[at(c)]);
        if (r.state == -1) {
            slider2_[at(c)]->setValue(127);
            slider2_[at(c)]->setEnabled(false);
            continue;
        }
        slider2_[at(c)]->setValue(127 - r.volume);
        slider2_[at(c)]->setEnabled(true);
        slider4_[at(c)]->setValue(r.pan);
        slider4_[at(c)]->setEnabled(true);
        slider1_[at(c)]->setValue(r.chorus);
        slider3_[at(c)]->setValue(r.reverb);
        label3_[at(c)]->setText(c == LiveSettings::kDrumChannel && r.program == 0
                                    ? QString("Drums")
                                    : QString::fromStdString(GetPatch(r.program)));
        check1_[at(c)]->setChecked(true);
        check1_[at(c)]->setEnabled(true);
        option1_[at(c)]->setEnabled(true);
        option1_[at(c)]->setChecked(false);
    }
}

void ChannelStrips::enableInstruments(bool playing, const ChannelRecords &records) {
    for (int c = 0; c < 16; ++c)
        option1_[at(c)]->setEnabled(playing && records[at(c)].state != -1);
}

void ChannelStrips::clearNames() {
    for (QLabel *name : label3_)
        name->clear();
}

void ChannelStrips::showSolo(int channel, bool on) {
    for (int c = 0; c < 16; ++c) {
        label2_[at(c)]->setEnabled(!on || c == channel);
        label2_[at(c)]->setStyleSheet(on && c == channel ? "background: #ffd24d; font-weight: bold;" : "");
    }
}

void ChannelStrips::clearKeys() {
    for (int c = 0; c < 16; ++c) {
        const QSignalBlocker b(stoneSingle_[at(c)]);
        stoneSingle_[at(c)]->setValue(0);
        lblPit_[at(c)]->setText("0");
    }
}

void ChannelStrips::placeBeside(int channel, QWidget *list, QWidget *under) {
    // Right of a strip in the left half, left of one in the right half.
    const QRect strip = strips_[at(channel)]->geometry();
    const int x = channel < 8 ? strip.right() + 1 : strip.left() - kListWidth - 1;
    const int top = strip.top();
    const int underHeight = under ? under->sizeHint().height() + 2 : 0;
    const int height = std::max(120, strip.height() - underHeight);
    list->setGeometry(x, top, kListWidth, height);
    list->show();
    list->raise();
    if (under) {
        under->setGeometry(x, top + height + 2, kListWidth, under->sizeHint().height());
        under->show();
        under->raise();
    }
}

void ChannelStrips::showDrumKits() {
    placeBeside(LiveSettings::kDrumChannel, lstDrum_, cmdDrum_);
    lstDrum_->setFocus();
}

void ChannelStrips::hideDrumKits() {
    lstDrum_->hide();
    cmdDrum_->hide();
}

void ChannelStrips::showInstruments(int channel, int program) {
    placeBeside(channel, list3_);
    // The keys go to the list: arrows move in it, Esc closes it.
    list3_->setFocus();
    list3_->setCurrentRow(program);
    // At the top: the current instrument shows even when the window scrolls.
    list3_->scrollToItem(list3_->item(program), QAbstractItemView::PositionAtTop);
    // Selecting the channel's instrument is the list's first click.
    emit instrumentListClicked(program);
}

void ChannelStrips::instrumentChosen(int channel, int program) {
    const QSignalBlocker block(option1_[at(channel)]);
    option1_[at(channel)]->setChecked(false);
    label3_[at(channel)]->setText(QString::fromStdString(GetPatch(program)));
    list3_->hide();
}

} // namespace cantora::player

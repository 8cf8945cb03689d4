#include "player/ui/effectspanel.h"

#include "player/livesettings.h"
#include "player/mixercontrols.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolTip>
#include <QVBoxLayout>

namespace cantora::player {

namespace {
// The shortest band and tempo faders: enough travel on a small screen, longer on a large one.
constexpr int kFaderLength = 56;
QString hz(float f) { return f >= 1000 ? QString("%1k").arg(f / 1000.0f) : QString::number(f); }
} // namespace

EffectsPanel::EffectsPanel(QWidget *parent) : QWidget(parent) {
    setObjectName("effectsPanel");
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);

    auto *tempoBox = new QGroupBox("Tempo", this);
    auto *tempoCol = new QVBoxLayout(tempoBox);
    sldTempo_ = new QSlider(Qt::Vertical, tempoBox);
    sldTempo_->setObjectName("sldTempo");
    sldTempo_->setRange(0, 20);
    sldTempo_->setValue(10);
    sldTempo_->setInvertedAppearance(true); // 0 (faster) at the top
    sldTempo_->setMinimumHeight(kFaderLength);
    sldTempo_->setToolTip(QString::fromStdString(tempoTip(10)));
    lblTempo_ = new QLabel("0%", tempoBox);
    lblTempo_->setObjectName("lblTempo");
    lblTempo_->setAlignment(Qt::AlignCenter);
    lblPitch_ = new QLabel("Key 0", tempoBox);
    lblPitch_->setObjectName("lblPitch");
    lblPitch_->setAlignment(Qt::AlignCenter);
    lblPitch_->setToolTip("Key in semitones; click: back to 0");
    lblPitch_->setCursor(Qt::PointingHandCursor);
    lblPitch_->installEventFilter(this);
    tempoCol->addWidget(sldTempo_, 1, Qt::AlignHCenter);
    tempoCol->addWidget(lblTempo_);
    tempoCol->addWidget(lblPitch_);
    // Any user change (drag, keys, wheel); the program's own settings block signals.
    connect(sldTempo_, &QSlider::valueChanged, this, [this](int v) {
        sldTempo_->setToolTip(QString::fromStdString(tempoTip(v)));
        emit tempoMoved(v);
    });

    auto *eqBox = new QGroupBox("Equalizer", this);
    auto *eqGrid = new QGridLayout(eqBox);
    chkEqualizer_ = new QCheckBox("On", eqBox);
    chkEqualizer_->setObjectName("chkEqualizer");
    eqGrid->addWidget(chkEqualizer_, 0, 0, 1, 7);
    for (int b = 0; b < 7; ++b) {
        auto *s = new QSlider(Qt::Vertical, eqBox);
        s->setObjectName(QString("sldEQ_%1").arg(b));
        s->setRange(-10, 10);
        s->setValue(0); // minimum at the top: up = boost (gain -v dB)
        s->setToolTip("0");
        s->setMinimumHeight(kFaderLength);
        auto *label = new QLabel(hz(LiveSettings::kEqCentres[static_cast<std::size_t>(b)]), eqBox);
        QFont f = label->font();
        f.setPointSize(7);
        label->setFont(f);
        label->setAlignment(Qt::AlignCenter);
        eqGrid->addWidget(s, 1, b, Qt::AlignHCenter);
        eqGrid->addWidget(label, 2, b);
        sldEQ_[static_cast<std::size_t>(b)] = s;
        connect(s, &QSlider::valueChanged, this, [this, b](int v) { emit eqChanged(b, v); });
        connect(s, &QSlider::sliderMoved, this, [s](int v) {
            s->setToolTip(QString::number(-v));
            QToolTip::showText(QCursor::pos(), QString("%1 dB").arg(-v), s);
        });
    }
    connect(chkEqualizer_, &QCheckBox::toggled, this, &EffectsPanel::equalizerClicked);

    auto *compBox = new QGroupBox("Compressor", this);
    auto *compCol = new QVBoxLayout(compBox);
    chkPhaser_ = new QCheckBox("On", compBox);
    chkPhaser_->setObjectName("chkPhaser");
    sldPhaser_ = new QSlider(Qt::Horizontal, compBox);
    sldPhaser_->setObjectName("sldPhaser_1");
    sldPhaser_->setRange(2, 15);
    sldPhaser_->setValue(2);
    sldPhaser_->setEnabled(false);
    sldPhaser_->setToolTip("Compressor gain (dB)");
    compCol->addWidget(chkPhaser_);
    compCol->addWidget(new QLabel("Gain", compBox));
    compCol->addWidget(sldPhaser_);
    compCol->addStretch();
    connect(chkPhaser_, &QCheckBox::toggled, this, [this](bool on) {
        sldPhaser_->setEnabled(on);
        if (!on) {
            const QSignalBlocker block(sldPhaser_);
            sldPhaser_->setValue(2);
        }
        emit compressorClicked(on);
    });
    connect(sldPhaser_, &QSlider::valueChanged, this, &EffectsPanel::compressorMoved);

    row->addWidget(tempoBox);
    row->addWidget(eqBox);
    row->addWidget(compBox);
}

bool EffectsPanel::eventFilter(QObject *watched, QEvent *event) {
    if (watched == lblPitch_ && event->type() == QEvent::MouseButtonRelease) {
        emit pitchClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void EffectsPanel::EqReset() {
    for (QSlider *s : sldEQ_)
        s->setValue(0);
}

void EffectsPanel::showTempo(const QString &percent, const QString &bpm) {
    lblTempo_->setText(bpm.isEmpty() || bpm == "0" ? percent : QString("%1\n%2 BPM").arg(percent, bpm));
}

void EffectsPanel::showKey(int semitones) {
    lblPitch_->setText(QString("Key %1%2").arg(semitones > 0 ? "+" : "").arg(semitones));
}

void EffectsPanel::clear() {
    const QSignalBlocker a(sldTempo_), b(sldPhaser_), c(chkPhaser_);
    sldTempo_->setValue(10);
    sldTempo_->setToolTip(QString::fromStdString(tempoTip(10)));
    chkPhaser_->setChecked(false);
    sldPhaser_->setValue(2);
    sldPhaser_->setEnabled(false);
}

} // namespace cantora::player

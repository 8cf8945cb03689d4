#include "playback/ui/transportbinding.h"

#include "playback/mp3player.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

namespace cantora::playback {

namespace {
constexpr int kKnobSize = 12;
}

KnobStrip::KnobStrip(Axis axis, int travel, const QString &knobName, QWidget *parent) : QWidget(parent), axis_(axis) {
    knob_ = new QWidget(this);
    knob_->setObjectName(knobName);
    knob_->setFixedSize(kKnobSize, kKnobSize);
    QPalette p = knob_->palette();
    p.setColor(QPalette::Window, palette().color(QPalette::Highlight));
    knob_->setPalette(p);
    knob_->setAutoFillBackground(true);
    knob_->setCursor(axis == Axis::Horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    knob_->installEventFilter(this);
    if (axis == Axis::Horizontal)
        setFixedSize(travel + kKnobSize, kKnobSize + 4);
    else
        setFixedSize(kKnobSize + 4, travel + kKnobSize);
    placeKnob(0);
}

void KnobStrip::placeKnob(int at) {
    if (axis_ == Axis::Horizontal)
        knob_->move(at, 2);
    else
        knob_->move(2, at);
}

int KnobStrip::knobAt() const { return axis_ == Axis::Horizontal ? knob_->x() : knob_->y(); }

bool KnobStrip::eventFilter(QObject *watched, QEvent *event) {
    if (watched != knob_)
        return QWidget::eventFilter(watched, event);
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    const auto x = static_cast<float>(mouse->position().x());
    const auto y = static_cast<float>(mouse->position().y());
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton && pressed)
        pressed(x, y);
    else if (type == QEvent::MouseMove && (mouse->buttons() & Qt::LeftButton) && moved)
        moved(x, y);
    else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton && released)
        released(x, y);
    return true;
}

TransportBinding::TransportBinding(Mp3Player &player, KnobStrip *position, KnobStrip *volume, QLabel *elapsed,
                                   QLabel *duration, QObject *parent)
    : QObject(parent), player_(player), position_(position), volume_(volume), elapsed_(elapsed), duration_(duration) {
    timer_ = new QTimer(this);
    timer_->setObjectName("playTimer");
    timer_->setInterval(Mp3Player::kTimerMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        player_.Tick();
        refresh();
    });
    player_.TimerSwitched = [this](bool on) {
        if (on)
            timer_->start();
        else
            timer_->stop();
    };
    player_.KnobsMoved = [this] { refresh(); };
    if (position_) {
        position_->pressed = [this](float x, float y) { player_.SliderReproduccioN_Down(x, y); };
        position_->moved = [this](float x, float y) {
            player_.SliderReproduccioN_Move(x, y);
            refresh();
        };
        position_->released = [this](float x, float y) { player_.SliderReproduccioN_Up(x, y); };
    }
    if (volume_) {
        volume_->pressed = [this](float, float y) { player_.VolumeKnob_Down(y); };
        volume_->moved = [this](float, float y) { player_.VolumeKnob_Move(y); };
        volume_->released = [this](float, float) { player_.VolumeKnob_Up(); };
    }
    refresh();
}

TransportBinding::~TransportBinding() {
    // The player may outlive the window.
    player_.TimerSwitched = nullptr;
    player_.KnobsMoved = nullptr;
}

void TransportBinding::refresh() {
    if (position_)
        position_->placeKnob(player_.PositionKnobLeft());
    if (volume_)
        volume_->placeKnob(player_.VolumeKnobTop());
    if (elapsed_)
        elapsed_->setText(QString::fromStdString(player_.lblTiempoT()));
    if (duration_)
        duration_->setText(QString::fromStdString(player_.lblDuracion()));
}

} // namespace cantora::playback

#include "player/ui/positionslider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace cantora::player {

PositionSlider::PositionSlider(QWidget *parent) : QSlider(Qt::Horizontal, parent) {}

void PositionSlider::mousePressEvent(QMouseEvent *event) {
    emit mouseDown();
    if (event->button() == Qt::LeftButton && maximum() > minimum()) {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
        if (!handle.contains(event->position().toPoint())) {
            // A click on the groove moves the handle there, not a page at a time.
            int span = width() - handle.width();
            int x = static_cast<int>(event->position().x()) - handle.width() / 2;
            setValue(QStyle::sliderValueFromPosition(minimum(), maximum(), x, span > 0 ? span : 1));
        }
    }
    QSlider::mousePressEvent(event);
}

void PositionSlider::mouseReleaseEvent(QMouseEvent *event) {
    QSlider::mouseReleaseEvent(event);
    emit mouseUp();
}

} // namespace cantora::player

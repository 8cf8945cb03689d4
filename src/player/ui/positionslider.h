#pragma once
// The song position slider: reports the mouse going down and coming up on
// it, and lets a click on the groove jump straight to that second.

#include <QSlider>

namespace cantora::player {

class PositionSlider : public QSlider {
    Q_OBJECT
public:
    explicit PositionSlider(QWidget *parent = nullptr);

signals:
    void mouseDown();
    void mouseUp();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace cantora::player

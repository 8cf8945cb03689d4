#pragma once
// The sing-along lyric view: the line being sung and the next one, whole,
// with the sung part changing colour syllable by syllable; the title and
// artist while nothing is sung; a countdown of dots before a line that ends
// a long silence. It only paints: what to show comes from the song's
// LyricTimeline at the playing position, asked for at every frame, so the
// view follows seeks, tempo changes and pauses by itself.
//
// Threading: UI thread only.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "lyrics/lyrictimeline.h"
#include "lyrics/viewprefs.h"

class QTimer;

namespace cantora::lyrics {

class SingAlongView : public QWidget {
    Q_OBJECT
public:
    // The playing position in seconds on the song's clock; negative when nothing plays.
    using Position = std::function<double()>;
    // Frames are painted this often while the view is visible.
    static constexpr int kFrameMs = 15;

    explicit SingAlongView(QWidget *parent = nullptr);

    // The song's timeline; `fallbackTitle` (the file name) stands in for a missing "@T" title.
    void setTimeline(std::shared_ptr<const LyricTimeline> timeline, const std::string &fallbackTitle);
    void setPosition(Position position) { position_ = std::move(position); }
    void setContrast(LyricContrast contrast);
    LyricContrast contrast() const { return contrast_; }

    // What the last frame showed (tests): the position it was painted for and the frame.
    double paintedAt() const { return paintedAt_; }
    const SingAlongFrame &paintedFrame() const { return painted_; }
    // The title line shown in the intro.
    QString titleText() const;
    // Called after each frame is painted with its position (measurements).
    std::function<void(double)> onPainted;

signals:
    // Esc was pressed (the full-screen window closes on it).
    void escapePressed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    std::shared_ptr<const LyricTimeline> timeline_;
    std::string fallbackTitle_;
    Position position_;
    LyricContrast contrast_ = LyricContrast::Night;
    QTimer *frames_;
    double paintedAt_ = -1;
    double polled_ = -2; // the position the frame timer saw last
    SingAlongFrame painted_;
};

} // namespace cantora::lyrics

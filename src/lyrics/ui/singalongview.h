#pragma once
// The sing-along lyric view: two rows of whole lines, the one being sung
// changing colour syllable by syllable while the other already shows the
// next; the title and artist in the intro; a countdown of dots before a line
// that ends a long silence. It only paints: what to show comes from the
// song's LyricTimeline at the playing position, asked for at every frame, so
// the view follows seeks, tempo changes and pauses by itself. Besides the
// regular frames, a frame is painted right at each syllable's start, so a
// colour change is never a whole frame late.
//
// Threading: UI thread only.

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "lyrics/lyrictimeline.h"
#include "lyrics/viewprefs.h"

class QFontMetricsF;
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
    void resizeEvent(QResizeEvent *event) override;

private:
    void frameTick();
    // Arms the one-shot frame for the next change after `now`, when it comes
    // before the next regular frame.
    void armChange(double now);
    // The position just read for the frame about to be painted.
    void keepFresh(double now);
    double measured(std::string_view text, const QFontMetricsF &ref);

    std::shared_ptr<const LyricTimeline> timeline_;
    std::string fallbackTitle_;
    Position position_;
    LyricContrast contrast_ = LyricContrast::Night;
    QTimer *frames_;
    QTimer *change_; // one shot, at the next syllable start
    QElapsedTimer wall_;
    double paintedAt_ = -1;
    double polled_ = -2;                             // the position the frame timer saw last
    double polledWall_ = 0;                          // and when
    double rate_ = 1;                                // song seconds per wall second, from the polls
    double changeAt_ = -1;                           // the change the one-shot frame waits for
    double fresh_ = -1, freshWall_ = -1;             // the position read for the next frame, and when
    std::unordered_map<std::string, double> widths_; // text widths at the reference size
    double scale_ = -1;                              // the song's text scale for scaleSize_
    QSize scaleSize_;
    SingAlongFrame painted_;
};

} // namespace cantora::lyrics

#pragma once
// The live lyric page on screen: the frame " Lyrics " holding the page
// (`lblLyrics`, large and centred) and the syllable just reached (`Label12`).
// It owns the page state and applies each reached mark to it. The page's
// font shrinks until the whole page fits the room it has; below a readable
// size the page is cut and the sing-along view is offered instead.
//
// Threading: UI thread only; marks arrive already posted from the engine thread.

#include <QGroupBox>
#include <cstdint>
#include <string>

#include "lyrics/lyricpage.h"
#include "lyrics/viewprefs.h"

class QLabel;
class QPushButton;

namespace cantora::lyrics {

class SingAlongView;

class LyricPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit LyricPanel(QWidget *parent = nullptr);

    // One mark reached while playing.
    void markReached(const std::string &text, std::int32_t tick);
    // Shows `page` (lines separated by CR LF) in place of the page state:
    // the LRC capture keeps its own, shorter page while it runs.
    void showCapturePage(const std::string &page);
    // Empties the page and its label (open, seek, rebuild, end of song).
    void clearPage();
    // Empties the syllable label too (no song left open).
    void clearSyllable();

    // Which view shows the lyrics. The labels keep their texts in both; the
    // sing-along view takes their place while it is chosen.
    void setView(LyricView view);
    LyricView view() const { return view_; }
    SingAlongView *singAlong() const { return singAlong_; }

    // The page state (shared with the LRC capture).
    const LyricState &state() const { return state_; }

    // The page's largest and least font sizes, in points.
    static constexpr int kPagePoints = 32;
    static constexpr int kLeastPagePoints = 14;

signals:
    // The offer of the sing-along view was taken.
    void singAlongWanted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showPage();
    // The largest font, down to the least, that shows the whole page; the offer when none does.
    void fitPage();
    LyricState state_;
    QLabel *lblLyrics;
    QLabel *Label12;
    QPushButton *singAlongOffer_;
    SingAlongView *singAlong_;
    LyricView view_ = LyricView::Classic;
};

} // namespace cantora::lyrics

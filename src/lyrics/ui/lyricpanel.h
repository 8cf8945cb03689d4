#pragma once
// The live lyric page on screen: the frame " Lyrics " holding the page
// (`lblLyrics`, large and centred) and the syllable just reached (`Label12`).
// It owns the page state and applies each reached mark to it.
//
// Threading: UI thread only; marks arrive already posted from the engine thread.

#include <QGroupBox>
#include <cstdint>
#include <string>

#include "lyrics/lyricpage.h"
#include "lyrics/viewprefs.h"

class QLabel;

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

    // Which view shows the lyrics. The labels keep their texts in both; the
    // sing-along view takes their place while it is chosen.
    void setView(LyricView view);
    LyricView view() const { return view_; }
    SingAlongView *singAlong() const { return singAlong_; }

    // The page state (shared with the LRC capture).
    const LyricState &state() const { return state_; }

private:
    void showPage();
    LyricState state_;
    QLabel *lblLyrics;
    QLabel *Label12;
    SingAlongView *singAlong_;
    LyricView view_ = LyricView::Classic;
};

} // namespace cantora::lyrics

#pragma once
// frmLyrics: the window that shows the time-stamped lyric lines of the MP3
// the tag editor plays, one label per line in a vertical strip, with the
// line being sung red and bold and the lines already sung light blue. It
// keeps no time of its own: the tag editor fills `LyricsRef`, calls
// Order_lblLyrics, then one focus procedure per line passed.
//
// Creating the window loads it (the flag `lyricsWindowOpen` turns true);
// closing it unloads it (the flag turns false and the window is deleted).
// Threading: UI thread only.

#include "playback/lyricsstrip.h"

#include <QString>
#include <QWidget>

#include <vector>

class QFrame;
class QLabel;
class QListWidget;

namespace cantora::playback {

// What the window takes from the tag editor when it loads.
struct LyricsWindowLoad {
    bool hasLyricsMarker = false; // the file carries a lyrics marker
    QString title, artist, album; // the editor's tag boxes
};

class frmLyrics : public QWidget {
    Q_OBJECT
public:
    // Loads the window; `lyricsWindowOpen` (owned by the application) is
    // true from here until the window unloads.
    frmLyrics(const LyricsWindowLoad &load, bool &lyricsWindowOpen, QWidget *parent = nullptr);
    ~frmLyrics() override;

    // One entry per lyric line, "mm:ss    text", filled by the tag editor.
    QListWidget *LyricsRef() const { return LyricsRef_; }
    // Rebuilds the strip from LyricsRef (nothing happens when it is empty).
    void Order_lblLyrics();
    // Focus one line down; only while a next line exists.
    void Move_Next_Focus_Lyrics();
    // Focus one line up (after a backward seek).
    void Move_Previous_Focus_Lyrics();

    // The lines, focus and paging the labels show.
    const LyricsStrip &strip() const { return strip_; }

    static const QString kCaption; // the window's caption

protected:
    // Closing is the unload: the flag drops at once, the window goes later.
    void closeEvent(QCloseEvent *event) override;
    // Keeps the strip as wide as its frame when the window is resized.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showStrip();             // puts the strip's records on the labels
    QLabel *label(std::size_t i); // lblLyrics(i), created from element 0 when missing

    bool &lyricsWindowOpen_;
    QListWidget *LyricsRef_;
    QFrame *shpFocus;
    QWidget *picBody;
    QWidget *picLyrics;
    QWidget *focusBand; // the bar behind the focus line
    QLabel *lblNoLyrics;
    QLabel *Lblyr;
    QLabel *lblTitle;
    QLabel *lblArtist;
    QLabel *lblAlbum;
    std::vector<QLabel *> lblLyrics;
    LyricsStrip strip_;
};

// 0x00BBGGRR as a colour, and back.
QColor colorFromRef(std::uint32_t bgr);
std::uint32_t refFromColor(const QColor &color);

} // namespace cantora::playback

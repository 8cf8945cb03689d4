#pragma once
// The tag editor's lyrics and their stamping: the lyric box `txtLyrics`,
// "Add" (`cmdAdd`, the play time at the caret) and "Undo" (`cmdUndo`) with
// their undo stack, and the list of timed lines `LyricsRef` playback follows.
//
// Threading: UI thread only.

#include "playback/mp3player.h"
#include "tags/tageditor.h"

#include <QPointer>
#include <QWidget>

#include <string>
#include <vector>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace cantora::playback {
class frmLyrics;
}

namespace cantora::tags {

class LyricStampPanel : public QWidget {
    Q_OBJECT
public:
    LyricStampPanel(playback::Mp3Player &player, QWidget *parent = nullptr);

    // Add: the play time as "[mm:ss]" at the start of the caret's line.
    void cmdAdd_Click();
    // Undo: removes the newest stamp.
    void cmdUndo_Click();

    // The lyric box as UTF-8 with LF line ends, and back (from LF or CR LF).
    std::string lyricText() const;
    void setLyricText(const std::string &text);
    // A new file: the undo stack empty, Undo disabled.
    void resetUndo();
    const UndoStack &undo() const { return undo_; }
    // The box's timed lines into the list and the lyrics window `shown`, its first line lit when `open`.
    void Show_Lyrics(playback::frmLyrics *shown, bool open);
    // Playback moved: the line whose time has come is lit in the lyrics window `shown`.
    void FollowLyrics(QPointer<playback::frmLyrics> shown);
    // The line of the list playback has reached.
    int lyricIndex() const { return lyricIndex_; }
    void clearEntries();
    void focusLyrics();

signals:
    // A user edit of the lyrics, typed or stamped.
    void edited();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    playback::Mp3Player &player_;
    UndoStack undo_;
    int lyricIndex_ = 0;
    // Controls, named as the window's controls are named.
    QPlainTextEdit *txtLyrics;
    QPushButton *cmdAdd, *cmdUndo;
    QListWidget *LyricsRef;
};

} // namespace cantora::tags

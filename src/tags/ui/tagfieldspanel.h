#pragma once
// The tag editor's ID3v1 fields: the group "ID3v1" with title, artist,
// album, year, comment, the genre list and the four "apply" boxes `chkTags`,
// and the box `chkId3v2` ("ID3v2 lyrics for other players") that Save follows.
// It reports each edit a user makes; the editor keeps the pending list.
//
// Threading: UI thread only.

#include "tags/mp3info.h"
#include "tags/tageditor.h"

#include <QGroupBox>

#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace cantora::tags {

class TagFieldsPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit TagFieldsPanel(QWidget *parent = nullptr);

    // The file's tag in the boxes (the genre by its number; none when it is no genre).
    void show(const Mp3Info &info);
    // Empties the apply boxes and enables (or disables) every field.
    void enableEditing(bool flag);
    // The boxes as the editor saves them (the lyrics are the lyric panel's).
    EditorFields fields() const;
    // The apply box of artist, album, year and genre (0-3) is ticked.
    bool applies(int k) const;
    bool hasTitle() const;
    // The title, artist and album the lyrics window shows.
    QString title() const;
    QString artist() const;
    QString album() const;
    // "ID3v2 lyrics for other players": Save also writes the ID3v2 tag with USLT and SYLT.
    bool id3v2Lyrics() const;
    void setId3v2Lyrics(bool on);

signals:
    // A user edit of a field or the genre.
    void edited();
    // An apply box changed; `any`: at least one is ticked.
    void applyChanged(bool any);
    // The user ticked or cleared "ID3v2 lyrics for other players".
    void id3v2LyricsChosen(bool on);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyBoxToggled(int k);

    QString genreRemembered_;
    // Controls, named as the window's controls are named.
    QLineEdit *txtTitle, *txtArtist, *txtAlbum, *txtYear, *Txtcomment;
    QComboBox *cboGenre;
    std::array<QCheckBox *, 4> chkTags{};
    QCheckBox *chkId3v2;
};

// True when releasing the key of `e` in a tag or lyric box counts as an edit:
// every key but Right, Ctrl, Enter, Shift, Caps Lock, Left, Up and Down.
bool isEditKey(const QKeyEvent *e);

} // namespace cantora::tags

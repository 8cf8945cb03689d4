#pragma once
// frmTags: the MP3 tag editor. The user edits an MP3's ID3v1 fields and
// its time-tagged lyrics, plays the file, stamps lyric lines with the play
// time and saves tag and lyrics into the file. After a conversion it opens
// on the work file SYNCRO.MP3 by itself and Save also copies the finished
// file over the output file chosen in the main window.
//
// The rules live in tags/tageditor and tags/karaokeassembly, the player in
// playback::Mp3Player. The fields, the lyrics with their stamping and the
// MP3 information with its player are panels; this window holds the menus,
// the file, the pending-edit list, Save and the lyrics window.
// Every chooser and message box goes through the dialogs seam.
//
// Threading: UI thread only.

#include "playback/mp3player.h"
#include "playback/ui/frmlyrics.h"
#include "tags/id3module.h"
#include "tags/karaokeassembly.h"
#include "tags/tageditor.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace cantora::tags {

class LyricStampPanel;
class Mp3InfoPanel;
class TagFieldsPanel;

// What the editor takes from the window that opens it.
struct TagEditorHost {
    std::string appFolder;                          // holds the work files SYNCRO.MP3 and SYNCRO.LRC
    std::function<std::string()> outputFile;        // the main window's chosen output MP3; empty when none
    std::function<void()> exited;                   // the editor's Exit: the main window enables its menu and Open
    playback::Mp3Player::GraphFactory graphFactory; // default: the mpg123 graph on the SDL device
    // Runs `then` after `ms` without blocking input (tests run it at once).
    std::function<void(int ms, std::function<void()> then)> schedule;
    Id3Module *module = nullptr; // the application's tag state; the window keeps its own when null
    std::string openAtStart;     // a file to open once loaded, instead of looking for SYNCRO.MP3
};

class frmTags : public QMainWindow {
    Q_OBJECT
public:
    static const QString kCaption;
    static constexpr int kLoadWaitMs = 3000;

    // Loads the window: after the start-up wait it opens the converter's
    // SYNCRO.MP3 (or host.openAtStart) when there is one.
    explicit frmTags(TagEditorHost host, QWidget *parent = nullptr);
    ~frmTags() override;

    // --- Commands, as the user gives them --------------------------------------
    void btnParcourSon_Click(); // Open Mp3 Audio File
    void btnParcourTxt_Click(); // Load Text
    void Save_Lrc_Click();      // Save Lyrics
    void cmdOK_Click();         // Exit
    void cmdApply_Click();      // Save
    void cmdCancel_Click();     // Cancel

    // --- Procedures ----------------------------------------------------------------
    // Opens `path` in the editor (the steps after the Open chooser). A file
    // without MPEG audio is refused with a message, and the editor stays as it was.
    void OpenFile(const std::string &path);
    // Before the file shown is left (another file, Exit, Cancel, the main
    // window closing): unsaved edits are saved or dropped as the user
    // answers. False when the user cancels or the save did not happen.
    bool LeaveFile();
    // Opens the converter's SYNCRO.MP3 and its lyrics.
    void Mp3Liric();
    // What the window load does once its wait is over, for an editor already
    // open when a conversion ends: Mp3Liric when SYNCRO.MP3 is there.
    void OpenConvertedSong();
    // Reads LyricFile into the lyric box (appending); false when it cannot be read.
    bool Chargement_Paroles();
    void EnableEditing(bool flag);
    void StorePendingEdits();
    void Load_File_Tags();
    void SaveTags();

    // --- State ------------------------------------------------------------------------
    const std::string &FileName() const { return fileName_; }
    const std::string &LyricFile() const { return lyricFile_; }
    bool LrcLoaded() const { return lrcLoaded_; }
    bool OpenedFromConverter() const { return openedFromConverter_; }
    bool Loaded() const { return loaded_; }
    const UndoStack &undo() const;
    const PendingEdits &pending() const { return pending_; }
    const SaveOutcome &lastSave() const { return lastSave_; }
    playback::Mp3Player &player() { return player_; }
    Id3Module &module() { return *module_; }
    bool LyricsWindowOpen() const { return lyricsWindowOpen_; }
    playback::frmLyrics *lyricsWindow() const { return lyrics_; }
    int lyricIndex() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUi();
    void fitScreen();
    void afterLoadWait();
    // The steps shared by Open and Mp3Liric once FileName is set.
    void loadFile(const std::string &labelText);
    EditorFields fields() const;
    void edited(); // an edit: row updated, Save enabled
    void closeLyricsWindow();
    void unload();                              // closes the window for good
    std::string lyricText() const;              // the lyric box as UTF-8, LF line ends
    void setLyricText(const std::string &text); // from UTF-8 with LF or CR LF
    void showPendingRow();
    std::string prefsPath() const; // cantora.ini in the application folder

    TagEditorHost host_;
    std::unique_ptr<Id3Module> ownModule_;
    Id3Module *module_ = nullptr;
    playback::Mp3Player player_;
    QPointer<playback::frmLyrics> lyrics_;
    bool lyricsWindowOpen_ = false;

    std::string fileName_;
    std::string lyricFile_;
    std::vector<std::string> lyricLines_;
    PendingEdits pending_;
    SaveOutcome lastSave_;
    bool lrcLoaded_ = false;
    bool openedFromConverter_ = false;
    bool loaded_ = false;
    bool closing_ = false;

    // Controls, named as the window's controls are named.
    QAction *btnParcourSon, *btnParcourTxt, *Save_Lrc, *cmdOK;
    QTabWidget *TabStrip;
    QWidget *pictab_0, *pictab_1;
    TagFieldsPanel *fields_;
    Mp3InfoPanel *info_;
    LyricStampPanel *lyricBox_;
    QPushButton *cmdApply, *cmdCancel;
    QTreeWidget *listRef;
    QLabel *lblfile;
    QProgressBar *pbprogress;
};

// Opens the editor after a MIDI-to-MP3 conversion left SYNCRO.MP3 and
// SYNCRO.LRC in the application folder: shown without blocking, owned by
// `parent`, deleted when it closes.
frmTags *ShowTagEditorAfterConversion(QWidget *parent, TagEditorHost host);

} // namespace cantora::tags

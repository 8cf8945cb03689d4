#include "tags/ui/frmtags.h"

#include "app/dialogs/dialogs.h"
#include "core/byteio.h"
#include "core/preferences.h"
#include "playback/mediagraph.h"
#include "playback/playbackoutput.h"
#include "playback/ui/frmlyrics.h"
#include "tags/audioframes.h"
#include "tags/mp3info.h"
#include "tags/ui/lyricstamppanel.h"
#include "tags/ui/mp3infopanel.h"
#include "tags/ui/tagfieldspanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

namespace cantora::tags {

namespace {

QString q(const std::string &s) { return QString::fromStdString(s); }

const char *kEditorTitle = "Orvane Mp3Tag Editor";
const QString kNoFile = "No MP3 file open";

bool blank(const std::string &t) { return t.find_first_not_of(" \t\r\n") == std::string::npos; }

bool nonEmptyFile(const std::string &path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0 && !ec;
}

} // namespace

const QString frmTags::kCaption = "Orvane  ID3 Tag & LyricsEditor  V.1.0";

frmTags::frmTags(TagEditorHost host, QWidget *parent)
    : QMainWindow(parent, Qt::Window), host_(std::move(host)), player_(host_.graphFactory ? host_.graphFactory : [] {
          return playback::makeMp3Graph(playback::makeSdlPlaybackOutput());
      }) {
    setObjectName("frmTags");
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    if (host_.module) {
        module_ = host_.module;
    } else {
        ownModule_ = std::make_unique<Id3Module>();
        module_ = ownModule_.get();
    }
    if (!host_.schedule)
        host_.schedule = [this](int ms, std::function<void()> then) { QTimer::singleShot(ms, this, std::move(then)); };

    // Window load: player stopped, undo stack empty, genre list filled.
    buildUi();
    fitScreen();

    player_.LyricsFollowing = [this] { return module_->LyricsTagFound && lyricsWindowOpen_; };
    player_.FollowLyrics = [this] { lyricBox_->FollowLyrics(lyrics_); };

    // The converter may still be finishing its files: wait with the busy
    // pointer, without blocking input, then look for them.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    host_.schedule(kLoadWaitMs, [this] {
        QApplication::restoreOverrideCursor();
        afterLoadWait();
    });
}

frmTags::~frmTags() {
    player_.LyricsFollowing = nullptr;
    player_.FollowLyrics = nullptr;
    if (!loaded_)
        QApplication::restoreOverrideCursor();
    // The player panel and the lyrics window refer to the player and the open
    // flag, which go before the base class deletes its children.
    delete info_;
    delete lyrics_.data();
    player_.Stop_Player();
}

void frmTags::afterLoadWait() {
    loaded_ = true;
    if (!host_.openAtStart.empty()) {
        OpenFile(host_.openAtStart);
    } else {
        OpenConvertedSong();
    }
}

void frmTags::OpenConvertedSong() {
    if (!ConvertedSongWaiting(host_.appFolder) || !LeaveFile())
        return;
    openedFromConverter_ = true;
    Mp3Liric();
}

void frmTags::buildUi() {
    auto action = [this](const char *name, const QString &caption) {
        QAction *a = menuBar()->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    btnParcourSon = action("btnParcourSon", "&Open Mp3 Audio File");
    btnParcourTxt = action("btnParcourTxt", "&Load Text");
    Save_Lrc = action("Save_Lrc", "Save Lyrics");
    cmdOK = action("cmdOK", "&Exit");
    btnParcourTxt->setEnabled(false);
    Save_Lrc->setEnabled(false);
    connect(btnParcourSon, &QAction::triggered, this, &frmTags::btnParcourSon_Click);
    connect(btnParcourTxt, &QAction::triggered, this, &frmTags::btnParcourTxt_Click);
    connect(Save_Lrc, &QAction::triggered, this, &frmTags::Save_Lrc_Click);
    connect(cmdOK, &QAction::triggered, this, &frmTags::cmdOK_Click);

    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    setCentralWidget(central);

    TabStrip = new QTabWidget(central);
    TabStrip->setObjectName("TabStrip");
    outer->addWidget(TabStrip, 1);
    pictab_0 = new QWidget;
    pictab_0->setObjectName("pictab_0");
    pictab_1 = new QWidget;
    pictab_1->setObjectName("pictab_1");
    TabStrip->addTab(pictab_0, "ID3 Tag && Lyrics");
    TabStrip->addTab(pictab_1, "Files");

    // --- Page 1: tag boxes on the left, lyrics on the right, MPEG info and
    // player across the foot, so that the page fits a screen 600 pixels high.
    auto *page = new QVBoxLayout(pictab_0);
    auto *top = new QHBoxLayout;
    page->addLayout(top, 1);
    auto *left = new QVBoxLayout;
    top->addLayout(left, 2);
    fields_ = new TagFieldsPanel(pictab_0);
    fields_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred); // two fifths of the width
    connect(fields_, &TagFieldsPanel::edited, this, &frmTags::edited);
    connect(fields_, &TagFieldsPanel::applyChanged, this, [this](bool any) { cmdApply->setEnabled(any); });
    left->addWidget(fields_);
    // The ID3v2 choice is the user's from one session to the next.
    fields_->setId3v2Lyrics(core::Preferences::load(prefsPath()).get(kId3v2LyricsKey, "1") != "0");
    connect(fields_, &TagFieldsPanel::id3v2LyricsChosen, this, [this](bool on) {
        core::Preferences p = core::Preferences::load(prefsPath());
        p.set(kId3v2LyricsKey, on ? "1" : "0");
        if (const std::string failed = p.save(prefsPath()); !failed.empty())
            lblfile->setText(q("Preferences not saved: " + failed));
    });
    Mp3PlayHost play;
    play.file = [this] { return fileName_; };
    play.starting = [this] {
        // A resume finds the window still open, or builds it again after its close box.
        const bool shown = lyrics_ && lyricsWindowOpen_ && player_.State() == playback::PlayState::Paused;
        lyricsWindowOpen_ = true;
        if (shown)
            lyrics_->show();
        else
            Load_File_Tags();
    };
    play.failed = [this](const std::string &why) { lblfile->setText(q(fileName_ + ": " + why)); };
    play.stopped = [this] {
        lyricBox_->clearEntries();
        if (lyrics_)
            lyrics_->LyricsRef()->clear();
        closeLyricsWindow();
    };
    play.pressed = [this] { lyricBox_->focusLyrics(); };
    info_ = new Mp3InfoPanel(std::move(play), player_, pictab_0);
    left->addStretch(1);
    lyricBox_ = new LyricStampPanel(player_, pictab_0);
    connect(lyricBox_, &LyricStampPanel::edited, this, &frmTags::edited);
    top->addWidget(lyricBox_, 3);
    page->addWidget(info_);

    // --- Page 2: the pending-edit list.
    auto *filesLayout = new QVBoxLayout(pictab_1);
    listRef = new QTreeWidget(pictab_1);
    listRef->setObjectName("listRef");
    listRef->setRootIsDecorated(false);
    listRef->setHeaderLabels({"FILE", "TITLE", "ARTIST", "ALBUM", "YEAR", "GENRE", "LYRICS", "COMMENT"});
    filesLayout->addWidget(listRef);

    // --- Below the pages: file label, progress, Save and Cancel.
    auto *bottom = new QHBoxLayout;
    lblfile = new QLabel(kNoFile, central);
    lblfile->setObjectName("lblfile");
    lblfile->setToolTip("File");
    lblfile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pbprogress = new QProgressBar(central);
    pbprogress->setObjectName("pbprogress");
    pbprogress->setRange(0, 1);
    pbprogress->setMaximumWidth(160);
    pbprogress->hide();
    cmdApply = new QPushButton("Save", central);
    cmdApply->setObjectName("cmdApply");
    cmdApply->setEnabled(false);
    cmdCancel = new QPushButton("Cancel", central);
    cmdCancel->setObjectName("cmdCancel");
    connect(cmdApply, &QPushButton::clicked, this, &frmTags::cmdApply_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmTags::cmdCancel_Click);
    bottom->addWidget(lblfile, 1);
    bottom->addWidget(pbprogress);
    bottom->addWidget(cmdApply);
    bottom->addWidget(cmdCancel);
    outer->addLayout(bottom);
}

void frmTags::fitScreen() {
    // The whole window fits a 1024x600 screen; on a smaller one its content
    // scrolls instead of growing past the screen.
    QWidget *content = takeCentralWidget();
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName("editorScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    setCentralWidget(scroll);
    QSize size(940, 620);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        size = size.boundedTo(avail.size());
        resize(size);
        QRect frame(QPoint(), size);
        frame.moveCenter(avail.center());
        move(std::max(frame.left(), avail.left()), std::max(frame.top(), avail.top()));
    } else {
        resize(size);
    }
}

// ------------------------------------------------------------------ menu

void frmTags::btnParcourSon_Click() {
    dialogs::FileRequest req;
    req.flags = dialogs::kOverwritePrompt;
    req.filter = "MP3 Audio (*.mp3)|*.MP3|Wave Files (*.wav)|*.WAV|WMA Files (*.wma)|*.WMA";
    const dialogs::FileResult chosen = dialogs::Dialogs::current().showOpen(this, req);
    if (chosen.error != 0 || chosen.path.empty())
        return; // a cancelled chooser leaves the editor as it was
    OpenFile(chosen.path);
}

void frmTags::OpenFile(const std::string &path) {
    if (const std::string why = NotMpegAudio(path); !why.empty()) {
        dialogs::Dialogs::current().msgBox(this, path + ": " + why, dialogs::Critical, kEditorTitle);
        return;
    }
    if (!LeaveFile())
        return;
    closeLyricsWindow();
    module_->HasLyricsMarker = false;
    lrcLoaded_ = false;
    Save_Lrc->setEnabled(false);
    fileName_ = path;
    loadFile(path);
}

void frmTags::Mp3Liric() {
    lrcLoaded_ = false;
    module_->HasLyricsMarker = false;
    closeLyricsWindow();
    Save_Lrc->setEnabled(false);
    fileName_ = WorkFile(host_.appFolder, kSyncroMp3);
    std::string label = fileName_;
    if (openedFromConverter_) {
        // Once: the user sees where the finished song will go.
        label = host_.outputFile ? host_.outputFile() : std::string();
        openedFromConverter_ = false;
    }
    loadFile(label);
    const std::string lrc = WorkFile(host_.appFolder, kSyncroLrc);
    if (blank(lyricText()) && nonEmptyFile(lrc)) {
        // The converter's lyrics, whatever the case of the name beside the MP3.
        lrcLoaded_ = true;
        lyricFile_ = lrc;
        setLyricText("");
        Chargement_Paroles();
    }
}

void frmTags::loadFile(const std::string &labelText) {
    btnParcourTxt->setEnabled(true);
    pending_.AddRow(fileName_);
    showPendingRow();
    info_->fileLoaded();
    if (player_.State() != playback::PlayState::Stopped)
        player_.Stop_Player();
    lyricBox_->resetUndo();
    EnableEditing(false);
    cmdApply->setEnabled(false);
    EnableEditing(true);

    const Mp3Info info = module_->GetMp3Info(fileName_);
    fields_->show(info);
    info_->showInfo(info);
    if (module_->HasLyricsMarker)
        Save_Lrc->setEnabled(true);
    setLyricText(info.Lyrics);
    if (blank(lyricText()) && !module_->LyricsTagFound) {
        // Lyrics other players wrote into the ID3v2 tag; followed on Play like a lyric file.
        setLyricText(LyricBoxFromId3v2(fileName_));
        lrcLoaded_ = !blank(lyricText());
    }
    lblfile->setText(q(labelText));
    if (!module_->OpenError().empty())
        lblfile->setText(q(fileName_ + ": " + module_->OpenError()));

    if (blank(lyricText())) {
        // The lyric file of the same name, "lrc" or "LRC" (file names here are case-sensitive).
        std::string lrc = LrcPathFor(fileName_);
        if (!nonEmptyFile(lrc))
            lrc = lrc.substr(0, lrc.size() - 3) + "LRC";
        if (nonEmptyFile(lrc)) {
            lrcLoaded_ = true;
            lyricFile_ = lrc;
            Chargement_Paroles();
        }
    }
}

void frmTags::btnParcourTxt_Click() {
    dialogs::FileRequest req;
    req.flags = dialogs::kOverwritePrompt;
    req.filter = "Text (*.txt)|*.TXT|Lyrics (*.lrc)|*.LRC";
    const dialogs::FileResult chosen = dialogs::Dialogs::current().showOpen(this, req);
    if (chosen.error != 0 || chosen.path.empty())
        return;
    setLyricText("");
    lyricFile_ = chosen.path;
    Chargement_Paroles();
    // New lyrics are an edit like any typed one: Save writes them.
    edited();
}

bool frmTags::Chargement_Paroles() {
    const tags::LyricFile file = tags::Chargement_Paroles(lyricFile_);
    if (!file.ok) {
        lblfile->setText(q(lyricFile_ + ": " + file.error));
        return false;
    }
    lyricLines_ = file.lines;
    setLyricText(WithCrLf(lyricText()) + file.boxText);
    return true;
}

void frmTags::Save_Lrc_Click() {
    dialogs::FileRequest req;
    req.filter = "File Syncro (Lrc File (*.lrc)|*.lrc";
    req.title = "Save Lrc File";
    const dialogs::FileResult chosen = dialogs::Dialogs::current().showSave(this, req);
    if (chosen.error != 0 || chosen.path.empty())
        return;
    const std::string err = core::writeWholeFile(chosen.path, WithCrLf(lyricText()));
    if (!err.empty())
        lblfile->setText(q(err));
}

// ------------------------------------------------------------------ editing

void frmTags::EnableEditing(bool flag) {
    lblfile->clear();
    setLyricText("");
    info_->clearInfo();
    fields_->enableEditing(flag);
    info_->enablePlayer(flag);
}

EditorFields frmTags::fields() const {
    EditorFields f = fields_->fields();
    f.lyrics = WithCrLf(lyricText());
    return f;
}

const UndoStack &frmTags::undo() const { return lyricBox_->undo(); }
int frmTags::lyricIndex() const { return lyricBox_->lyricIndex(); }

void frmTags::StorePendingEdits() {
    if (fileName_.empty())
        return;
    pending_.Store(fileName_, fields());
    showPendingRow();
}

void frmTags::showPendingRow() {
    for (const PendingRow &row : pending_.rows()) {
        const QList<QTreeWidgetItem *> found = listRef->findItems(q(row.key), Qt::MatchExactly, 0);
        QTreeWidgetItem *item = found.isEmpty() ? new QTreeWidgetItem(listRef, {q(row.key)}) : found.first();
        for (int c = 1; c < 8; ++c)
            item->setText(c, q(row.sub[static_cast<std::size_t>(c)]));
    }
}

void frmTags::edited() {
    StorePendingEdits();
    if (!cmdApply->isEnabled())
        cmdApply->setEnabled(true);
}

std::string frmTags::prefsPath() const { return WorkFile(host_.appFolder, core::Preferences::kFileName); }

std::string frmTags::lyricText() const { return lyricBox_->lyricText(); }

void frmTags::setLyricText(const std::string &text) { lyricBox_->setLyricText(text); }

// ------------------------------------------------------------------ lyrics window

void frmTags::Load_File_Tags() {
    if (!lyrics_) {
        playback::LyricsWindowLoad load;
        load.hasLyricsMarker = module_->HasLyricsMarker;
        load.title = fields_->title();
        load.artist = fields_->artist();
        load.album = fields_->album();
        lyrics_ = new playback::frmLyrics(load, lyricsWindowOpen_, this);
    }
    lyrics_->show();
    const Mp3Info info = module_->GetMp3Info(fileName_);
    bool present = !blank(info.Lyrics);
    if (lrcLoaded_) {
        module_->LyricsTagFound = true;
        present = true;
    }
    if (module_->LyricsTagFound && present)
        lyricBox_->Show_Lyrics(lyrics_, lyricsWindowOpen_);
}

void frmTags::closeLyricsWindow() {
    if (lyrics_) {
        lyrics_->close();
        lyrics_ = nullptr;
    }
    lyricsWindowOpen_ = false;
}

// ------------------------------------------------------------------ save and leave

void frmTags::cmdApply_Click() {
    if (player_.State() == playback::PlayState::Playing) {
        dialogs::Dialogs::current().msgBox(this, "Stop Music", dialogs::Critical, "");
        return;
    }
    if (fileName_.empty())
        return;
    if (!fields_->hasTitle()) {
        dialogs::Dialogs::current().msgBox(this, "Insert Title", dialogs::Critical, "");
        return;
    }
    btnParcourTxt->setEnabled(false);
    cmdApply->setEnabled(false);
    Save_Lrc->setEnabled(true);
    SaveTags();
}

void frmTags::SaveTags() {
    SaveRequest req;
    req.fileName = fileName_;
    for (int k = 0; k < 4; ++k)
        req.apply[static_cast<std::size_t>(k)] = fields_->applies(k);
    pbprogress->setValue(0);
    pbprogress->show();
    lblfile->setText(q("Updating file: " + fileName_));
    req.fields = fields();
    if (const PendingRow *row = pending_.Row(fileName_))
        req.pending = *row;
    req.appFolder = host_.appFolder;
    req.id3v2Lyrics = fields_->id3v2Lyrics();
    req.outputFile = host_.outputFile ? host_.outputFile() : std::string();
    req.releaseFile = [this] { info_->ReleaseFile(fileName_); };
    req.resumeFile = [this] { info_->ResumeFile(fileName_); };

    lastSave_ = tags::SaveTags(*module_, req);
    if (lastSave_.written) {
        pending_.ClearRow(fileName_);
        showPendingRow();
    } else {
        cmdApply->setEnabled(true); // the edits are still to be saved
    }
    pbprogress->setValue(1);
    pbprogress->hide();
    std::string label = fileName_;
    if (!lastSave_.failures.empty()) {
        label = "Not saved: " + fileName_;
        if (lastSave_.written)
            label = "Saved " + fileName_ + ", but";
        for (const std::string &f : lastSave_.failures)
            label += " - " + f;
    } else if (!lastSave_.notes.empty()) {
        label += " - " + lastSave_.notes;
    }
    lblfile->setText(q(label));
    // "Fatto!" only when everything was done; otherwise the box says what was not.
    if (lastSave_.failures.empty())
        dialogs::Dialogs::current().msgBox(this, "Fatto!", dialogs::OkOnly, "Lirovox");
    else
        dialogs::Dialogs::current().msgBox(this, label, lastSave_.written ? dialogs::Exclamation : dialogs::Critical,
                                           "Lirovox");
}

bool frmTags::LeaveFile() {
    if (fileName_.empty() || !pending_.Unsaved(fileName_))
        return true;
    const int answer =
        dialogs::Dialogs::current().msgBox(this, "The changes to " + fileName_ + " are not saved.\nSave them?",
                                           dialogs::YesNoCancel | dialogs::Exclamation, kEditorTitle);
    if (answer == dialogs::No) {
        pending_.ClearRow(fileName_);
        showPendingRow();
        cmdApply->setEnabled(false);
        return true;
    }
    if (answer == dialogs::Yes)
        cmdApply_Click();
    return !pending_.Unsaved(fileName_);
}

void frmTags::cmdOK_Click() {
    if (pending_.Unsaved(fileName_)) {
        if (!LeaveFile())
            return;
    } else if (cmdApply->isEnabled()) {
        const int answer =
            dialogs::Dialogs::current().msgBox(this, "Exit ?", dialogs::YesNo | dialogs::Information, kEditorTitle);
        if (answer != dialogs::Yes)
            return;
    }
    cmdOK->setEnabled(false);
    if (host_.exited)
        host_.exited();
    setLyricText("");
    DeleteWorkFiles(host_.appFolder);
    unload();
}

void frmTags::cmdCancel_Click() {
    if (LeaveFile())
        unload();
}

void frmTags::unload() {
    closing_ = true;
    setLyricText("");
    closeLyricsWindow();
    player_.Stop_Player();
    close();
}

void frmTags::closeEvent(QCloseEvent *event) {
    // The window's own close box is refused: the user leaves by Exit or Cancel.
    if (!closing_) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

frmTags *ShowTagEditorAfterConversion(QWidget *parent, TagEditorHost host) {
    host.openAtStart.clear();
    auto *w = new frmTags(std::move(host), parent);
    w->show();
    return w;
}

} // namespace cantora::tags

#include "tags/ui/frmtags.h"

#include "app/dialogs/dialogs.h"
#include "core/byteio.h"
#include "core/samefile.h"
#include "playback/mediagraph.h"
#include "playback/playbackoutput.h"
#include "playback/ui/frmlyrics.h"
#include "playback/ui/transportbinding.h"
#include "tags/genres.h"
#include "tags/mp3info.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace cantora::tags {

namespace {

QString q(const std::string &s) { return QString::fromStdString(s); }
std::string s(const QString &t) { return t.toStdString(); }

// The key code of a released key as the change tracking counts it (the
// arrows, Enter and the modifiers carry the codes it ignores).
int keyCode(const QKeyEvent *e) {
    switch (e->key()) {
    case Qt::Key_Right: return 39;
    case Qt::Key_Control: return 17;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Down: return 40;
    default: return e->key() & 0xFFFF;
    }
}

// Byte offset in the UTF-8 form of `text` of character position `pos`, and back.
std::size_t byteOffset(const QString &text, int pos) {
    return static_cast<std::size_t>(text.left(pos).toUtf8().size());
}
int charOffset(const std::string &utf8, std::size_t bytes) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(std::min(bytes, utf8.size()))).size();
}

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
    undo_.Reset();
    buildUi();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    player_.LyricsFollowing = [this] { return module_->LyricsTagFound && lyricsWindowOpen_; };
    player_.FollowLyrics = [this] { FollowLyrics(); };

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
    // The binding and the lyrics window refer to the player and the open
    // flag, which go before the base class deletes its children.
    delete binding_;
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
    if (!ConvertedSongWaiting(host_.appFolder))
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

    // --- Page 1: tag boxes, MPEG info and player on the left, lyrics on the right.
    auto *page = new QHBoxLayout(pictab_0);
    auto *left = new QVBoxLayout;
    page->addLayout(left, 0);

    fraID3v1 = new QGroupBox("ID3v1", pictab_0);
    fraID3v1->setObjectName("fraID3v1");
    auto *grid = new QGridLayout(fraID3v1);
    auto box = [this](const char *name, int maxLength) {
        auto *e = new QLineEdit(fraID3v1);
        e->setObjectName(name);
        e->setMaxLength(maxLength);
        e->installEventFilter(this);
        return e;
    };
    txtTitle = box("txtTitle", 30);
    txtArtist = box("txtArtist", 30);
    txtAlbum = box("txtAlbum", 30);
    txtYear = box("txtYear", 4);
    Txtcomment = box("Txtcomment", 30);
    cboGenre = new QComboBox(fraID3v1);
    cboGenre->setObjectName("cboGenre");
    for (std::string_view g : GenreList())
        cboGenre->addItem(g.size() == 1 && g[0] == '\0' ? QString() : QString::fromLatin1(g.data(), g.size()));
    cboGenre->setMaxVisibleItems(20);
    for (int k = 0; k < 4; ++k) {
        chkTags[k] = new QCheckBox(fraID3v1);
        chkTags[k]->setObjectName(QString("chkTags_%1").arg(k));
        chkTags[k]->setToolTip("Apply to the file on Save");
        connect(chkTags[k], &QCheckBox::toggled, this, [this, k](bool on) { applyBoxToggled(k, on); });
    }
    const struct {
        const char *caption;
        QWidget *field;
        QCheckBox *apply;
    } rows[] = {{"Title:", txtTitle, nullptr},  {"Artist:", txtArtist, chkTags[0]}, {"Album:", txtAlbum, chkTags[1]},
                {"Year:", txtYear, chkTags[2]}, {"Comment:", Txtcomment, nullptr},  {"Genre:", cboGenre, chkTags[3]}};
    int r = 0;
    for (const auto &row : rows) {
        // The caption names its field for screen readers.
        auto *caption = new QLabel(row.caption, fraID3v1);
        caption->setBuddy(row.field);
        grid->addWidget(caption, r, 0);
        grid->addWidget(row.field, r, 1);
        if (row.apply) {
            row.apply->setAccessibleName(QString("Apply %1").arg(QString(row.caption).chopped(1)));
            grid->addWidget(row.apply, r, 2);
        }
        ++r;
    }
    connect(cboGenre, &QComboBox::activated, this, [this](int) {
        if (cboGenre->currentText() != genreRemembered_) {
            StorePendingEdits();
            if (!cmdApply->isEnabled())
                cmdApply->setEnabled(true);
        }
        genreRemembered_ = cboGenre->currentText();
    });
    left->addWidget(fraID3v1);

    fraMPEGInfo = new QGroupBox("MPEG Info", pictab_0);
    fraMPEGInfo->setObjectName("fraMPEGInfo");
    auto *infoLayout = new QVBoxLayout(fraMPEGInfo);
    lblMPEGInfo = new QLabel(fraMPEGInfo);
    lblMPEGInfo->setObjectName("lblMPEGInfo");
    lblMPEGInfo->setMinimumHeight(lblMPEGInfo->fontMetrics().lineSpacing() * 7);
    lblMPEGInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    infoLayout->addWidget(lblMPEGInfo);
    left->addWidget(fraMPEGInfo);

    // The player page.
    picPlayer = new QWidget(pictab_0);
    picPlayer->setObjectName("picPlayer");
    auto *playerLayout = new QGridLayout(picPlayer);
    const char *captions[5] = {"<< 5s", "Play", "Pause", "Stop", "5s >>"};
    auto *buttons = new QHBoxLayout;
    for (int i = 0; i < 5; ++i) {
        cmdPlayer[i] = new QPushButton(captions[i], picPlayer);
        cmdPlayer[i]->setObjectName(QString("cmdPlayer_%1").arg(i));
        connect(cmdPlayer[i], &QPushButton::clicked, this, [this, i] { cmdPlayer_Click(i); });
        buttons->addWidget(cmdPlayer[i]);
    }
    cmdPlayer[1]->setEnabled(false);
    playerLayout->addLayout(buttons, 0, 0, 1, 3);
    lblTiempoT = new QLabel("00:00", picPlayer);
    lblTiempoT->setObjectName("lblTiempoT");
    lblDuracion = new QLabel("00:00", picPlayer);
    lblDuracion->setObjectName("lblDuracion");
    picRep = new QWidget(picPlayer);
    picRep->setObjectName("picRep");
    auto *repLayout = new QHBoxLayout(picRep);
    repLayout->setContentsMargins(0, 0, 0, 0);
    picSliderRep = new playback::KnobStrip(playback::KnobStrip::Axis::Horizontal, playback::Mp3Player::kKnobMaxLeft,
                                           "imgNormal_15", picRep);
    picSliderRep->setObjectName("picSliderRep");
    repLayout->addWidget(picSliderRep);
    playerLayout->addWidget(lblTiempoT, 1, 0);
    playerLayout->addWidget(picRep, 1, 1);
    playerLayout->addWidget(lblDuracion, 1, 2);
    lblvol = new QLabel("Volume", picPlayer);
    lblvol->setObjectName("lblvol");
    picSliderVol = new playback::KnobStrip(playback::KnobStrip::Axis::Vertical, playback::Mp3Player::kVolumeMaxTop,
                                           "imgNormal_16", picPlayer);
    picSliderVol->setObjectName("picSliderVol");
    playerLayout->addWidget(lblvol, 0, 3);
    playerLayout->addWidget(picSliderVol, 1, 3, 2, 1);
    left->addWidget(picPlayer);
    left->addStretch(1);
    // The strips show their track, so the knobs read as sliders.
    for (QWidget *strip : {static_cast<QWidget *>(picSliderRep), static_cast<QWidget *>(picSliderVol)}) {
        QPalette p = strip->palette();
        p.setColor(QPalette::Window, p.color(QPalette::Mid));
        strip->setPalette(p);
        strip->setAutoFillBackground(true);
    }
    binding_ = new playback::TransportBinding(player_, picSliderRep, picSliderVol, lblTiempoT, lblDuracion, this);

    auto *right = new QVBoxLayout;
    page->addLayout(right, 1);
    txtLyrics = new QPlainTextEdit(pictab_0);
    txtLyrics->setObjectName("txtLyrics");
    txtLyrics->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtLyrics->installEventFilter(this);
    right->addWidget(txtLyrics, 1);
    auto *stampRow = new QHBoxLayout;
    cmdAdd = new QPushButton("Add", pictab_0);
    cmdAdd->setObjectName("cmdAdd");
    cmdUndo = new QPushButton("Undo", pictab_0);
    cmdUndo->setObjectName("cmdUndo");
    cmdUndo->setEnabled(false);
    connect(cmdAdd, &QPushButton::clicked, this, &frmTags::cmdAdd_Click);
    connect(cmdUndo, &QPushButton::clicked, this, &frmTags::cmdUndo_Click);
    stampRow->addWidget(cmdAdd);
    stampRow->addWidget(cmdUndo);
    stampRow->addStretch(1);
    right->addLayout(stampRow);
    LyricsRef = new QListWidget(pictab_0);
    LyricsRef->setObjectName("LyricsRef");
    LyricsRef->setMaximumHeight(90);
    right->addWidget(LyricsRef);

    // --- Page 2: the pending-edit list.
    auto *filesLayout = new QVBoxLayout(pictab_1);
    listRef = new QTreeWidget(pictab_1);
    listRef->setObjectName("listRef");
    listRef->setRootIsDecorated(false);
    listRef->setHeaderLabels({"FILE", "TITLE", "ARTIST", "ALBUM", "YEAR", "GENRE", "LYRICS", "COMMENT"});
    filesLayout->addWidget(listRef);

    // --- Below the pages: file label, progress, Save and Cancel.
    auto *bottom = new QHBoxLayout;
    lblfile = new QLabel(central);
    lblfile->setObjectName("lblfile");
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

    resize(940, 620);
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
    cmdPlayer[1]->setEnabled(true);
    if (player_.State() != playback::PlayState::Stopped)
        player_.Stop_Player();
    undo_.Reset();
    cmdUndo->setEnabled(false);
    EnableEditing(false);
    cmdApply->setEnabled(false);
    EnableEditing(true);

    const Mp3Info info = module_->GetMp3Info(fileName_);
    fieldsFromInfo(info);
    if (module_->HasLyricsMarker)
        Save_Lrc->setEnabled(true);
    setLyricText(info.Lyrics);
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

void frmTags::fieldsFromInfo(const Mp3Info &info) {
    txtTitle->setText(q(info.Title));
    txtAlbum->setText(q(info.Album));
    txtArtist->setText(q(info.Artist));
    txtYear->setText(q(info.Year));
    Txtcomment->setText(q(info.Comment));
    cboGenre->setCurrentIndex(0);
    if (!info.Genre.empty()) {
        char *end = nullptr;
        const long g = std::strtol(info.Genre.c_str(), &end, 10);
        // Bytes the list cannot show leave the empty entry.
        if (end && *end == '\0' && g >= 0 && g < cboGenre->count())
            cboGenre->setCurrentIndex(static_cast<int>(g));
    }
    genreRemembered_ = cboGenre->currentText();
    lblMPEGInfo->setText(q(WithLf(FormatInfoPanel(info))));
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
    lblMPEGInfo->clear();
    for (QCheckBox *c : chkTags) {
        const QSignalBlocker block(c);
        c->setChecked(false);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{txtTitle, txtArtist, txtAlbum, txtYear, Txtcomment, cboGenre,
                                                       chkTags[0], chkTags[1], chkTags[2], chkTags[3], picPlayer})
        w->setEnabled(flag);
}

EditorFields frmTags::fields() const {
    return EditorFields{s(txtTitle->text()),   s(txtArtist->text()),     s(txtAlbum->text()),  s(txtYear->text()),
                        s(Txtcomment->text()), cboGenre->currentIndex(), WithCrLf(lyricText())};
}

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

void frmTags::applyBoxToggled(int k, bool on) {
    QWidget *governed[4] = {txtArtist, txtAlbum, txtYear, cboGenre};
    governed[k]->setEnabled(on);
    bool any = false;
    for (QCheckBox *c : chkTags)
        any = any || c->isChecked();
    cmdApply->setEnabled(any);
}

bool frmTags::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyRelease) {
        const bool tracked = watched == txtTitle || watched == txtArtist || watched == txtAlbum || watched == txtYear ||
                             watched == Txtcomment || watched == txtLyrics;
        if (tracked && IsEditKey(keyCode(static_cast<QKeyEvent *>(event))))
            edited();
    }
    return QMainWindow::eventFilter(watched, event);
}

std::string frmTags::lyricText() const { return s(txtLyrics->toPlainText()); }

void frmTags::setLyricText(const std::string &text) { txtLyrics->setPlainText(q(WithLf(text))); }

// ------------------------------------------------------------------ stamps

void frmTags::cmdAdd_Click() {
    if (player_.State() == playback::PlayState::Stopped)
        return;
    cmdApply->setEnabled(true);
    const QString before = txtLyrics->toPlainText();
    const std::string text = s(before);
    const Stamped st =
        AddStamp(text, byteOffset(before, txtLyrics->textCursor().position()), player_.CurrentPosition());
    txtLyrics->setPlainText(q(st.text));
    undo_.PushUndo(static_cast<std::int32_t>(st.insertedAt));
    cmdUndo->setEnabled(true);
    QTextCursor c = txtLyrics->textCursor();
    c.setPosition(charOffset(st.text, st.caret));
    txtLyrics->setTextCursor(c);
    if (!txtLyrics->toPlainText().isEmpty())
        txtLyrics->setFocus();
    StorePendingEdits();
}

void frmTags::cmdUndo_Click() {
    if (const std::optional<std::int32_t> pos = undo_.PopUndo()) {
        const QString before = txtLyrics->toPlainText();
        const std::string text = s(before);
        const std::string after = RemoveStamp(text, static_cast<std::size_t>(*pos));
        if (after != text) {
            txtLyrics->setPlainText(q(after));
            QTextCursor c = txtLyrics->textCursor();
            c.setPosition(charOffset(after, static_cast<std::size_t>(*pos)));
            txtLyrics->setTextCursor(c);
        }
    }
    txtLyrics->setFocus();
    if (undo_.Count() == 0)
        cmdUndo->setEnabled(false);
}

// ------------------------------------------------------------------ player

void frmTags::cmdPlayer_Click(int index) {
    switch (index) {
    case 0: player_.Five_Seg_Backward(); break;
    case 1:
        if (player_.State() == playback::PlayState::Paused) {
            player_.Pause_Play();
            break;
        }
        lyricsWindowOpen_ = true;
        Load_File_Tags();
        player_.SetPlayTimer(true);
        player_.Start_Play(fileName_);
        if (player_.Graph())
            player_.Graph()->SetVolume(player_.StoredVolume());
        else if (!player_.LastError().empty())
            lblfile->setText(q(fileName_ + ": " + player_.LastError()));
        break;
    case 2: player_.Pause_Play(); break;
    case 3:
        player_.Stop_Player();
        LyricsRef->clear();
        if (lyrics_)
            lyrics_->LyricsRef()->clear();
        closeLyricsWindow();
        // The player keeps its last knob place; the strip goes back to the start.
        picSliderRep->placeKnob(0);
        txtLyrics->setFocus();
        return;
    case 4: player_.Five_Seg_Forward(); break;
    default: return;
    }
    binding_->refresh();
    txtLyrics->setFocus();
}

void frmTags::Load_File_Tags() {
    if (!lyrics_) {
        playback::LyricsWindowLoad load;
        load.hasLyricsMarker = module_->HasLyricsMarker;
        load.title = txtTitle->text();
        load.artist = txtArtist->text();
        load.album = txtAlbum->text();
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
        Show_Lyrics();
}

void frmTags::Show_Lyrics() {
    const std::vector<std::string> entries = LyricEntries(lyricText());
    if (entries.empty())
        return;
    LyricsRef->clear();
    if (lyrics_)
        lyrics_->LyricsRef()->clear();
    for (const std::string &e : entries) {
        LyricsRef->addItem(q(e));
        if (lyrics_)
            lyrics_->LyricsRef()->addItem(q(e));
    }
    lyricIndex_ = 0;
    if (lyrics_ && lyricsWindowOpen_)
        lyrics_->Order_lblLyrics();
}

void frmTags::FollowLyrics() {
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(LyricsRef->count()));
    for (int i = 0; i < LyricsRef->count(); ++i)
        entries.push_back(s(LyricsRef->item(i)->text()));
    QPointer<playback::frmLyrics> w = lyrics_;
    lyricIndex_ = tags::FollowLyrics(
        player_.lblTiempoT(), entries, lyricIndex_,
        [w] {
            if (w)
                w->Move_Next_Focus_Lyrics();
        },
        [w] {
            if (w)
                w->Move_Previous_Focus_Lyrics();
        });
}

void frmTags::closeLyricsWindow() {
    if (lyrics_) {
        lyrics_->close();
        lyrics_ = nullptr;
    }
    lyricsWindowOpen_ = false;
}

void frmTags::ReleaseFile(const std::string &path) {
    resume_ = Resume{};
    if (player_.State() == playback::PlayState::Stopped || !core::sameFile(player_.PlayingFile(), path))
        return;
    resume_.active = true;
    resume_.paused = player_.State() == playback::PlayState::Paused;
    resume_.position = player_.CurrentPosition();
    player_.Stop_Player();
}

void frmTags::ResumeFile(const std::string &path) {
    if (!resume_.active)
        return;
    resume_.active = false;
    player_.SetPlayTimer(true);
    player_.Start_Play(path);
    if (playback::MediaGraph *g = player_.Graph()) {
        g->SetVolume(player_.StoredVolume());
        g->SetCurrentPosition(resume_.position);
        if (resume_.paused)
            player_.Pause_Play();
    }
}

// ------------------------------------------------------------------ save and leave

void frmTags::cmdApply_Click() {
    if (player_.State() == playback::PlayState::Playing) {
        dialogs::Dialogs::current().msgBox(this, "Stop Music", dialogs::Critical, "");
        return;
    }
    if (fileName_.empty())
        return;
    if (txtTitle->text().isEmpty()) {
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
        req.apply[static_cast<std::size_t>(k)] = chkTags[k]->isChecked();
    pbprogress->setValue(0);
    pbprogress->show();
    QCoreApplication::processEvents();
    lblfile->setText(q("Updating file: " + fileName_));
    req.fields = fields();
    if (const PendingRow *row = pending_.Row(fileName_))
        req.pending = *row;
    req.appFolder = host_.appFolder;
    req.outputFile = host_.outputFile ? host_.outputFile() : std::string();
    req.releaseFile = [this] { ReleaseFile(fileName_); };
    req.resumeFile = [this] { ResumeFile(fileName_); };

    lastSave_ = tags::SaveTags(*module_, req);
    if (req.pending && !TrimSpaces(req.pending->sub[1]).empty()) {
        StorePendingEdits();
        pending_.ClearRow(fileName_);
        showPendingRow();
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
    dialogs::Dialogs::current().msgBox(this, "Fatto!", dialogs::OkOnly, "Lirovox");
}

void frmTags::cmdOK_Click() {
    if (cmdApply->isEnabled()) {
        const int answer = dialogs::Dialogs::current().msgBox(this, "Exit ?", dialogs::YesNo | dialogs::Information,
                                                              "Orvane Mp3Tag Editor");
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

void frmTags::cmdCancel_Click() { unload(); }

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

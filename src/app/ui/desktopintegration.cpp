#include "app/ui/desktopintegration.h"

#include "app/ui/frmMidiTest.h"
#include "core/apppaths.h"
#include "core/preferences.h"
#include "core/recentsongs.h"
#include "player/ui/positionslider.h"
#include "player/ui/transportpanel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QTextEdit>
#include <QUrl>

#include <algorithm>

namespace cantora::app {

namespace {

QString q(const std::string &s) { return QString::fromStdString(s); }

std::string prefsPath() { return core::appFile(core::Preferences::kFileName); }

const char *folderKey(DesktopIntegration::Folder kind) {
    switch (kind) {
    case DesktopIntegration::Folder::Song: return "folder.songs";
    case DesktopIntegration::Folder::SoundFont: return "folder.soundfonts";
    case DesktopIntegration::Folder::Save: return "folder.save";
    }
    return "folder.songs";
}

constexpr const char *kGeometryKey = "window.geometry";
constexpr int kSeekStep = 5;
// The size the window opens at when nothing was remembered, if the screen allows.
constexpr QSize kPreferredSize(1280, 860); // room for the mixer strips and the effects panel

bool isSong(const QString &path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == "mid" || suffix == "midi" || suffix == "kar";
}

// The first local song among the URLs of a drag, or "".
QString droppedSong(const QMimeData *mime) {
    if (!mime || !mime->hasUrls())
        return {};
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile() && isSong(url.toLocalFile()))
            return url.toLocalFile();
    return {};
}

} // namespace

DesktopIntegration::DesktopIntegration(frmMidiTest &window) : QObject(&window), w_(window) {
    setObjectName("desktopIntegration");
    buildMenus();
    describeButtons();
    fitScreen();
    w_.setAcceptDrops(true);
    w_.installEventFilter(this);
    // The keys a focused control takes before the window's shortcuts.
    qApp->installEventFilter(this);
}

QAction *DesktopIntegration::action(QMenu *menu, const char *name, const QString &text, const QList<QKeySequence> &keys,
                                    std::function<void()> run) {
    QAction *a = menu->addAction(text);
    a->setObjectName(name);
    a->setShortcuts(keys);
    // Window-wide: the keys work wherever the focus is inside the window.
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, std::move(run));
    return a;
}

void DesktopIntegration::buildMenus() {
    QMenuBar *bar = w_.menuBar();
    QAction *first = bar->actions().isEmpty() ? nullptr : bar->actions().first();
    auto *file = new QMenu("&File", bar);
    file->setObjectName("mnuFile");
    bar->insertMenu(first, file);
    auto click = [this](const char *button) {
        return [this, button] {
            if (auto *b = w_.findChild<QAbstractButton *>(button); b && b->isEnabled())
                b->click();
        };
    };
    auto trigger = [this](const char *item) {
        return [this, item] {
            if (auto *a = w_.findChild<QAction *>(item); a && a->isEnabled())
                a->trigger();
        };
    };
    action(file, "actOpen", "&Open song...", {QKeySequence::Open}, click("cmdOpenFP"));
    recent_ = file->addMenu("&Recent songs");
    recent_->setObjectName("mnuRecent");
    connect(recent_, &QMenu::aboutToShow, this, &DesktopIntegration::rebuildRecent);
    file->addSeparator();
    action(file, "actExit", "E&xit", {QKeySequence(Qt::CTRL | Qt::Key_Q)}, trigger("Mnuexit"));

    auto *play = new QMenu("&Play", bar);
    play->setObjectName("mnuPlay");
    bar->insertMenu(w_.findChild<QAction *>("Shelp"), play);
    action(play, "actPlayPause", "&Play / Pause", {Qt::Key_Space}, [this] { playOrPause(); });
    action(play, "actStop", "&Stop", {Qt::Key_S, Qt::Key_Escape}, click("cmdStop"));
    play->addSeparator();
    action(play, "actBack", "&Back 5 s", {Qt::Key_Left}, [this] { seekBy(-kSeekStep); });
    action(play, "actForward", "&Forward 5 s", {Qt::Key_Right}, [this] { seekBy(kSeekStep); });
    play->addSeparator();
    action(play, "actKeyUp", "Key &up", {Qt::Key_Up}, [this] { keyBy(1); });
    action(play, "actKeyDown", "Key &down", {Qt::Key_Down}, [this] { keyBy(-1); });
    tempoUp_ = action(play, "actTempoUp", "Tempo &faster", {Qt::Key_Plus, Qt::Key_Equal}, [this] { tempoBy(1); });
    tempoDown_ = action(play, "actTempoDown", "Tempo &slower", {Qt::Key_Minus}, [this] { tempoBy(-1); });
    tempoUp_->setEnabled(false);
    tempoDown_->setEnabled(false);

    if (auto *help = w_.findChild<QAction *>("Shelp"))
        help->setShortcut(QKeySequence::HelpContents);
    rebuildRecent();
}

void DesktopIntegration::setTempoStep(std::function<void(int)> step) {
    tempoStep_ = std::move(step);
    tempoUp_->setEnabled(bool(tempoStep_));
    tempoDown_->setEnabled(bool(tempoStep_));
}

void DesktopIntegration::describeButtons() {
    // Tooltips name the keys; icon-only buttons also get a name that screen
    // readers speak. The open button has none of its own: its caption (the
    // song's name) is what a screen reader should say.
    const struct {
        const char *name, *accessible, *tip;
    } known[] = {
        {"cmdOpenFP", nullptr, "Open a MIDI or karaoke song (Ctrl+O)"},
        {"CmdPlay", "Play", "Play (Space)"},
        {"Command1", "Pause", "Pause (Space)"},
        {"cmdStop", "Stop", "Stop (S, Esc)"},
        {"cmdsave", "MP3", "Make a karaoke MP3"},
    };
    for (const auto &k : known)
        if (auto *b = w_.findChild<QAbstractButton *>(k.name)) {
            if (k.accessible)
                b->setAccessibleName(k.accessible);
            b->setToolTip(k.tip);
        }
    // Buttons of the panels with an icon and no text: their tooltip is their name.
    for (QAbstractButton *b : w_.findChildren<QAbstractButton *>())
        if (b->text().isEmpty() && b->accessibleName().isEmpty() && !b->toolTip().isEmpty())
            b->setAccessibleName(b->toolTip());

    // Tab order along the transport row, then the position and the side sliders.
    QWidget *chain[] = {w_.findChild<QWidget *>("cmdOpenFP"),  w_.findChild<QWidget *>("CmdPlay"),
                        w_.findChild<QWidget *>("Command1"),   w_.findChild<QWidget *>("cmdStop"),
                        w_.findChild<QWidget *>("btnreplace"), w_.findChild<QWidget *>("btnConvert"),
                        w_.findChild<QWidget *>("cmdsave"),    w_.findChild<QWidget *>("CmdLyric"),
                        w_.findChild<QWidget *>("Mp3K"),       w_.findChild<QWidget *>("sldPosition"),
                        w_.findChild<QWidget *>("Sldtone"),    w_.findChild<QWidget *>("SldVol"),
                        w_.findChild<QWidget *>("CmdReset")};
    QWidget *prev = nullptr;
    for (QWidget *c : chain) {
        if (!c)
            continue;
        if (c->focusPolicy() == Qt::NoFocus)
            c->setFocusPolicy(Qt::StrongFocus);
        if (prev)
            QWidget::setTabOrder(prev, c);
        prev = c;
    }
}

void DesktopIntegration::fitScreen() {
    // Everything fits a 1024x600 screen; on a smaller one the window scrolls
    // instead of growing past it.
    if (QWidget *central = w_.centralWidget(); central && !qobject_cast<QScrollArea *>(central)) {
        w_.takeCentralWidget();
        auto *scroll = new QScrollArea(&w_);
        scroll->setObjectName("centralScroll");
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setWidget(central);
        w_.setCentralWidget(scroll);
    }
    const auto saved = core::Preferences::load(prefsPath()).get(kGeometryKey);
    if (saved && w_.restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(*saved))))
        return;
    QSize size = kPreferredSize;
    if (const QScreen *screen = w_.screen() ? w_.screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    w_.resize(size);
}

void DesktopIntegration::saveGeometry() {
    const std::string geometry = w_.saveGeometry().toBase64().toStdString();
    updatePreferences([&](core::Preferences &p) { p.set(kGeometryKey, geometry); });
}

void DesktopIntegration::updatePreferences(const std::function<void(core::Preferences &)> &change) {
    core::Preferences p = core::Preferences::load(prefsPath());
    change(p);
    if (const std::string failed = p.save(prefsPath()); !failed.empty())
        w_.statusBar()->showMessage(QString("Preferences not saved: %1").arg(q(failed)), 5000);
}

std::string DesktopIntegration::startFolder(Folder kind) const {
    return core::Preferences::load(prefsPath()).get(folderKey(kind), "");
}

void DesktopIntegration::folderUsed(Folder kind, const std::string &path) {
    const std::string folder = core::FolderOf(path);
    if (folder.empty())
        return;
    updatePreferences([&](core::Preferences &p) { p.set(folderKey(kind), folder); });
}

void DesktopIntegration::songOpened(const std::string &path) {
    updatePreferences([&](core::Preferences &p) {
        core::RecentSongs r = core::RecentSongs::from(p);
        r.add(path);
        r.store(p);
        if (const std::string folder = core::FolderOf(path); !folder.empty())
            p.set(folderKey(Folder::Song), folder);
    });
    rebuildRecent();
}

std::vector<std::string> DesktopIntegration::recentSongs() const {
    return core::RecentSongs::from(core::Preferences::load(prefsPath())).paths();
}

void DesktopIntegration::rebuildRecent() {
    core::Preferences p = core::Preferences::load(prefsPath());
    core::RecentSongs r = core::RecentSongs::from(p);
    const std::size_t before = r.paths().size();
    r.dropMissing([](const std::string &path) { return core::FileExists(path); });
    if (r.paths().size() != before)
        updatePreferences([&](core::Preferences &latest) { r.store(latest); });

    recent_->clear();
    const auto *open = w_.findChild<QAbstractButton *>("cmdOpenFP");
    const bool canOpen = open && open->isEnabled();
    int n = 0;
    for (const std::string &path : r.paths()) {
        ++n;
        const QString label = QString("&%1 %2").arg(n % 10).arg(q(core::GetFileName(path)).replace('&', "&&"));
        QAction *a = recent_->addAction(label);
        a->setObjectName(QString("recent_%1").arg(n - 1));
        a->setToolTip(q(path));
        a->setEnabled(canOpen);
        connect(a, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    recent_->setEnabled(n > 0);
}

void DesktopIntegration::openRecent(const std::string &path) {
    if (!core::FileExists(path)) {
        w_.statusBar()->showMessage(QString("%1 is no longer there").arg(q(path)), 5000);
        rebuildRecent();
        return;
    }
    const auto *open = w_.findChild<QAbstractButton *>("cmdOpenFP");
    if (open && open->isEnabled())
        w_.transportPanel()->cmdOpenFP_Click(path);
}

bool DesktopIntegration::openDropped(const std::string &path) {
    const auto *open = w_.findChild<QAbstractButton *>("cmdOpenFP");
    if (!open || !open->isEnabled()) {
        // Open is closed while a song plays: the drop says why nothing happened.
        w_.statusBar()->showMessage("Stop the song before opening another one", 5000);
        return false;
    }
    w_.transportPanel()->cmdOpenFP_Click(path);
    return true;
}

bool DesktopIntegration::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
        w_.isAncestorOf(static_cast<QWidget *>(watched))) {
        // The window-wide arrows yield to a focused slider, list or text box
        // (the position slider and the key slider keep them: they seek and
        // step the key as the window does). Esc on an open instrument list
        // closes the list instead of stopping the song.
        auto *focus = static_cast<QWidget *>(watched);
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
        const bool takesArrows = (qobject_cast<QAbstractSlider *>(focus) &&
                                  !qobject_cast<player::PositionSlider *>(focus) && focus->objectName() != "Sldtone") ||
                                 qobject_cast<QAbstractItemView *>(focus) || qobject_cast<QLineEdit *>(focus) ||
                                 qobject_cast<QAbstractSpinBox *>(focus) || qobject_cast<QPlainTextEdit *>(focus) ||
                                 qobject_cast<QTextEdit *>(focus);
        if (key == Qt::Key_Escape && focus->objectName() == "List3" && focus->isVisible()) {
            focus->hide();
            event->accept();
            return true;
        }
        if (arrow && takesArrows) {
            event->accept();
            return true;
        }
    }
    if (watched == &w_) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto *drag = static_cast<QDragMoveEvent *>(event);
            if (!droppedSong(drag->mimeData()).isEmpty())
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto *drop = static_cast<QDropEvent *>(event);
            const QString song = droppedSong(drop->mimeData());
            if (!song.isEmpty() && openDropped(song.toStdString()))
                drop->acceptProposedAction();
            else
                drop->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void DesktopIntegration::playOrPause() {
    auto *play = w_.findChild<QAbstractButton *>("CmdPlay");
    auto *pause = w_.findChild<QAbstractButton *>("Command1");
    // Playing: Space pauses. Paused, stopped or loaded: it plays.
    const bool playing = w_.transport().activity() == BASS_ACTIVE_PLAYING;
    QAbstractButton *b = playing ? pause : play;
    if (b && b->isEnabled())
        b->click();
}

void DesktopIntegration::seekBy(int seconds) {
    auto *slider = w_.findChild<player::PositionSlider *>("sldPosition");
    auto *stop = w_.findChild<QAbstractButton *>("cmdStop");
    // Only a loaded, started song has a position to move.
    if (!slider || !stop || !stop->isEnabled())
        return;
    w_.transportPanel()->sldPosition_MouseDown();
    slider->setValue(std::clamp(slider->value() + seconds, slider->minimum(), slider->maximum()));
    w_.transportPanel()->sldPosition_MouseUp();
}

void DesktopIntegration::keyBy(int step) {
    if (keyStep_) {
        keyStep_(step);
        return;
    }
    // The key slider carries the key, counted downwards (its value -1 is one
    // semitone up); whoever drives the key listens to it.
    auto *key = w_.findChild<QSlider *>("Sldtone");
    if (key && key->isEnabled())
        key->setValue(key->value() - step);
}

void DesktopIntegration::tempoBy(int step) {
    if (tempoStep_)
        tempoStep_(step);
}

} // namespace cantora::app

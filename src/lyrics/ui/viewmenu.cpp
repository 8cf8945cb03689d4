#include "lyrics/ui/viewmenu.h"

#include "core/apppaths.h"
#include "lyrics/lrcsong.h"
#include "lyrics/positionsmoother.h"
#include "lyrics/ui/lyricpanel.h"

#include <QActionGroup>
#include <QElapsedTimer>
#include <QScreen>

#include <filesystem>

namespace cantora::lyrics {

ViewMenu::ViewMenu(LyricPanel *page, std::function<HSTREAM()> song, std::function<void(const QString &)> report,
                   QWidget *parent)
    : QMenu("&View", parent), page_(page), song_(std::move(song)), report_(std::move(report)) {
    setObjectName("mnuView");
    auto add = [this](QActionGroup *group, const char *name, const QString &text) {
        QAction *a = addAction(text);
        a->setObjectName(name);
        if (group) {
            a->setCheckable(true);
            group->addAction(a);
        }
        return a;
    };
    auto *views = new QActionGroup(this);
    viewClassic_ = add(views, "viewClassic", "Classic page");
    viewSingAlong_ = add(views, "viewSingAlong", "Sing-along");
    addSeparator();
    viewFullScreen_ = add(nullptr, "viewFullScreen", "Full screen lyrics");
    viewFullScreen_->setShortcut(QKeySequence(Qt::Key_F11));
    viewFullScreen_->setShortcutContext(Qt::ApplicationShortcut);
    addSeparator();
    auto *colours = new QActionGroup(this);
    contrast_[0] = add(colours, "contrastNight", "Colours: white on night blue");
    contrast_[1] = add(colours, "contrastDay", "Colours: black on white");
    contrast_[2] = add(colours, "contrastYellow", "Colours: yellow on black");
    viewClassic_->setChecked(true);
    contrast_[0]->setChecked(true);

    connect(viewClassic_, &QAction::triggered, this, [this] { chooseLyricView(LyricView::Classic); });
    connect(viewSingAlong_, &QAction::triggered, this, [this] { chooseLyricView(LyricView::SingAlong); });
    connect(viewFullScreen_, &QAction::triggered, this, &ViewMenu::toggleFullScreenLyrics);
    const LyricContrast kinds[3] = {LyricContrast::Night, LyricContrast::Day, LyricContrast::Yellow};
    for (int i = 0; i < 3; ++i)
        connect(contrast_[i], &QAction::triggered, this, [this, c = kinds[i]] { chooseContrast(c); });

    page_->singAlong()->setPosition(positionSource());
    // A page too long for its room offers the sing-along view.
    connect(page_, &LyricPanel::singAlongWanted, this, [this] { chooseLyricView(LyricView::SingAlong); });
}

ViewMenu::~ViewMenu() {
    // The full-screen lyrics are a window of their own that asks for the position.
    delete fullScreen_.data();
}

SingAlongView::Position ViewMenu::positionSource() {
    // Each view smooths the engine's block-wise position on its own.
    auto smoother = std::make_shared<PositionSmoother>();
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    return [song = song_, smoother, clock] {
        return smoother->at(songClockSeconds(song()), static_cast<double>(clock->nsecsElapsed()) / 1e9);
    };
}

void ViewMenu::loadPrefs() {
    prefs_ = loadViewPrefs(core::appFile(kViewPrefsFile));
    chooseLyricView(prefs_.view);
    chooseContrast(prefs_.contrast);
}

void ViewMenu::savePrefs() {
    if (!saveViewPrefs(core::appFile(kViewPrefsFile), prefs_))
        report_("The view preferences could not be saved in the application folder.");
}

void ViewMenu::chooseLyricView(LyricView view) {
    (view == LyricView::SingAlong ? viewSingAlong_ : viewClassic_)->setChecked(true);
    page_->setView(view);
    if (prefs_.view != view) {
        prefs_.view = view;
        savePrefs();
    }
}

void ViewMenu::chooseContrast(LyricContrast contrast) {
    contrast_[static_cast<int>(contrast)]->setChecked(true);
    page_->singAlong()->setContrast(contrast);
    if (fullScreen_)
        fullScreen_->setContrast(contrast);
    if (prefs_.contrast != contrast) {
        prefs_.contrast = contrast;
        savePrefs();
    }
}

void ViewMenu::toggleFullScreenLyrics() {
    if (fullScreen_) {
        fullScreen_->close();
        return;
    }
    auto *view = new SingAlongView(nullptr);
    view->setObjectName("lyricsFullScreen");
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setWindowTitle("Cantora lyrics");
    view->setTimeline(timeline_, timelineTitle_);
    view->setContrast(prefs_.contrast);
    view->setPosition(positionSource());
    view->addAction(viewFullScreen_);
    connect(view, &SingAlongView::escapePressed, view, &QWidget::close);
    fullScreen_ = view;
    // The whole screen the player window is on, also where no window manager applies the state.
    view->setGeometry(parentWidget()->screen()->geometry());
    view->showFullScreen();
    view->activateWindow();
}

void ViewMenu::buildTimeline(const std::string &path) {
    LrcSong song;
    timelineTitle_ = std::filesystem::path(path).stem().string();
    if (readLrcSong(path, song) == LrcSongError::None)
        timeline_ = std::make_shared<LyricTimeline>(song.marks, song.atTTexts);
    else
        timeline_ = std::make_shared<LyricTimeline>();
    page_->singAlong()->setTimeline(timeline_, timelineTitle_);
    if (fullScreen_)
        fullScreen_->setTimeline(timeline_, timelineTitle_);
}

} // namespace cantora::lyrics

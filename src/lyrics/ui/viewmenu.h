#pragma once
// The player window's View menu: the classic page or the sing-along view,
// the full-screen lyrics (F11) and the sing-along colours, remembered in
// cantora.ini; it holds the sing-along timeline of the song opened last.
//
// Threading: UI thread only.

#include "audio/bass.h"
#include "lyrics/lyrictimeline.h"
#include "lyrics/ui/singalongview.h"
#include "lyrics/viewprefs.h"

#include <QMenu>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

namespace cantora::lyrics {

class LyricPanel;

class ViewMenu : public QMenu {
    Q_OBJECT
public:
    // `song` gives the stream the views follow; `report` tells the user what could not be saved.
    ViewMenu(LyricPanel *page, std::function<HSTREAM()> song, std::function<void(const QString &)> report,
             QWidget *parent);
    ~ViewMenu() override;

    // Reads the remembered choices and applies them.
    void loadPrefs();
    // The classic page or the sing-along view (remembered in cantora.ini).
    void chooseLyricView(LyricView view);
    // The sing-along colours (remembered in cantora.ini).
    void chooseContrast(LyricContrast contrast);
    // F11 / Full screen lyrics: the sing-along view on a screen of its own; Esc or F11 leaves.
    void toggleFullScreenLyrics();
    // The full-screen lyrics while shown.
    SingAlongView *fullScreenLyrics() const { return fullScreen_; }
    // Reads the song's marks into the sing-along timeline.
    void buildTimeline(const std::string &path);
    // The sing-along timeline of the song opened last.
    const LyricTimeline &timeline() const { return *timeline_; }

private:
    void savePrefs();
    // The playing position a sing-along view follows.
    SingAlongView::Position positionSource();

    LyricPanel *page_;
    std::function<HSTREAM()> song_;
    std::function<void(const QString &)> report_;
    ViewPrefs prefs_;
    std::shared_ptr<const LyricTimeline> timeline_ = std::make_shared<LyricTimeline>();
    std::string timelineTitle_;
    QPointer<SingAlongView> fullScreen_;
    QAction *viewClassic_, *viewSingAlong_, *viewFullScreen_, *contrast_[3];
};

} // namespace cantora::lyrics

#pragma once
// What a Linux desktop user expects of the player window, kept apart from
// the window's own commands: keyboard shortcuts (shown in the menus and
// tooltips), songs dropped onto the window, the "Recent songs" menu, the
// folders the choosers start in, the window's size and position, a window
// that fits a 1024x600 screen, and names for icon-only buttons.
//
// Every shortcut ends in the very handler its button or menu item runs
// (the button is clicked, the item triggered), so a disabled button is a
// disabled shortcut. Remembered things live in the preferences file
// "cantora.ini" of the application folder, read again before each write so
// that keys other windows keep there survive.
//
// Threading: UI thread only.

#include <QObject>

#include <functional>
#include <string>

class QAction;
class QMainWindow;
class QMenu;

namespace cantora::core {
class Preferences;
}

namespace cantora::app {

class frmMidiTest;

class DesktopIntegration : public QObject {
    Q_OBJECT
public:
    // The choosers whose last folder is remembered.
    enum class Folder { Song, SoundFont, Save };

    // Installs itself on `window` (menus, shortcuts, drops) and restores the
    // window's geometry.
    explicit DesktopIntegration(frmMidiTest &window);

    // The folder a chooser of `kind` starts in; empty when none was used yet.
    std::string startFolder(Folder kind) const;
    // A chooser of `kind` returned `path`: its folder is remembered.
    void folderUsed(Folder kind, const std::string &path);
    // A song was opened: first in the recent list, its folder remembered.
    void songOpened(const std::string &path);
    // Keeps the window's size and position (called on shutdown).
    void saveGeometry();

    // The key and tempo steps behind Up/Down and +/-: `step` is +1 or -1.
    // Until they are set the key follows the key slider and the tempo
    // actions stay disabled.
    void setKeyStep(std::function<void(int step)> step) { keyStep_ = std::move(step); }
    void setTempoStep(std::function<void(int step)> step);

    // The "Recent songs" menu, as shown.
    QMenu *recentMenu() const { return recent_; }
    // The recent songs, newest first.
    std::vector<std::string> recentSongs() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void describeButtons();
    void fitScreen();
    void rebuildRecent();
    void openRecent(const std::string &path);
    void playOrPause();
    void seekBy(int seconds);
    void keyBy(int step);
    void tempoBy(int step);
    // Loads the preferences, lets `change` edit them and writes them back.
    void updatePreferences(const std::function<void(core::Preferences &)> &change);
    QAction *action(QMenu *menu, const char *name, const QString &text, const QList<QKeySequence> &keys,
                    std::function<void()> run);
    bool openDropped(const std::string &path);

    frmMidiTest &w_;
    QMenu *recent_ = nullptr;
    QAction *tempoUp_ = nullptr, *tempoDown_ = nullptr;
    std::function<void(int)> keyStep_, tempoStep_;
};

} // namespace cantora::app

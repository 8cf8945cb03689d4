#pragma once
// The one tag editor a player window shows: opened from the Options menu or
// at the end of a conversion. While the editor a conversion opened is there,
// the window's Options and Open wait for it.
//
// Threading: UI thread only.

#include "tags/ui/frmtags.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

namespace cantora::tags {

class EditorSlot : public QObject {
    Q_OBJECT
public:
    // `hold(true)` takes the window's Options and Open away; `hold(false)` gives them back.
    EditorSlot(QWidget *window, std::function<void(int ms, std::function<void()> then)> schedule,
               std::function<void(bool held)> hold);
    ~EditorSlot() override;

    // Shows the editor (on `file` when given), or raises the one open.
    void show(const std::string &file = {});
    // The conversion's last step: the editor on SYNCRO.MP3; its Save copies to `outputFile`.
    void showConverted(const std::string &outputFile);
    frmTags *editor() const { return editor_; }
    // The window is about to close: the editor's unsaved edits are saved or
    // dropped as the user answers. False when the user cancels.
    bool mayClose() { return !editor_ || editor_->LeaveFile(); }

private:
    QWidget *window_;
    std::function<void(int, std::function<void()>)> schedule_;
    std::function<void(bool)> hold_;
    QPointer<frmTags> editor_;
    std::string output_;       // the MP3 the conversion's Save copies to
    bool holdsWindow_ = false; // the editor opened by a conversion holds Options and Open
};

} // namespace cantora::tags

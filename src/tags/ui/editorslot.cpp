#include "tags/ui/editorslot.h"

#include "core/apppaths.h"

namespace cantora::tags {

EditorSlot::EditorSlot(QWidget *window, std::function<void(int, std::function<void()>)> schedule,
                       std::function<void(bool)> hold)
    : QObject(window), window_(window), schedule_(std::move(schedule)), hold_(std::move(hold)) {}

EditorSlot::~EditorSlot() {
    // The editor goes with the window; its going must not touch controls already gone.
    if (editor_)
        disconnect(editor_, nullptr, this, nullptr);
}

void EditorSlot::show(const std::string &file) {
    if (editor_) {
        editor_->raise();
        editor_->activateWindow();
        if (!file.empty())
            editor_->OpenFile(file);
        return;
    }
    TagEditorHost host;
    host.appFolder = core::appFolder();
    host.outputFile = [this] { return output_; };
    host.exited = [this] { hold_(false); };
    host.openAtStart = file;
    host.schedule = schedule_;
    editor_ = new frmTags(std::move(host), window_);
    // However the editor goes (Exit or Cancel), what the conversion held comes back.
    connect(editor_, &QObject::destroyed, this, [this] {
        if (!holdsWindow_)
            return;
        holdsWindow_ = false;
        hold_(false);
    });
    editor_->show();
}

void EditorSlot::showConverted(const std::string &outputFile) {
    output_ = outputFile;
    if (editor_) {
        editor_->OpenConvertedSong();
        editor_->raise();
    } else {
        show();
    }
    // While this editor is open the options and Open wait for its Exit.
    holdsWindow_ = true;
    hold_(true);
}

} // namespace cantora::tags

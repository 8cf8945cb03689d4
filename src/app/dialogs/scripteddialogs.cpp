#include "app/dialogs/scripteddialogs.h"

namespace cantora::dialogs {

ScriptedDialogs::ScriptedDialogs() { Dialogs::setCurrent(this); }

ScriptedDialogs::~ScriptedDialogs() {
    if (&Dialogs::current() == this)
        Dialogs::setCurrent(nullptr);
}

void ScriptedDialogs::answerFile(const std::string &path) { files_.push_back(FileResult{0, path}); }

void ScriptedDialogs::cancelFile() { files_.push_back(FileResult{kCancelError, {}}); }

void ScriptedDialogs::answerMessage(int answer) { answers_.push_back(answer); }

std::vector<ScriptedDialogs::Shown> ScriptedDialogs::messages() const {
    std::vector<Shown> out;
    for (const auto &s : shown)
        if (s.kind == Shown::Message)
            out.push_back(s);
    return out;
}

FileResult ScriptedDialogs::nextFile(Shown::Kind kind, const FileRequest &r) {
    Shown s{kind, r.title, {}, 0, r.filter, r.flags, r.initDir, r.fileName};
    shown.push_back(s);
    if (onShown)
        onShown(s);
    if (files_.empty())
        return FileResult{kCancelError, {}};
    FileResult res = files_.front();
    files_.pop_front();
    return res;
}

FileResult ScriptedDialogs::showOpen(QWidget *, const FileRequest &request) { return nextFile(Shown::Open, request); }

FileResult ScriptedDialogs::showSave(QWidget *, const FileRequest &request) { return nextFile(Shown::Save, request); }

int ScriptedDialogs::msgBox(QWidget *, const std::string &text, int style, const std::string &title) {
    Shown s{Shown::Message, title, text, style, {}, 0, {}, {}};
    shown.push_back(s);
    if (onShown)
        onShown(s);
    if (!answers_.empty()) {
        int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    switch (style & 0x0F) {
    case OkCancel: return Ok;
    case AbortRetryIgnore: return Abort;
    case YesNoCancel:
    case YesNo: return Yes;
    case RetryCancel: return Retry;
    default: return Ok;
    }
}

bool ScriptedDialogs::showPrinter(QWidget *, QPrinter &printer) {
    Shown s{Shown::Printer, {}, {}, 0, {}, 0, {}, {}};
    shown.push_back(s);
    if (onShown)
        onShown(s);
    return onPrinter ? onPrinter(printer) : true;
}

} // namespace cantora::dialogs

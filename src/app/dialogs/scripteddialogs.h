#pragma once
// Dialogs for tests: answers are queued beforehand and every box shown is
// recorded with its kind, title, text, style, filter, flags and folder.
// An empty queue answers a chooser with cancel, a message box with its
// first button and the printer dialog with "print".

#include "app/dialogs/dialogs.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace cantora::dialogs {

class ScriptedDialogs : public Dialogs {
public:
    // One box as it was shown.
    struct Shown {
        enum Kind { Open, Save, Message, Printer } kind;
        std::string title;
        std::string text;     // message text (Message only)
        int style = 0;        // buttons + icon (Message only)
        std::string filter;   // chooser only
        unsigned flags = 0;   // chooser only
        std::string initDir;  // chooser only
        std::string fileName; // chooser only
    };

    // Installs itself as Dialogs::current() for its lifetime.
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Next chooser returns this path.
    void answerFile(const std::string &path);
    // Next chooser is cancelled.
    void cancelFile();
    // Next message box returns this Answer.
    void answerMessage(int answer);
    // Called for every printer dialog to set up the printer (e.g. PDF output);
    // its result is what the dialog returns.
    std::function<bool(QPrinter &)> onPrinter;

    // Every box shown so far, oldest first.
    std::vector<Shown> shown;
    // Called after each box is recorded (tests use it to act while a box is "up").
    std::function<void(const Shown &)> onShown;

    // Messages only, in order.
    std::vector<Shown> messages() const;

    FileResult showOpen(QWidget *parent, const FileRequest &request) override;
    FileResult showSave(QWidget *parent, const FileRequest &request) override;
    int msgBox(QWidget *parent, const std::string &text, int style, const std::string &title) override;
    bool showPrinter(QWidget *parent, QPrinter &printer) override;

private:
    FileResult nextFile(Shown::Kind kind, const FileRequest &request);
    std::deque<FileResult> files_;
    std::deque<int> answers_;
};

} // namespace cantora::dialogs

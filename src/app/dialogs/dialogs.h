#pragma once
// The one seam for file choosers, message boxes and the printer dialog.
// Windows never call QFileDialog or QMessageBox directly: they go through
// Dialogs::current(), which is the Qt implementation in the program and a
// ScriptedDialogs in tests (answers queued, every box recorded).
//
// Threading: UI thread only.

#include <string>

class QWidget;
class QPrinter;

namespace cantora::dialogs {

// Error number a chooser reports when the user cancels it.
constexpr int kCancelError = 32755;

// Message box style: buttons (low bits) + icon, as numeric values.
enum Style : int {
    OkOnly = 0,
    OkCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
};

// Button a message box returns.
enum Answer : int { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// Chooser flags that change behaviour here (the rest are accepted and ignored).
constexpr unsigned kOverwritePrompt = 0x2;
constexpr unsigned kHideReadOnly = 0x4;
constexpr unsigned kFileMustExist = 0x1000;
constexpr unsigned kExplorer = 0x80000;

// What a window asks a file chooser for.
struct FileRequest {
    std::string title;    // dialog title
    std::string filter;   // "Description|*.a;*.b|Other|*.c"
    unsigned flags = 0;   // chooser flags above
    std::string initDir;  // start folder; empty = the chooser's own choice
    std::string fileName; // preset file name
};

// What a chooser gives back: a path, or error kCancelError.
struct FileResult {
    int error = 0;
    std::string path;
    bool cancelled() const { return error == kCancelError; }
};

// The seam itself.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Open-file chooser.
    virtual FileResult showOpen(QWidget *parent, const FileRequest &request) = 0;
    // Save-file chooser.
    virtual FileResult showSave(QWidget *parent, const FileRequest &request) = 0;
    // Message box; style = buttons + icon; returns the Answer pressed.
    virtual int msgBox(QWidget *parent, const std::string &text, int style, const std::string &title) = 0;
    // Printer dialog on `printer`; false when the user cancelled.
    virtual bool showPrinter(QWidget *parent, QPrinter &printer) = 0;

    // The implementation in force (the Qt one unless replaced).
    static Dialogs &current();
    // Replaces the implementation; nullptr restores the Qt one. Not owned.
    static void setCurrent(Dialogs *dialogs);
};

// "Desc|*.a;*.b|Other|*.c" -> "Desc (*.a *.b);;Other (*.c)".
std::string qtFilter(const std::string &filter);

} // namespace cantora::dialogs

#pragma once
// Dialogs through Qt's own file, message and printer dialogs.

#include "app/dialogs/dialogs.h"

namespace cantora::dialogs {

class QtDialogs : public Dialogs {
public:
    FileResult showOpen(QWidget *parent, const FileRequest &request) override;
    FileResult showSave(QWidget *parent, const FileRequest &request) override;
    int msgBox(QWidget *parent, const std::string &text, int style, const std::string &title) override;
    bool showPrinter(QWidget *parent, QPrinter &printer) override;
};

} // namespace cantora::dialogs

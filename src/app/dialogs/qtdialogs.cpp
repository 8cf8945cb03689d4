#include "app/dialogs/qtdialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include <sstream>
#include <vector>

namespace cantora::dialogs {

namespace {

Dialogs *g_current = nullptr;

QtDialogs &qtInstance() {
    static QtDialogs instance;
    return instance;
}

QString q(const std::string &s) { return QString::fromStdString(s); }

FileResult choose(QWidget *parent, const FileRequest &r, bool save) {
    QFileDialog dlg(parent, q(r.title), q(r.initDir), q(qtFilter(r.filter)));
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save && !(r.flags & kOverwritePrompt))
        dlg.setOption(QFileDialog::DontConfirmOverwrite);
    if (r.flags & kHideReadOnly)
        dlg.setOption(QFileDialog::ReadOnly, false);
    if (!r.fileName.empty())
        dlg.selectFile(q(r.fileName));
    FileResult res;
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        res.error = kCancelError;
        return res;
    }
    res.path = dlg.selectedFiles().first().toStdString();
    return res;
}

} // namespace

Dialogs &Dialogs::current() { return g_current ? *g_current : qtInstance(); }

void Dialogs::setCurrent(Dialogs *dialogs) { g_current = dialogs; }

std::string qtFilter(const std::string &filter) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : filter) {
        if (c == '|') {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    std::string out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns = parts[i + 1];
        for (char &c : patterns)
            if (c == ';')
                c = ' ';
        if (!out.empty())
            out += ";;";
        out += parts[i] + " (" + patterns + ")";
    }
    return out;
}

FileResult QtDialogs::showOpen(QWidget *parent, const FileRequest &request) { return choose(parent, request, false); }

FileResult QtDialogs::showSave(QWidget *parent, const FileRequest &request) { return choose(parent, request, true); }

int QtDialogs::msgBox(QWidget *parent, const std::string &text, int style, const std::string &title) {
    QMessageBox box(parent);
    box.setWindowTitle(q(title));
    box.setText(q(text));
    switch (style & 0x70) {
    case Critical: box.setIcon(QMessageBox::Critical); break;
    case Question: box.setIcon(QMessageBox::Question); break;
    case Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    // Each button keeps the Answer it stands for.
    std::vector<std::pair<QAbstractButton *, int>> buttons;
    auto add = [&](QMessageBox::StandardButton b, int answer) { buttons.emplace_back(box.addButton(b), answer); };
    switch (style & 0x0F) {
    case OkCancel:
        add(QMessageBox::Ok, Ok);
        add(QMessageBox::Cancel, Cancel);
        break;
    case AbortRetryIgnore:
        add(QMessageBox::Abort, Abort);
        add(QMessageBox::Retry, Retry);
        add(QMessageBox::Ignore, Ignore);
        break;
    case YesNoCancel:
        add(QMessageBox::Yes, Yes);
        add(QMessageBox::No, No);
        add(QMessageBox::Cancel, Cancel);
        break;
    case YesNo:
        add(QMessageBox::Yes, Yes);
        add(QMessageBox::No, No);
        break;
    case RetryCancel:
        add(QMessageBox::Retry, Retry);
        add(QMessageBox::Cancel, Cancel);
        break;
    default: add(QMessageBox::Ok, Ok); break;
    }
    box.exec();
    for (auto &[button, answer] : buttons)
        if (box.clickedButton() == button)
            return answer;
    // Closed with Escape or the window's close box.
    return (style & 0x0F) == YesNo ? No : ((style & 0x0F) == OkOnly ? Ok : Cancel);
}

bool QtDialogs::showPrinter(QWidget *parent, QPrinter &printer) {
    QPrintDialog dlg(&printer, parent);
    return dlg.exec() == QDialog::Accepted;
}

} // namespace cantora::dialogs

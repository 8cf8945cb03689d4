#pragma once
// Shared by the window tests: finding a window's controls by name, reading back the files a window writes, and
// what a window shows: as a picture, or as the state of every control compared with an expected file.

#include <QtWidgets>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace cantora::windowtest {

// The control `name` under `root`; a missing one stops the whole run.
template <class T>
T *control(const QObject *root, const char *name) {
    T *t = root->findChild<T *>(name);
    if (!t)
        qFatal("no control %s", name);
    return t;
}

// The whole file as bytes; empty when it cannot be read.
inline std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fingerprint of what `w` shows, pinned where a picture is what the test holds (fonts as Debian 12
// ships them): a change meant to alter the look gives a new value, to be looked at first in the PNGs
// written into $CANTORA_PICTURES. Focus goes first (no caret blinks), and the layouts asked for.
inline std::size_t pictureSum(QWidget *w) {
    if (QWidget *f = QApplication::focusWidget())
        f->clearFocus();
    for (int i = 0; i < 4; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QImage i = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto sum =
        std::hash<std::string_view>{}({reinterpret_cast<const char *>(i.constBits()), std::size_t(i.sizeInBytes())});
    if (const QString dir = qEnvironmentVariable("CANTORA_PICTURES"); !dir.isEmpty())
        i.save(QString("%1/%2.png").arg(dir).arg(sum));
    return sum;
}

// Every named control and action under `root`, one line each in creation order: its name, "(hidden)" and
// "(off)" when so (itself, not through its parent), what it holds (text, check, value and range, current item,
// lines), its tooltip and style.
inline QString state(const QObject *root) {
    QStringList lines;
    for (const QObject *o : root->findChildren<QObject *>()) {
        const auto *w = qobject_cast<const QWidget *>(o);
        const auto *a = qobject_cast<const QAction *>(o);
        if (o->objectName().isEmpty() || o->objectName().startsWith("qt_") || (!w && !a))
            continue;
        QString v;
        if (a)
            v = a->text() + (a->isCheckable() ? (a->isChecked() ? " [x]" : " [ ]") : "");
        else if (const auto *l = qobject_cast<const QLabel *>(w))
            v = l->text();
        else if (const auto *b = qobject_cast<const QAbstractButton *>(w))
            v = b->text() + (b->isCheckable() ? (b->isChecked() ? " [x]" : " [ ]") : "");
        else if (const auto *e = qobject_cast<const QLineEdit *>(w))
            v = e->text();
        else if (const auto *s = qobject_cast<const QAbstractSlider *>(w))
            v = QString("%1 in %2..%3").arg(s->value()).arg(s->minimum()).arg(s->maximum());
        else if (const auto *c = qobject_cast<const QComboBox *>(w))
            v = QString("%1 (%2 of %3)").arg(c->currentText()).arg(c->currentIndex()).arg(c->count());
        else if (const auto *p = qobject_cast<const QProgressBar *>(w)) // between its ends: as a thread has it
            v = p->value() > 0 && p->value() < 100 ? QString("under way") : QString::number(p->value());
        else if (const auto *pe = qobject_cast<const QPlainTextEdit *>(w))
            v = pe->toPlainText();
        else if (const auto *lw = qobject_cast<const QListWidget *>(w))
            v = QString("%1 rows, at %2: %3")
                    .arg(lw->count())
                    .arg(lw->currentRow())
                    .arg(lw->currentItem() ? lw->currentItem()->text() : QString());
        const bool shown = a ? a->isVisible() : w->isVisibleTo(w->window());
        const bool on = a ? a->isEnabled() : !w->testAttribute(Qt::WA_Disabled); // its own, not its parent's
        if (w && !w->toolTip().isEmpty())
            v += " | tip: " + w->toolTip();
        if (w && !w->styleSheet().isEmpty())
            v += " | style: " + w->styleSheet();
        lines << o->objectName() + (shown ? "" : " (hidden)") + (on ? "" : " (off)") + ": " +
                     v.replace('\n', "\\n").replace('\r', "\\r");
    }
    return lines.join('\n') + '\n';
}

// `got` compared whole with tests/data/expected/NAME.txt (CANTORA_RENEW=1 writes it anew: read its git diff
// before committing it): the first line that differs, or nothing.
inline QString expected(const QString &name, const QString &got) {
    QFile f(QString(CANTORA_TEST_DATA "/expected/%1.txt").arg(name));
    if (qEnvironmentVariable("CANTORA_RENEW") == "1" && f.open(QIODevice::WriteOnly))
        f.write(got.toUtf8()), f.close();
    const QStringList have = got.split('\n'),
                      want = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n') : QStringList{};
    for (qsizetype i = 0; i < std::max(want.size(), have.size()); ++i)
        if (want.value(i, "(none)") != have.value(i, "(none)"))
            return QString("%1.txt line %2: want '%3', have '%4'")
                .arg(name)
                .arg(i + 1)
                .arg(want.value(i), have.value(i));
    return {};
}

// What a window shows after each step of a session: at the first step every control, later only the lines
// that changed; the test's own folder `dir` written as DIR.
struct StateLog {
    explicit StateLog(const QObject *r, const QString &d = {}) : root(r), dir(d) {}
    const QObject *root;
    QString dir, log;
    QStringList last;
    void step(const QString &what) {
        QString s = state(root);
        const QStringList now = (dir.isEmpty() ? s : s.replace(dir, "DIR")).split('\n');
        log += "== " + what + "\n";
        for (const QString &l : now)
            if (!l.isEmpty() && !last.contains(l))
                log += l + "\n";
        last = now;
    }
};

} // namespace cantora::windowtest

#pragma once
// Shared by the window tests: finding a window's controls by name and reading back the files a window writes.

#include <QApplication>
#include <QWidget>

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

} // namespace cantora::windowtest

#pragma once
// Shared by the window tests: finding a window's controls by name and
// reading back the files a window writes.

#include <QObject>
#include <QtGlobal>

#include <fstream>
#include <iterator>
#include <string>

namespace cantora::windowtest {

// What a test does when the control it asks for is missing: stop the whole
// run (the test cannot go on without it), or warn and take null (the test
// checks the control is there).
enum class Missing { Stop, Warn };

// The control `name` under `root`.
template <class T>
T *control(const QObject *root, const char *name, Missing missing = Missing::Stop) {
    T *t = root->findChild<T *>(name);
    if (!t && missing == Missing::Stop)
        qFatal("no control %s", name);
    if (!t)
        qWarning("no control %s", name);
    return t;
}

// The whole file as bytes; empty when it cannot be read.
inline std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace cantora::windowtest

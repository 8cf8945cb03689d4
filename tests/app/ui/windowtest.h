#pragma once
// Shared by the window tests: finding a window's controls by name and reading back the files a window writes.

#include <QObject>

#include <fstream>
#include <iterator>
#include <string>

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

} // namespace cantora::windowtest

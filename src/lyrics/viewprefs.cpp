#include "lyrics/viewprefs.h"

#include "lyrics/lrcsong.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace cantora::lyrics {

namespace {

std::string trim(const std::string &s) {
    const auto a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

constexpr const char *kView = "lyrics.view";
constexpr const char *kContrast = "lyrics.contrast";

} // namespace

ViewPrefs parseViewPrefs(const std::string &text) {
    ViewPrefs p;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        if (key == kView)
            p.view = value == "singalong" ? LyricView::SingAlong : LyricView::Classic;
        else if (key == kContrast)
            p.contrast = value == "day" ? LyricContrast::Day
                         : value == "yellow" ? LyricContrast::Yellow
                                             : LyricContrast::Night;
    }
    return p;
}

std::string mergeViewPrefs(const std::string &current, const ViewPrefs &p) {
    const std::string view = std::string(kView) + "=" + (p.view == LyricView::SingAlong ? "singalong" : "classic");
    const std::string contrast =
        std::string(kContrast) + "=" +
        (p.contrast == LyricContrast::Day ? "day" : p.contrast == LyricContrast::Yellow ? "yellow" : "night");
    std::string out;
    bool viewDone = false, contrastDone = false;
    std::istringstream in(current);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto eq = line.find('=');
        const std::string key = eq == std::string::npos ? std::string() : trim(line.substr(0, eq));
        if (key == kView) {
            if (!viewDone)
                out += view + "\n";
            viewDone = true;
        } else if (key == kContrast) {
            if (!contrastDone)
                out += contrast + "\n";
            contrastDone = true;
        } else {
            out += line + "\n";
        }
    }
    if (!viewDone)
        out += view + "\n";
    if (!contrastDone)
        out += contrast + "\n";
    return out;
}

namespace {

std::string readAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

ViewPrefs loadViewPrefs(const std::string &path) { return parseViewPrefs(readAll(path)); }

bool saveViewPrefs(const std::string &path, const ViewPrefs &prefs) {
    std::string why;
    return writeWholeFile(path, mergeViewPrefs(readAll(path), prefs), why);
}

} // namespace cantora::lyrics

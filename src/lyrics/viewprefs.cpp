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
        line = trim(line);
        const auto eq = line.find('=');
        if (line.empty() || line.front() == '#' || eq == std::string::npos)
            continue;
        const std::string key = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        if (key == kView)
            p.view = value == "singalong" ? LyricView::SingAlong : LyricView::Classic;
        else if (key == kContrast)
            p.contrast = value == "day" ? LyricContrast::Day
                         : value == "yellow" ? LyricContrast::Yellow
                                             : LyricContrast::Night;
        else
            p.others.emplace_back(key, value);
    }
    return p;
}

std::string formatViewPrefs(const ViewPrefs &p) {
    std::string out = "# Cantora preferences\n";
    out += std::string(kView) + "=" + (p.view == LyricView::SingAlong ? "singalong" : "classic") + "\n";
    out += std::string(kContrast) + "=" +
           (p.contrast == LyricContrast::Day ? "day" : p.contrast == LyricContrast::Yellow ? "yellow" : "night") + "\n";
    for (const auto &[k, v] : p.others)
        out += k + "=" + v + "\n";
    return out;
}

ViewPrefs loadViewPrefs(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return parseViewPrefs({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
}

bool saveViewPrefs(const std::string &path, const ViewPrefs &prefs) {
    std::string why;
    return writeWholeFile(path, formatViewPrefs(prefs), why);
}

} // namespace cantora::lyrics

#include "lyrics/viewprefs.h"

#include "core/preferences.h"

namespace cantora::lyrics {

namespace {

constexpr const char *kView = "lyrics.view";
constexpr const char *kContrast = "lyrics.contrast";

ViewPrefs read(const core::Preferences &file) {
    ViewPrefs p;
    if (file.get(kView, "") == "singalong")
        p.view = LyricView::SingAlong;
    const std::string contrast = file.get(kContrast, "");
    p.contrast = contrast == "day"      ? LyricContrast::Day
                 : contrast == "yellow" ? LyricContrast::Yellow
                                        : LyricContrast::Night;
    return p;
}

void write(core::Preferences &file, const ViewPrefs &p) {
    file.set(kView, p.view == LyricView::SingAlong ? "singalong" : "classic");
    file.set(kContrast, p.contrast == LyricContrast::Day      ? "day"
                        : p.contrast == LyricContrast::Yellow ? "yellow"
                                                              : "night");
}

} // namespace

ViewPrefs parseViewPrefs(const std::string &text) { return read(core::Preferences::parse(text)); }

std::string mergeViewPrefs(const std::string &current, const ViewPrefs &prefs) {
    core::Preferences file = core::Preferences::parse(current);
    write(file, prefs);
    return file.format();
}

ViewPrefs loadViewPrefs(const std::string &path) { return read(core::Preferences::load(path)); }

bool saveViewPrefs(const std::string &path, const ViewPrefs &prefs) {
    core::Preferences file = core::Preferences::load(path);
    write(file, prefs);
    return file.save(path).empty();
}

} // namespace cantora::lyrics

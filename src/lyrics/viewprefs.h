#pragma once
// The lyric view preferences, kept in a file of our own beside the settings
// file (whose one-line format stays as it is): "cantora.ini" in the
// application folder. The format is one "key=value" per line; blank lines
// and lines starting with "#" are ignored, unknown keys are kept as they are
// so that a newer version's settings survive an older one, and an unknown
// value reads as the default.
//
//   lyrics.view=classic | singalong
//   lyrics.contrast=night | day | yellow
//
// Threading: plain data.

#include <string>
#include <utility>
#include <vector>

namespace cantora::lyrics {

// File name, in the application folder.
inline constexpr const char *kViewPrefsFile = "cantora.ini";

enum class LyricView { Classic, SingAlong };
enum class LyricContrast { Night, Day, Yellow };

struct ViewPrefs {
    LyricView view = LyricView::Classic;
    LyricContrast contrast = LyricContrast::Night;
    std::vector<std::pair<std::string, std::string>> others; // keys of no concern here, kept in order
};

// Reads the text of the file (CR LF or LF).
ViewPrefs parseViewPrefs(const std::string &text);
// The file's text, LF line ends.
std::string formatViewPrefs(const ViewPrefs &prefs);
// Reads `path`; defaults when it is missing or unreadable.
ViewPrefs loadViewPrefs(const std::string &path);
// Writes `path` whole (through a part file); false when it cannot.
bool saveViewPrefs(const std::string &path, const ViewPrefs &prefs);

} // namespace cantora::lyrics

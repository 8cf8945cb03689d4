#pragma once
// The lyric view preferences, kept in the preferences file of our own
// beside the settings file (whose one-line format stays as it is):
// "cantora.ini" in the application folder, one "key=value" per line, shared
// with the other windows' preferences. Two keys are ours:
//
//   lyrics.view=classic | singalong
//   lyrics.contrast=night | day | yellow
//
// An unknown value reads as the default. Saving reads the file afresh and
// changes only these two lines, so every other line (other windows' keys,
// comments, keys of a newer build) stays as it is and in its place.
//
// Threading: plain data.

#include <string>

namespace cantora::lyrics {

// File name, in the application folder.
inline constexpr const char *kViewPrefsFile = "cantora.ini";

enum class LyricView { Classic, SingAlong };
enum class LyricContrast { Night, Day, Yellow };

struct ViewPrefs {
    LyricView view = LyricView::Classic;
    LyricContrast contrast = LyricContrast::Night;
};

// Reads the text of the file (CR LF or LF).
ViewPrefs parseViewPrefs(const std::string &text);
// The file's text `current` with our two keys set to `prefs`: their lines
// replaced where they stand, appended when missing; every other line kept.
// Line ends become LF.
std::string mergeViewPrefs(const std::string &current, const ViewPrefs &prefs);
// Reads `path`; defaults when it is missing or unreadable.
ViewPrefs loadViewPrefs(const std::string &path);
// Sets our keys in `path` (read afresh; through a part file); false when it cannot.
bool saveViewPrefs(const std::string &path, const ViewPrefs &prefs);

} // namespace cantora::lyrics

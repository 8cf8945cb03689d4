#pragma once
// The application folder and the small path helpers built on it. The
// program keeps its settings, work files, default SoundFont and read-me in
// one folder: the executable's folder unless `--home DIR` or CANTORA_HOME
// names another. Paths use "/" as separator.

#include <string>
#include <string_view>

namespace cantora::core {

// The application folder, without a trailing "/".
std::string appFolder();
// Sets the application folder (start-up, tests).
void setAppFolder(std::string folder);
// Picks the folder: `home` (from --home) if given, else `env`
// (CANTORA_HOME) if given, else the folder holding `exePath`.
std::string resolveAppFolder(std::string_view home, std::string_view env, std::string_view exePath);
// RPP(application folder) + name.
std::string appFile(std::string_view name);

// `fp` with a trailing "/" added unless it already ends with one.
std::string RPP(std::string_view fp);
// True when `fp` names an existing file (not a folder).
bool FileExists(const std::string &fp);
// The part of `path` after its last "/".
std::string GetFileName(std::string_view path);
// `path` without its file name, keeping the trailing "/".
std::string FolderOf(std::string_view path);

} // namespace cantora::core

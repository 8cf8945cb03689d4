#pragma once
// The application folder and the small path helpers built on it. The
// program keeps its settings, work files, default SoundFont and read-me in
// one folder: the executable's folder unless `--home DIR` or CANTORA_HOME
// names another. An installed program cannot write beside itself, so it
// keeps that folder per user under $XDG_DATA_HOME/cantora. Paths use "/" as
// separator.

#include <functional>
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
// What the start-up knows when it picks the application folder.
struct AppFolderInputs {
    std::string home;        // --home, absolute; empty when absent
    std::string env;         // CANTORA_HOME, absolute; empty when unset
    std::string exePath;     // the running executable
    std::string xdgDataHome; // $XDG_DATA_HOME; empty when unset
    std::string userHome;    // $HOME
};
// The folder picked and why.
struct AppFolderChoice {
    std::string folder;
    bool perUser = false; // the per-user data folder: create and fill it at first start
};
// True when files can be created in `folder`.
bool folderWritable(const std::string &folder);
// The per-user folder: $XDG_DATA_HOME/cantora (only an absolute
// XDG_DATA_HOME counts), else $HOME/.local/share/cantora; empty when neither
// is known.
std::string userAppFolder(std::string_view xdgDataHome, std::string_view userHome);
// The share folder of an installed program: <prefix>/share/cantora for an
// executable in <prefix>/bin; empty when the executable is not installed so.
std::string installedShareFolder(std::string_view exePath);
// --home, else CANTORA_HOME, else the executable's folder when it is
// writable and not an installed bin folder, else the per-user folder.
AppFolderChoice chooseAppFolder(const AppFolderInputs &in,
                                const std::function<bool(const std::string &)> &writable = folderWritable);
// First start in a per-user folder: creates it, links "Chorium.sf2" to
// `systemSoundFont` and copies "leggimi.txt" from `shareFolder`; what is
// already there is kept (the user may have replaced it). Returns "" or what
// failed.
std::string prepareUserFolder(const std::string &folder, const std::string &systemSoundFont,
                              const std::string &shareFolder);

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

#include "core/apppaths.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace cantora::core {

namespace {
std::string g_folder = ".";
}

std::string appFolder() { return g_folder; }

void setAppFolder(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    g_folder = folder.empty() ? "." : folder;
}

std::string resolveAppFolder(std::string_view home, std::string_view env, std::string_view exePath) {
    if (!home.empty())
        return std::string(home);
    if (!env.empty())
        return std::string(env);
    std::string folder = FolderOf(exePath);
    if (folder.empty())
        return ".";
    if (folder.size() > 1)
        folder.pop_back();
    return folder;
}

bool folderWritable(const std::string &folder) { return !folder.empty() && ::access(folder.c_str(), W_OK | X_OK) == 0; }

std::string userAppFolder(std::string_view xdgDataHome, std::string_view userHome) {
    if (!xdgDataHome.empty() && xdgDataHome.front() == '/')
        return RPP(xdgDataHome) + "cantora";
    if (!userHome.empty())
        return RPP(userHome) + ".local/share/cantora";
    return {};
}

std::string installedShareFolder(std::string_view exePath) {
    namespace fs = std::filesystem;
    const fs::path bin = fs::path(std::string(exePath)).parent_path();
    if (bin.filename() != "bin")
        return {};
    const fs::path share = bin.parent_path() / "share" / "cantora";
    std::error_code ec;
    return fs::is_directory(share, ec) ? share.string() : std::string();
}

AppFolderChoice chooseAppFolder(const AppFolderInputs &in, const std::function<bool(const std::string &)> &writable) {
    if (!in.home.empty() || !in.env.empty())
        return {resolveAppFolder(in.home, in.env, in.exePath), false};
    const std::string exeFolder = resolveAppFolder({}, {}, in.exePath);
    // Root can write into /usr/bin: an installed layout alone sends the
    // data to the user's folder.
    if (writable(exeFolder) && installedShareFolder(in.exePath).empty())
        return {exeFolder, false};
    const std::string user = userAppFolder(in.xdgDataHome, in.userHome);
    if (user.empty())
        return {exeFolder, false};
    return {user, true};
}

std::string prepareUserFolder(const std::string &folder, const std::string &systemSoundFont,
                              const std::string &shareFolder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec))
        return folder + ": " + (ec ? ec.message() : std::string("not a folder"));
    const fs::path font = fs::path(folder) / "Chorium.sf2";
    // symlink_status: a link whose target went away is still the user's link.
    if (!fs::exists(fs::symlink_status(font, ec)) && !systemSoundFont.empty()) {
        fs::create_symlink(systemSoundFont, font, ec);
        if (ec)
            return font.string() + ": " + ec.message();
    }
    const fs::path readme = fs::path(folder) / "leggimi.txt";
    const fs::path source = fs::path(shareFolder) / "leggimi.txt";
    if (!shareFolder.empty() && !fs::exists(fs::symlink_status(readme, ec)) && fs::exists(source, ec)) {
        fs::copy_file(source, readme, ec);
        if (ec)
            return readme.string() + ": " + ec.message();
    }
    return {};
}

std::string appFile(std::string_view name) { return RPP(g_folder) + std::string(name); }

std::string RPP(std::string_view fp) {
    std::string s(fp);
    if (s.empty() || s.back() != '/')
        s += '/';
    return s;
}

bool FileExists(const std::string &fp) {
    std::error_code ec;
    return !fp.empty() && std::filesystem::is_regular_file(fp, ec);
}

std::string GetFileName(std::string_view path) {
    auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FolderOf(std::string_view path) {
    auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

} // namespace cantora::core

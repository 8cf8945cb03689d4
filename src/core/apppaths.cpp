#include "core/apppaths.h"

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

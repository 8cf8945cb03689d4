#pragma once
// A scratch folder of the test's own, removed with all it holds, and the
// file helpers the core tests share.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace coretest {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path;
    TempFolder() {
        char tmpl[] = "/tmp/cantora_core_XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string operator/(const std::string &rel) const { return (path / rel).string(); }
    // Writes `text` into `rel`, making the folders on the way; its full path.
    std::string put(const std::string &rel, const std::string &text = "x") const {
        fs::create_directories((path / rel).parent_path());
        std::ofstream(path / rel, std::ios::binary) << text;
        return *this / rel;
    }
    std::size_t entries() const { return std::distance(fs::directory_iterator(path), fs::directory_iterator()); }
};

inline std::string contents(const std::string &path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

} // namespace coretest

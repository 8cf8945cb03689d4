#pragma once
// A scratch folder of the test's own, removed with all it holds, and the file and byte helpers the tests share.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

namespace coretest {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path;
    TempFolder() {
        char tmpl[] = "/tmp/cantora_test_XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec); // a test may have locked it
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

inline void save(const fs::path &p, const std::string &bytes) { std::ofstream(p, std::ios::binary) << bytes; }

inline std::string contents(const fs::path &path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

// `v` as `width` little-endian bytes.
inline std::string leBytes(std::uint32_t v, int width = 4) {
    std::string s;
    for (int i = 0; i < width; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// A RIFF chunk: its id, its size (the body's unless `size` lies), the body and a pad byte after an odd one.
inline std::string chunk(const std::string &id, const std::string &body, std::optional<std::uint32_t> size = {}) {
    return id + leBytes(size.value_or(static_cast<std::uint32_t>(body.size()))) + body +
           (body.size() % 2 ? std::string(1, '\0') : "");
}

} // namespace coretest

#include "app/cli/batchplan.h"

#include "core/byteio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace cantora::cli::batchjob {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// Manifest fields are tab-separated: a tab, newline or backslash in a path is escaped.
std::string escape(const std::string &s) {
    std::string out;
    for (const char c : s) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

std::string unescape(const std::string &s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            const char c = s[++i];
            out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string line(const ManifestEntry &e) {
    std::ostringstream o;
    o << escape(e.rel) << '\t' << e.input.size << '\t' << e.input.mtimeNs << '\t' << e.settings << '\t' << e.output.size
      << '\t' << e.output.mtimeNs << '\t' << e.outputHash << '\n';
    return o.str();
}

} // namespace

bool isSongName(const std::string &name) {
    const std::string ext = lower(fs::path(name).extension().string());
    return ext == ".mid" || ext == ".midi" || ext == ".kar" || ext == ".rmi";
}

std::vector<Song> findSongs(const std::vector<std::string> &sources, const std::string &outDir,
                            const std::string &extension, std::vector<std::string> &problems) {
    std::error_code ec;
    const fs::path out = fs::weakly_canonical(outDir, ec);
    // Each song with the path it takes below DIR, before the extension.
    std::vector<std::pair<std::string, fs::path>> found;
    for (const std::string &src : sources) {
        if (fs::is_regular_file(src, ec)) {
            found.emplace_back(src, fs::path(src).filename());
            continue;
        }
        if (!fs::is_directory(src, ec)) {
            problems.push_back(src + ": no such file or folder");
            continue;
        }
        fs::recursive_directory_iterator it(src, fs::directory_options::skip_permission_denied, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            // The output folder may lie inside a source: its files are not songs.
            if (it->is_directory(ec) && fs::equivalent(it->path(), out, ec)) {
                it.disable_recursion_pending();
                continue;
            }
            if (it->is_regular_file(ec) && isSongName(it->path().filename().string()))
                found.emplace_back(it->path().string(), it->path().lexically_relative(src));
        }
        if (ec)
            problems.push_back(src + ": " + ec.message());
    }
    std::map<std::string, int> uses;
    for (const auto &[input, rel] : found)
        ++uses[fs::path(rel).replace_extension().string()];
    std::vector<Song> songs;
    std::set<std::string> taken;
    for (const auto &[input, rel] : found) {
        fs::path r = rel;
        if (uses[fs::path(rel).replace_extension().string()] > 1)
            r += extension;
        else
            r.replace_extension(extension);
        if (!taken.insert(r.string()).second) {
            problems.push_back(input + ": another song already goes to " + r.string());
            continue;
        }
        songs.push_back({input, (fs::path(outDir) / r).string(), r.string()});
    }
    std::sort(songs.begin(), songs.end(), [](const Song &a, const Song &b) { return a.rel < b.rel; });
    return songs;
}

std::optional<FileStamp> stampOf(const std::string &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileStamp{static_cast<std::uint64_t>(st.st_size),
                     std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

namespace {
constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325ull, kFnvPrime = 0x100000001b3ull;
std::uint64_t fnv(std::uint64_t h, const char *p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        h = (h ^ std::uint8_t(p[i])) * kFnvPrime;
    return h;
}
std::string hex(std::uint64_t h) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}
} // namespace

std::string hashText(const std::string &text) { return hex(fnv(kFnvOffset, text.data(), text.size())); }

std::string hashFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::uint64_t h = kFnvOffset;
    std::vector<char> buffer(1 << 16);
    while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0)
        h = fnv(h, buffer.data(), static_cast<std::size_t>(in.gcount()));
    return hex(h);
}

Manifest::Manifest(const std::string &outDir) : path_((fs::path(outDir) / kName).string()) {}

void Manifest::load() {
    std::ifstream in(path_);
    std::string text;
    while (std::getline(in, text)) {
        std::vector<std::string> f;
        std::size_t start = 0;
        for (std::size_t tab; (tab = text.find('\t', start)) != std::string::npos; start = tab + 1)
            f.push_back(text.substr(start, tab - start));
        f.push_back(text.substr(start));
        if (f.size() != 7)
            continue;
        try {
            ManifestEntry e{unescape(f[0]),
                            {std::stoull(f[1]), std::stoll(f[2])},
                            f[3],
                            {std::stoull(f[4]), std::stoll(f[5])},
                            f[6]};
            entries_[e.rel] = e;
        } catch (const std::exception &) {
            // A line cut short by a batch that was killed: that song runs again.
        }
    }
}

const ManifestEntry *Manifest::find(const std::string &rel) const {
    const auto it = entries_.find(rel);
    return it == entries_.end() ? nullptr : &it->second;
}

std::string Manifest::record(const ManifestEntry &e) {
    entries_[e.rel] = e;
    changed_ = true;
    // One write of a whole line in append mode: lines of songs finishing
    // together never mix, and a torn last line is skipped on reading.
    const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return "cannot write " + path_;
    const std::string text = line(e);
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok ? std::string() : "cannot write " + path_;
}

std::string Manifest::compact() const {
    if (!changed_)
        return {};
    std::string text;
    for (const auto &[rel, e] : entries_)
        text += line(e);
    return core::writeWholeFile(path_, text);
}

Decision decide(const Song &song, const Manifest &manifest, const std::string &settings, bool force, bool resume) {
    const auto out = stampOf(song.output);
    const ManifestEntry *e = manifest.find(song.rel);
    if (!out)
        return Decision::Run;
    if (force)
        return Decision::Replace;
    // Ours: the output is as the manifest recorded it.
    if (e && e->output == *out) {
        if (e->input == stampOf(song.input) && e->settings == settings)
            return Decision::Skip;
        return Decision::Replace;
    }
    return resume ? Decision::Adopt : Decision::Refuse;
}

std::string shellQuote(const std::string &word) {
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](unsigned char c) {
        return std::isalnum(c) || std::string_view("_-./=:,+@%").find(char(c)) != std::string_view::npos;
    });
    if (plain)
        return word;
    std::string out = "'";
    for (const char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace cantora::cli::batchjob

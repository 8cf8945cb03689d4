#include "core/settings.h"

#include "core/itemreader.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>

namespace cantora::core {

namespace {

std::optional<std::int32_t> toInt(const std::string &s) {
    std::int32_t v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p == s.data())
        return std::nullopt;
    return v;
}

// "<path>: <reason>" for the error `err` of the call that failed.
SaveResult saveFailure(const std::string &path, int err) {
    SaveResult r;
    r.error = path + ": " + std::strerror(err != 0 ? err : EIO);
    return r;
}

} // namespace

std::string formatSettings(const Settings &s) {
    return "\"OK\",\"" + s.mainFontPath + "\"," + std::to_string(s.rate) + ",\"" + s.lastFolder + "\"\r\n";
}

void parseSettings(std::string_view bytes, Settings &s) {
    const auto f = readLineItems(bytes);
    if (f.size() > 0)
        s.accepted = f[0];
    if (f.size() > 1)
        s.mainFontPath = f[1];
    if (f.size() > 2)
        if (auto v = toInt(f[2]))
            s.rate = *v;
    if (f.size() > 3)
        s.lastFolder = f[3];
}

void confload(const std::string &path, Settings &s) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return;
    // One line is all the file holds; a runaway file is not read whole.
    std::string bytes(4096, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    parseSettings(bytes, s);
}

SaveResult confsave(const std::string &path, const Settings &s) {
    // Each failure is reported with the error of the call that failed, taken
    // at once: a later call may leave errno at 0 ("Success").
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return saveFailure(path, errno);
    const std::string line = formatSettings(s);
    if (std::fwrite(line.data(), 1, line.size(), f) != line.size()) {
        const int err = errno;
        std::fclose(f);
        return saveFailure(path, err);
    }
    // The bytes reach the disk only now: a full disk shows up here.
    if (std::fclose(f) != 0)
        return saveFailure(path, errno);
    SaveResult r;
    r.ok = true;
    return r;
}

} // namespace cantora::core

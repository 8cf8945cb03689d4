#pragma once
// The preferences file "cantora.ini" beside config.tlm: one "key=value" per
// line, UTF-8, in the order first written. Windows keep what the settings
// file has no room for (recent songs, last folders, window geometry, view
// choices). Keys this build does not know are kept as they are, so an older
// and a newer build can share the file; lines that are not "key=value"
// (comments, blank lines) are kept too.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cantora::core {

class Preferences {
public:
    // The file's name inside the application folder.
    static constexpr const char *kFileName = "cantora.ini";

    // Reads `bytes` (the whole file); keys may repeat, the last one wins.
    static Preferences parse(std::string_view bytes);
    // Reads `path`; a missing or unreadable file gives empty preferences.
    static Preferences load(const std::string &path);

    // The value of `key`, if set.
    std::optional<std::string> get(std::string_view key) const;
    // The value of `key`, or `fallback` when unset.
    std::string get(std::string_view key, std::string_view fallback) const;
    // The value of `key` as an integer, or `fallback` when unset or not a number.
    int getInt(std::string_view key, int fallback) const;
    // Sets `key` (no "=", no line break; such keys are ignored) to `value`
    // (line breaks become spaces). A new key goes at the end.
    void set(std::string_view key, std::string_view value);
    // Removes `key`.
    void remove(std::string_view key);

    // The file's text, one line per entry, each ended by "\n".
    std::string format() const;
    // Writes `path` through a temporary file, so a failed write leaves the
    // old file whole. Returns "" or what failed.
    std::string save(const std::string &path) const;

private:
    struct Line {
        std::string key;   // empty for a kept line that is not an entry
        std::string value; // the entry's value, or the kept line's text
    };
    Line *find(std::string_view key);
    const Line *find(std::string_view key) const;
    std::vector<Line> lines_;
};

} // namespace cantora::core

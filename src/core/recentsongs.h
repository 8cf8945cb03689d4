#pragma once
// The "Recent songs" list: the last ten songs opened, newest first, each
// once, kept in the preferences as recent1..recent10.

#include <functional>
#include <string>
#include <vector>

namespace cantora::core {

class Preferences;

class RecentSongs {
public:
    static constexpr std::size_t kMax = 10;

    // Reads the list from `prefs`; empty entries are skipped.
    static RecentSongs from(const Preferences &prefs);
    // Writes the list into `prefs`, clearing the slots it no longer uses.
    void store(Preferences &prefs) const;

    // A song was opened: it goes first, an older entry of it goes away and
    // the eleventh falls off.
    void add(const std::string &path);
    // Drops the songs `exists` says are gone (moved, deleted, unmounted).
    void dropMissing(const std::function<bool(const std::string &)> &exists);

    const std::vector<std::string> &paths() const { return paths_; }

private:
    std::vector<std::string> paths_;
};

} // namespace cantora::core

#include "core/recentsongs.h"

#include "core/preferences.h"

#include <algorithm>

namespace cantora::core {

namespace {
std::string slot(std::size_t i) { return "recent" + std::to_string(i + 1); }
} // namespace

RecentSongs RecentSongs::from(const Preferences &prefs) {
    RecentSongs r;
    for (std::size_t i = 0; i < kMax; ++i) {
        const std::string p = prefs.get(slot(i), "");
        if (!p.empty() && std::find(r.paths_.begin(), r.paths_.end(), p) == r.paths_.end())
            r.paths_.push_back(p);
    }
    return r;
}

void RecentSongs::store(Preferences &prefs) const {
    for (std::size_t i = 0; i < kMax; ++i) {
        if (i < paths_.size())
            prefs.set(slot(i), paths_[i]);
        else
            prefs.remove(slot(i));
    }
}

void RecentSongs::add(const std::string &path) {
    if (path.empty())
        return;
    std::erase(paths_, path);
    paths_.insert(paths_.begin(), path);
    if (paths_.size() > kMax)
        paths_.resize(kMax);
}

void RecentSongs::dropMissing(const std::function<bool(const std::string &)> &exists) {
    std::erase_if(paths_, [&](const std::string &p) { return !exists(p); });
}

} // namespace cantora::core

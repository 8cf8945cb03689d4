#include "core/preferences.h"

#include "core/byteio.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace cantora::core {

Preferences Preferences::parse(std::string_view bytes) {
    Preferences p;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0 || line.front() == '#' || line.front() == ';') {
            p.lines_.push_back({{}, std::string(line)});
            continue;
        }
        // Hand-edited files may put spaces around the "=".
        std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
            key.remove_suffix(1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.remove_prefix(1);
        p.set(key, value);
    }
    return p;
}

Preferences Preferences::load(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return parse(bytes.str());
}

Preferences::Line *Preferences::find(std::string_view key) {
    for (Line &l : lines_)
        if (!l.key.empty() && l.key == key)
            return &l;
    return nullptr;
}

const Preferences::Line *Preferences::find(std::string_view key) const {
    return const_cast<Preferences *>(this)->find(key);
}

std::optional<std::string> Preferences::get(std::string_view key) const {
    if (const Line *l = find(key))
        return l->value;
    return std::nullopt;
}

std::string Preferences::get(std::string_view key, std::string_view fallback) const {
    return get(key).value_or(std::string(fallback));
}

int Preferences::getInt(std::string_view key, int fallback) const {
    const auto v = get(key);
    if (!v || v->empty())
        return fallback;
    try {
        std::size_t used = 0;
        const int n = std::stoi(*v, &used);
        return used == v->size() ? n : fallback;
    } catch (const std::exception &) {
        return fallback;
    }
}

void Preferences::set(std::string_view key, std::string_view value) {
    if (key.empty() || key.find_first_of("=\r\n") != std::string_view::npos || key.front() == '#' || key.front() == ';')
        return;
    std::string v(value);
    for (char &c : v)
        if (c == '\r' || c == '\n')
            c = ' ';
    if (Line *l = find(key))
        l->value = std::move(v);
    else
        lines_.push_back({std::string(key), std::move(v)});
}

void Preferences::remove(std::string_view key) {
    std::erase_if(lines_, [&](const Line &l) { return !l.key.empty() && l.key == key; });
}

std::string Preferences::format() const {
    std::string out;
    for (const Line &l : lines_)
        out += (l.key.empty() ? l.value : l.key + "=" + l.value) + "\n";
    return out;
}

std::string Preferences::save(const std::string &path) const { return writeWholeFile(path, format()); }

} // namespace cantora::core

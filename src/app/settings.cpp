#include "app/settings.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace cantora::app {

namespace {

// Splits one line into fields the way the comma-separated reader does:
// blanks before a field are skipped, a quoted field runs to the next quote
// (commas included) and anything up to the following comma is dropped, a
// bare field runs to the next comma with trailing blanks removed.
std::vector<std::string> readFields(std::string_view bytes) {
    auto eol = bytes.find_first_of("\r\n");
    std::string_view line = bytes.substr(0, eol);
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i <= line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        std::string field;
        if (i < line.size() && line[i] == '"') {
            auto close = line.find('"', i + 1);
            if (close == std::string_view::npos) {
                field = std::string(line.substr(i + 1));
                i = line.size();
            } else {
                field = std::string(line.substr(i + 1, close - i - 1));
                i = close + 1;
            }
            auto comma = line.find(',', i);
            i = comma == std::string_view::npos ? line.size() + 1 : comma + 1;
        } else {
            auto comma = line.find(',', i);
            auto end = comma == std::string_view::npos ? line.size() : comma;
            field = std::string(line.substr(i, end - i));
            while (!field.empty() && (field.back() == ' ' || field.back() == '\t'))
                field.pop_back();
            i = end + 1;
        }
        fields.push_back(std::move(field));
        if (i > line.size())
            break;
    }
    if (line.empty())
        fields.clear();
    return fields;
}

std::optional<std::int32_t> toInt(const std::string &s) {
    std::int32_t v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p == s.data())
        return std::nullopt;
    return v;
}

} // namespace

std::string formatSettings(const Settings &s) {
    return "\"OK\",\"" + s.mainFontPath + "\"," + std::to_string(s.rate) + ",\"" + s.lastFolder + "\"\r\n";
}

void parseSettings(std::string_view bytes, Settings &s) {
    auto f = readFields(bytes);
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

bool confsave(const std::string &path, const Settings &s) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out << formatSettings(s);
    return static_cast<bool>(out.flush());
}

} // namespace cantora::app

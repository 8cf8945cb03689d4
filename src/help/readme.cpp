#include "help/readme.h"

namespace cantora::help {

std::vector<std::string> readmeItems(std::string_view bytes) {
    std::vector<std::string> items;
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    auto atLineEnd = [&](std::size_t k) { return k < n && (bytes[k] == '\r' || bytes[k] == '\n'); };
    auto skipLineEnd = [&](std::size_t &k) {
        if (k < n && bytes[k] == '\r')
            ++k;
        if (k < n && bytes[k] == '\n')
            ++k;
    };
    while (i < n) {
        while (i < n && (bytes[i] == ' ' || bytes[i] == '\t'))
            ++i;
        if (i >= n)
            break;
        std::string item;
        if (bytes[i] == '"') {
            std::size_t close = bytes.find('"', i + 1);
            std::size_t end = close == std::string_view::npos ? n : close;
            item = std::string(bytes.substr(i + 1, end - i - 1));
            i = close == std::string_view::npos ? n : close + 1;
            // Whatever follows the closing quote up to the separator is dropped.
            while (i < n && bytes[i] != ',' && !atLineEnd(i))
                ++i;
        } else {
            std::size_t start = i;
            while (i < n && bytes[i] != ',' && !atLineEnd(i))
                ++i;
            item = std::string(bytes.substr(start, i - start));
        }
        items.push_back(std::move(item));
        if (i < n && bytes[i] == ',')
            ++i;
        else
            skipLineEnd(i);
    }
    return items;
}

std::string readmeText(std::string_view bytes) {
    std::string text;
    for (const auto &item : readmeItems(bytes))
        text += item + "\r\n";
    return text;
}

} // namespace cantora::help

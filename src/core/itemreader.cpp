#include "core/itemreader.h"

namespace cantora::core {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

} // namespace

std::vector<std::string> readItems(std::string_view text) {
    std::vector<std::string> items;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        while (i < n && isBlank(text[i]))
            ++i;
        if (i >= n)
            break;
        std::string item;
        if (text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? n : close;
            item = std::string(text.substr(i + 1, end - i - 1));
            i = close == std::string_view::npos ? n : close + 1;
            while (i < n && text[i] != ',' && !isLineEnd(text[i]))
                ++i;
        } else {
            const std::size_t start = i;
            while (i < n && text[i] != ',' && !isLineEnd(text[i]))
                ++i;
            std::size_t end = i;
            while (end > start && isBlank(text[end - 1]))
                --end;
            item = std::string(text.substr(start, end - start));
        }
        items.push_back(std::move(item));
        if (i < n && text[i] == ',') {
            ++i;
        } else {
            // CR LF counts as one line end.
            if (i < n && text[i] == '\r')
                ++i;
            if (i < n && text[i] == '\n')
                ++i;
        }
    }
    return items;
}

std::vector<std::string> readLineItems(std::string_view text) {
    return readItems(text.substr(0, text.find_first_of("\r\n")));
}

} // namespace cantora::core

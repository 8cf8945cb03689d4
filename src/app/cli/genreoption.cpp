#include "app/cli/genreoption.h"

#include "tags/genres.h"

namespace cantora::cli {

std::optional<int> parseGenre(const std::string &value) {
    if (!value.empty() && value.size() <= 3 && value.find_first_not_of("0123456789") == std::string::npos) {
        const int n = std::stoi(value);
        if (n <= 255)
            return n;
        return std::nullopt;
    }
    return tags::GenreByteFromName(value);
}

std::string takeGenre(const std::optional<std::string> &value, std::optional<int> &genre) {
    if (!value)
        return "--genre needs a value";
    genre = parseGenre(*value);
    if (!genre)
        return "unknown genre '" + *value + "': give a byte 0-255 (12 is Other) or a genre name";
    return {};
}

} // namespace cantora::cli

#include "app/cli/genreoption.h"

#include "tags/genres.h"

#include <cstdio>

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

void reportTagFit(const char *command, const std::string &file, const tags::Id3v1Fit &fit, bool lyricsUtf8) {
    if (!fit.cutFields.empty())
        std::fprintf(stderr, "cantora-cli: %s: %s: cut to fit the tag: %s\n", command, file.c_str(),
                     fit.cutFields.c_str());
    std::string utf8 = fit.utf8Fields;
    if (lyricsUtf8)
        utf8 += utf8.empty() ? "lyrics" : ", lyrics";
    if (!utf8.empty())
        std::fprintf(stderr,
                     "cantora-cli: %s: %s: written in UTF-8, as CP1252 cannot hold them "
                     "(some older players show UTF-8 wrongly): %s\n",
                     command, file.c_str(), utf8.c_str());
}

} // namespace cantora::cli

#include "tags/lyricstext.h"

#include "core/textcodec.h"

namespace cantora::tags {

std::string LyricBoxText(std::string_view fileBytes) {
    const std::string text = core::textFileToUtf8(fileBytes);
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line(text.data() + start, end - start);
        if (line.find_first_not_of(" \t") != std::string_view::npos) {
            out += line;
            out += "\r\n";
        }
        // CR LF counts as one line end.
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return out;
}

} // namespace cantora::tags

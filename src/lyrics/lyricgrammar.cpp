#include "lyrics/lyricgrammar.h"

#include <utility>

namespace cantora::lyrics {

namespace {

bool isCrLf(char c) { return c == '\r' || c == '\n'; }

// A paragraph break is stronger than a line break, which is stronger than none.
SyllableKind stronger(SyllableKind a, SyllableKind b) {
    if (a == SyllableKind::Paragraph || b == SyllableKind::Paragraph)
        return SyllableKind::Paragraph;
    return a == SyllableKind::Line || b == SyllableKind::Line ? SyllableKind::Line : SyllableKind::Syllable;
}

} // namespace

SyllableKind classify(std::string_view text) {
    if (text.empty())
        return SyllableKind::Syllable;
    switch (text.front()) {
    case '@': return SyllableKind::Header;
    case '\\': return SyllableKind::Paragraph;
    case '/':
    case '<': return SyllableKind::Line;
    default: return SyllableKind::Syllable;
    }
}

std::string_view withoutBreak(std::string_view syllable) {
    return opensLine(classify(syllable)) ? syllable.substr(1) : syllable;
}

std::vector<std::string> MarkReader::read(std::string_view mark) {
    if (mark.empty() || mark.front() == '@')
        return {std::string(mark)};
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < mark.size()) {
        std::size_t end = mark.find_first_of("\r\n", at);
        if (end == std::string_view::npos)
            end = mark.size();
        if (end > at)
            out.push_back(opened(mark.substr(at, end - at)));
        for (at = end; at < mark.size() && isCrLf(mark[at]); ++at)
            waiting_ = stronger(waiting_, mark[at] == '\n' ? SyllableKind::Paragraph : SyllableKind::Line);
    }
    return out;
}

std::string MarkReader::opened(std::string_view text) {
    const SyllableKind own = classify(text);
    if (own == SyllableKind::Header)
        return std::string(text); // no syllable: the break waits on
    const SyllableKind waiting = std::exchange(waiting_, SyllableKind::Syllable);
    if (waiting == SyllableKind::Syllable || own == SyllableKind::Paragraph || own == waiting)
        return std::string(text);
    if (own == SyllableKind::Line) // a paragraph waiting
        return "\\" + std::string(text.substr(1));
    return (waiting == SyllableKind::Paragraph ? "\\" : "/") + std::string(text);
}

std::string withoutCrLf(std::string_view text) {
    std::string out;
    for (char c : text)
        if (!isCrLf(c))
            out += c;
    return out;
}

} // namespace cantora::lyrics

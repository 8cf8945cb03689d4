#include "lyrics/lyricpage.h"

namespace cantora::lyrics {

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

int countLines(std::string_view page) {
    int lines = 1;
    for (auto at = page.find("\r\n"); at != std::string_view::npos; at = page.find("\r\n", at + 1))
        ++lines;
    return lines;
}

bool applyMark(LyricState &state, std::string_view text, std::int32_t tick) {
    SyllableKind kind = classify(text);
    if (kind == SyllableKind::Header)
        return false;
    state.LastLyricTick = tick;
    state.LastSyllable = std::string(text);
    std::string_view rest = text;
    if (kind == SyllableKind::Paragraph) {
        state.LyricPage.clear();
        rest.remove_prefix(1);
    } else if (kind == SyllableKind::Line) {
        state.LyricPage += "\r\n";
        rest.remove_prefix(1);
    }
    // A fourth line turns the page; the break just added goes with it.
    if (countLines(state.LyricPage) > 3)
        state.LyricPage.clear();
    state.LyricPage += rest;
    return true;
}

void clearPage(LyricState &state) { state.LyricPage.clear(); }

MarkSource markSourceFor(bool hasLyricMark5, bool hasTextMark20) {
    if (hasLyricMark5)
        return MarkSource::Lyric;
    if (hasTextMark20)
        return MarkSource::Text;
    return MarkSource::None;
}

MarkSource markSourceOf(HSTREAM stream) {
    BASS_MIDI_MARK mark{};
    bool lyric5 = BASS_MIDI_StreamGetMark(stream, BASS_MIDI_MARK_LYRIC, 5, &mark) != 0;
    bool text20 = !lyric5 && BASS_MIDI_StreamGetMark(stream, BASS_MIDI_MARK_TEXT, 20, &mark) != 0;
    return markSourceFor(lyric5, text20);
}

} // namespace cantora::lyrics

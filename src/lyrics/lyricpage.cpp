#include "lyrics/lyricpage.h"

namespace cantora::lyrics {

int countLines(std::string_view page) {
    int lines = 1;
    for (auto at = page.find("\r\n"); at != std::string_view::npos; at = page.find("\r\n", at + 1))
        ++lines;
    return lines;
}

bool applyMark(LyricState &state, std::string_view text, std::int32_t tick) {
    const std::vector<std::string> syllables = state.reader.read(text);
    if (syllables.empty() || classify(syllables.front()) == SyllableKind::Header)
        return false;
    state.LastLyricTick = tick;
    state.LastSyllable = withoutCrLf(text);
    for (const std::string &s : syllables) {
        const SyllableKind kind = classify(s);
        if (kind == SyllableKind::Header)
            continue;
        if (kind == SyllableKind::Paragraph)
            state.LyricPage.clear();
        else if (kind == SyllableKind::Line)
            state.LyricPage += "\r\n";
        // A fourth line turns the page; the break just added goes with it.
        if (countLines(state.LyricPage) > 3)
            state.LyricPage.clear();
        state.LyricPage += withoutBreak(s);
    }
    return true;
}

void clearPage(LyricState &state) {
    state.LyricPage.clear();
    state.reader.reset();
}

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

#include "lyrics/lrccreator.h"

#include <algorithm>
#include <array>

#include "core/textcodec.h"
#include "lyrics/lrcformat.h"
#include "lyrics/lyricgrammar.h"

namespace cantora::lyrics {

namespace {

// Size of the per-run table of mark ticks.
constexpr std::size_t kTickTableSize = 1501;
// From this index on, a mark whose tick goes back ends the run.
constexpr std::size_t kFirstCheckedMark = 25;

} // namespace

std::optional<double> msPerTickOf(std::string_view midiData) {
    const auto at = midiData.find("\xFF\x51");
    if (at == std::string_view::npos || at + 5 >= midiData.size() || midiData.size() < 14)
        return std::nullopt;
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(midiData[i]));
    };
    // FF 51 03 tt tt tt: the three tempo bytes follow the length byte.
    const std::uint32_t tempo = byte(at + 3) << 16 | byte(at + 4) << 8 | byte(at + 5);
    // Ticks per quarter note: bytes 12 and 13 of the MThd chunk.
    const std::uint32_t division = byte(12) << 8 | byte(13);
    if (division == 0)
        return std::nullopt;
    // The old writer's own order of operations, so that every tick rounds alike.
    return static_cast<double>(tempo) / (division / 4.0) / 4000.0;
}

std::string upperCp1252(std::string_view cp1252) {
    std::string out(cp1252);
    for (char &c : out) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
            c = static_cast<char>(b - 0x20);
        else if (b == 0x9A || b == 0x9C || b == 0x9E) // š œ ž
            c = static_cast<char>(b - 0x10);
        else if (b == 0xFF) // ÿ
            c = static_cast<char>(0x9F);
    }
    return out;
}

namespace {

// A mark's text in upper case, as UTF-8. Text CP1252 can hold is raised by
// the CP1252 rule the file has always used; other text (a song in Japanese,
// say) keeps its characters, only its ASCII letters raised.
// With the song's encoding named, the text is read in it and only the
// characters it stores in one byte are raised.
std::string upperMark(std::string_view raw, const core::SongEncoding *encoding) {
    if (encoding)
        return encoding->upperCase(encoding->toUtf8(raw));
    const std::string utf8 = core::toUtf8(raw);
    std::string lost;
    const std::string cp = core::utf8ToCp1252(utf8, &lost);
    if (lost.empty())
        return core::cp1252ToUtf8(upperCp1252(cp));
    std::string out = utf8;
    for (char &c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 0x20);
    return out;
}

// The file's bytes: CP1252 when it holds every line, else UTF-8.
std::string fileBytes(const std::string &utf8) { return core::encodeForWriting(utf8); }

} // namespace

std::string createLrc(const std::vector<LrcMark> &marks, std::size_t midiSize, double msPerTick, LrcCreatorState &state,
                      const LrcOptions &options, LrcStop *stop) {
    // Every run starts with an empty line buffer and no pending line: the
    // button writes the same file for a song whatever ran before it.
    state = LrcCreatorState{};
    LrcStop ignored;
    LrcStop &stopped = stop ? *stop : ignored;
    stopped = LrcStop{};
    std::string out; // UTF-8 until it is returned
    std::array<double, kTickTableSize> ticks{};
    bool started = false;
    bool breakSeen = false;
    int k = 0;
    const std::size_t last = std::min(kLastLrcMark, midiSize);
    MarkReader reader;
    if (marks.size() > last + 1)
        stopped = {LrcStop::Reason::MarkLimit, last + 1};
    for (std::size_t i = 0; i <= last; ++i) {
        if (i >= marks.size())
            break;
        state.CurrentTick = marks[i].tick;
        if (i >= kFirstCheckedMark) {
            ticks[i] = state.CurrentTick;
            if (ticks[i] < ticks[i - 1]) {
                stopped = {LrcStop::Reason::TickBack, i};
                break;
            }
        }
        // A mark of CR/LF only is no syllable: it counts as a mark above, and
        // its break opens the line of the next syllable. The grammar reads the
        // stored bytes, then each syllable is read in the song's encoding.
        for (const std::string &raw : reader.read(marks[i].text)) {
            if (raw.empty()) {
                stopped = {LrcStop::Reason::EmptyMark, i};
                return fileBytes(out); // the file ends here, the gathered line unwritten
            }
            const SyllableKind kind = classify(raw);
            std::string s = opensLine(kind) ? raw.front() + upperMark(std::string_view(raw).substr(1), options.encoding)
                                            : upperMark(raw, options.encoding);
            if (s.back() == '|')
                breakSeen = true;
            if (opensLine(kind)) {
                if (!started) {
                    started = true;
                    out += lrcLine(state.LineSeconds, state.LineText);
                    state.LineText.clear();
                }
                if (state.LinePending) {
                    state.LinePending = false;
                    out += lrcLine(state.LineSeconds, state.LineText);
                    k = 0;
                }
                state.LineText.clear();
                breakSeen = true;
            } else if (kind == SyllableKind::Header) {
                s.clear(); // header texts are dropped
            } else if (!started) {
                state.LineText += s;
            }
            if (breakSeen) {
                if (++k == 2) {
                    // A time past the 32-bit range (a damaged tempo) leaves the last one standing.
                    const double seconds = msPerTick * state.CurrentTick / 1000.0 * options.tempoFactor;
                    if (seconds >= 0 && seconds < 2147483648.0)
                        state.LineSeconds = static_cast<std::int32_t>(seconds);
                }
                state.LineText += s;
                state.LinePending = true;
            }
        }
    }
    out += lrcLine(state.LineSeconds, state.LineText);
    return fileBytes(out);
}

std::string createExactLrc(const std::vector<LrcMark> &marks, const std::vector<std::string> &atTTexts,
                           const LrcOptions &options) {
    const auto toUtf8 = [&](std::string_view bytes) {
        return options.encoding ? options.encoding->toUtf8(bytes) : core::toUtf8(bytes);
    };
    std::string out;
    const auto header = [&](const char *key, std::size_t index) {
        if (index >= atTTexts.size())
            return;
        std::string value = toUtf8(atTTexts[index]);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\r' || value.back() == '\n'))
            value.pop_back();
        if (!value.empty())
            out += std::string("[") + key + ":" + value + "]\r\n";
    };
    header("ti", 0);
    header("ar", 1);

    std::string line;
    double start = 0;
    // The line gathers the stored bytes and is converted whole, so that a
    // UTF-8 character split over two syllables still reads as one.
    const auto flush = [&] {
        if (!line.empty())
            out += lrcExactTag(start) + toUtf8(line) + "\r\n";
        line.clear();
    };
    MarkReader reader;
    for (const LrcMark &m : marks) {
        for (const std::string &syllable : reader.read(m.text)) {
            std::string_view s = syllable;
            const SyllableKind kind = classify(s);
            if (s.empty() || kind == SyllableKind::Header)
                continue;
            if (opensLine(kind)) {
                flush();
                s.remove_prefix(1);
            }
            if (s.empty())
                continue;
            if (line.empty())
                start = m.seconds * options.tempoFactor; // the line's first syllable
            line += s;
        }
    }
    flush();
    return out;
}

} // namespace cantora::lyrics

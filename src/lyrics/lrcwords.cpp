#include "lyrics/lrcwords.h"

#include "audio/bass.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lrcformat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace cantora::lyrics {

namespace {

std::uint32_t toMs(double seconds) {
    if (!(seconds > 0))
        return 0;
    return static_cast<std::uint32_t>(std::min(std::llround(seconds * 1000.0), 0xFFFFFFFFLL));
}

// "<mm:ss.xx>": the exact line tag with word brackets.
std::string wordTag(double seconds) {
    std::string tag = lrcExactTag(seconds);
    tag.front() = '<';
    tag.back() = '>';
    return tag;
}

// The time in a tag "mm:ss", "mm:ss.x", "mm:ss.xx" or "mm:ss.xxx" (":" for
// the point too) between `open` and its closing character; nothing for any
// other text ("[ti:...]" and the like).
std::optional<std::uint32_t> tagTime(std::string_view s, std::size_t open, char close, std::size_t &end) {
    std::size_t p = open + 1;
    const auto number = [&](std::size_t maxDigits, std::uint64_t &v) {
        std::size_t n = 0;
        v = 0;
        while (p < s.size() && s[p] >= '0' && s[p] <= '9' && n < maxDigits) {
            v = v * 10 + static_cast<std::uint64_t>(s[p++] - '0');
            ++n;
        }
        return n;
    };
    std::uint64_t minutes = 0, seconds = 0, fraction = 0;
    if (number(4, minutes) == 0 || p >= s.size() || s[p++] != ':' || number(2, seconds) == 0 || seconds > 59)
        return std::nullopt;
    std::uint64_t scale = 1000;
    if (p < s.size() && (s[p] == '.' || s[p] == ':')) {
        ++p;
        const std::size_t digits = number(3, fraction);
        if (digits == 0)
            return std::nullopt;
        scale = digits == 1 ? 100 : digits == 2 ? 10 : 1;
    }
    if (p >= s.size() || s[p] != close)
        return std::nullopt;
    end = p + 1;
    return static_cast<std::uint32_t>((minutes * 60 + seconds) * 1000 + fraction * scale);
}

// `text` starting a new line: "\n" first.
std::string withLineBreak(const std::string &text) {
    std::string out(1, '\n');
    out += text;
    return out;
}

// Milliseconds as "[mm:ss.xx]".
std::string msTag(std::uint32_t ms) { return lrcExactTag(ms / 1000.0); }

} // namespace

std::vector<SyncedText> syncedSyllables(const LyricTimeline &timeline) {
    std::vector<SyncedText> out;
    for (const TimedLine &line : timeline.lines())
        for (std::size_t i = 0; i < line.syllables.size(); ++i) {
            const TimedSyllable &s = line.syllables[i];
            out.push_back({toMs(s.start), i == 0 && !out.empty() ? withLineBreak(s.text) : s.text});
        }
    return out;
}

std::string createWordLrc(const LyricTimeline &timeline, double lengthSeconds) {
    std::string out;
    if (!timeline.title().empty())
        out += "[ti:" + timeline.title() + "]\r\n";
    if (!timeline.artist().empty())
        out += "[ar:" + timeline.artist() + "]\r\n";
    if (lengthSeconds > 0) {
        const long long whole = std::llround(lengthSeconds);
        char buf[48];
        std::snprintf(buf, sizeof buf, "[length:%02lld:%02lld]\r\n", whole / 60, whole % 60);
        out += buf;
    }
    for (const TimedLine &line : timeline.lines()) {
        out += lrcExactTag(line.start());
        for (const TimedSyllable &s : line.syllables)
            out += wordTag(s.start) + s.text;
        out += "\r\n";
    }
    return out;
}

std::vector<SyncedText> syncedFromLrc(std::string_view lrc) {
    struct Piece {
        SyncedText entry;
        bool startsLine = false;
    };
    std::vector<Piece> pieces;
    std::size_t start = 0;
    while (start < lrc.size()) {
        std::size_t stop = lrc.find_first_of("\r\n", start);
        if (stop == std::string_view::npos)
            stop = lrc.size();
        const std::string_view line = lrc.substr(start, stop - start);
        start = stop + 1;

        // The line's tags first, then its text.
        std::vector<std::uint32_t> lineTimes;
        std::size_t p = 0, end = 0;
        while (p < line.size() && line[p] == '[') {
            const auto t = tagTime(line, p, ']', end);
            if (!t)
                break;
            lineTimes.push_back(*t);
            p = end;
        }
        if (lineTimes.empty())
            continue;
        const std::string_view text = line.substr(p);

        // Word tags: each piece runs to the next tag; text before the first
        // one belongs to the line tag.
        const std::size_t before = pieces.size();
        std::uint32_t at = lineTimes.front();
        std::string piece;
        bool wordTags = false;
        for (std::size_t q = 0; q < text.size();) {
            if (const auto t = text[q] == '<' ? tagTime(text, q, '>', end) : std::nullopt) {
                if (!piece.empty())
                    pieces.push_back({{at, piece}});
                piece.clear();
                at = *t;
                q = end;
                wordTags = true;
                continue;
            }
            piece += text[q++];
        }
        if (wordTags) {
            if (!piece.empty())
                pieces.push_back({{at, piece}});
            if (pieces.size() > before)
                pieces[before].startsLine = true;
        } else {
            for (const std::uint32_t t : lineTimes)
                pieces.push_back({{t, std::string(text)}, true});
        }
    }
    // Lines with several tags, and files not in time order, are sorted; a
    // stable sort keeps pieces of one time in file order.
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const Piece &a, const Piece &b) { return a.entry.ms < b.entry.ms; });
    std::vector<SyncedText> out;
    for (Piece &piece : pieces) {
        if (piece.startsLine && !out.empty())
            piece.entry.text = withLineBreak(piece.entry.text);
        out.push_back(std::move(piece.entry));
    }
    return out;
}

std::string lrcFromSynced(const std::vector<SyncedText> &synced) {
    const bool marked = std::any_of(synced.begin(), synced.end(),
                                    [](const SyncedText &s) { return !s.text.empty() && s.text.front() == '\n'; });
    std::string out;
    for (std::size_t i = 0; i < synced.size(); ++i) {
        std::string_view text = synced[i].text;
        const bool starts = i == 0 || !marked || (!text.empty() && text.front() == '\n');
        if (!text.empty() && text.front() == '\n')
            text.remove_prefix(1);
        if (starts) {
            if (i > 0)
                out += "\r\n";
            out += msTag(synced[i].ms);
        }
        out += text;
    }
    if (!out.empty())
        out += "\r\n";
    return out;
}

KaraokeLyrics karaokeLyrics(const LrcSong &song, double timeScale, const core::SongEncoding *encoding) {
    if (!(timeScale > 0))
        timeScale = 1.0;
    // The texts only: the song's bytes stay where they are.
    std::vector<LrcMark> marks = song.marks;
    std::vector<std::string> atTTexts = song.atTTexts;
    if (encoding)
        decodeSongTexts(marks, atTTexts, *encoding);
    for (LrcMark &m : marks)
        m.seconds *= timeScale;
    const LyricTimeline timeline(marks, atTTexts);

    double length = 0;
    const HSTREAM stream =
        BASS_MIDI_StreamCreateFile(1, song.bytes.data(), 0, song.bytes.size(), BASS_STREAM_DECODE, 0);
    if (stream) {
        length = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE)) * timeScale;
        BASS_StreamFree(stream);
    }
    return {createExactLrc(marks, atTTexts), syncedSyllables(timeline), createWordLrc(timeline, length)};
}

} // namespace cantora::lyrics

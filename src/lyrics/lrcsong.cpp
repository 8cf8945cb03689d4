#include "lyrics/lrcsong.h"

#include "audio/bass.h"
#include "core/byteio.h"
#include "core/textcodec.h"
#include "lyrics/lyricpage.h"

#include <cmath>
#include <cstdio>

namespace cantora::lyrics {

namespace {

LrcSongError readBytes(const std::string &path, std::string &bytes) {
    core::FileSource file;
    if (!file.open(path)) // a folder or a FIFO is no song either
        return LrcSongError::CannotRead;
    if (static_cast<std::uint64_t>(file.size()) > kMaxLrcSongBytes)
        return LrcSongError::TooLarge;
    bytes = file.readString(0, static_cast<std::size_t>(file.size()));
    return bytes.size() == static_cast<std::size_t>(file.size()) ? LrcSongError::None : LrcSongError::CannotRead;
}

std::vector<LrcMark> marksOf(HSTREAM stream, DWORD type) {
    std::vector<LrcMark> marks;
    BASS_MIDI_MARK m{};
    for (DWORD i = 0; BASS_MIDI_StreamGetMark(stream, type, i, &m); ++i) {
        // The engine keeps each mark's tick, so no seek is needed to learn it;
        // its byte position gives the time through the whole tempo map.
        marks.push_back({m.text ? m.text : "", m.tick, BASS_ChannelBytes2Seconds(stream, m.pos)});
    }
    return marks;
}

} // namespace

void decodeSongTexts(std::vector<LrcMark> &marks, std::vector<std::string> &atTTexts,
                     const core::SongEncoding &encoding) {
    for (LrcMark &m : marks)
        m.text = encoding.toUtf8(m.text);
    for (std::string &t : atTTexts)
        t = encoding.toUtf8(t);
}

LrcSongError readLrcSong(const std::string &path, LrcSong &song, int *engineError) {
    song = LrcSong{};
    if (const LrcSongError e = readBytes(path, song.bytes); e != LrcSongError::None)
        return e;
    // The engine reads the bytes already in hand, not the file a second time.
    const HSTREAM stream =
        BASS_MIDI_StreamCreateFile(1, song.bytes.data(), 0, song.bytes.size(), BASS_STREAM_DECODE, 0);
    if (!stream) {
        if (engineError)
            *engineError = BASS_ErrorGetCode();
        return LrcSongError::NotMidi;
    }
    song.source = markSourceOf(stream);
    if (song.source != MarkSource::None)
        song.marks = marksOf(stream, static_cast<DWORD>(song.source));
    for (const LrcMark &m : marksOf(stream, BASS_MIDI_MARK_TEXT))
        if (m.text.size() >= 2 && m.text.compare(0, 2, "@T") == 0)
            song.atTTexts.push_back(m.text.substr(2));
    BASS_StreamFree(stream);
    return LrcSongError::None;
}

std::string songLrc(const std::string &path, double &msPerTick, LrcCreatorState &state, LrcSongError &error,
                    const LrcOptions &options) {
    LrcSong song;
    error = readLrcSong(path, song);
    if (error != LrcSongError::None)
        return {};
    if (const auto ms = msPerTickOf(song.bytes))
        msPerTick = *ms;
    return createLrc(song.marks, song.bytes.size(), msPerTick, state, options);
}

namespace {

// Why the button's rules gave a file with no line.
std::string whyNoLine(const LrcSong &song, const LrcStop &stop) {
    if (song.marks.empty())
        return "the song has no lyrics (fewer than six lyric and twenty-one text events)";
    const char *kind = song.source == MarkSource::Text ? "text" : "lyric";
    const auto at = [&](std::size_t mark) {
        const double seconds = mark < song.marks.size() ? std::max(0.0, song.marks[mark].seconds) : 0.0;
        const long long whole = std::llround(std::floor(seconds));
        char buf[48];
        std::snprintf(buf, sizeof buf, "%lld:%02lld", whole / 60, whole % 60);
        return std::string(buf);
    };
    char buf[160];
    switch (stop.reason) {
    case LrcStop::Reason::EmptyMark:
        std::snprintf(buf, sizeof buf, "stopped at an empty %s event at %s, as the LRC rules say", kind,
                      at(stop.mark).c_str());
        return buf;
    case LrcStop::Reason::TickBack:
        std::snprintf(buf, sizeof buf,
                      "stopped at %s event %zu (%s), which comes before the one above it, as the LRC rules say", kind,
                      stop.mark + 1, at(stop.mark).c_str());
        return buf;
    case LrcStop::Reason::MarkLimit:
        std::snprintf(buf, sizeof buf, "its first %zu %s events, all the LRC rules read, hold no line with text",
                      stop.mark, kind);
        return buf;
    case LrcStop::Reason::AllRead: break;
    }
    std::snprintf(buf, sizeof buf, "its %s events hold no line with text", kind);
    return buf;
}

} // namespace

SongLrc lrcForSong(const LrcSong &song, bool exact, const LrcOptions &options) {
    SongLrc out;
    LrcStop stop;
    if (exact) {
        out.bytes = createExactLrc(song.marks, song.atTTexts, options);
    } else {
        // A fresh creator, as in a player just started: no tempo kept from
        // an earlier song.
        LrcCreatorState state;
        out.bytes =
            createLrc(song.marks, song.bytes.size(), msPerTickOf(song.bytes).value_or(0.0), state, options, &stop);
    }
    if (out.bytes.empty())
        out.whyEmpty = whyNoLine(song, stop);
    return out;
}

SongLrc lyricsForMp3(const LrcSong &song, const LrcOptions &options) {
    SongLrc out = lrcForSong(song, false, options);
    if (out.bytes.empty() && !song.marks.empty()) {
        out.bytes = createExactLrc(song.marks, {}, options);
        out.exactLines = !out.bytes.empty();
    }
    return out;
}

const char *lrcSongErrorText(LrcSongError error) {
    switch (error) {
    case LrcSongError::None: return "";
    case LrcSongError::CannotRead: return "the song file cannot be read";
    case LrcSongError::TooLarge: return "the song file is too large";
    case LrcSongError::NotMidi: return "the file is not a MIDI song";
    }
    return "";
}

} // namespace cantora::lyrics

#include "lyrics/lrcsong.h"

#include "audio/bass.h"
#include "core/byteio.h"
#include "lyrics/lyricpage.h"

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
    const MarkSource source = markSourceOf(stream);
    if (source != MarkSource::None)
        song.marks = marksOf(stream, static_cast<DWORD>(source));
    for (const LrcMark &m : marksOf(stream, BASS_MIDI_MARK_TEXT))
        if (m.text.size() >= 2 && m.text.compare(0, 2, "@T") == 0)
            song.atTTexts.push_back(m.text.substr(2));
    BASS_StreamFree(stream);
    return LrcSongError::None;
}

std::string songLrc(const std::string &path, double &msPerTick, LrcCreatorState &state, LrcSongError &error) {
    LrcSong song;
    error = readLrcSong(path, song);
    if (error != LrcSongError::None)
        return {};
    if (const auto ms = msPerTickOf(song.bytes))
        msPerTick = *ms;
    return createLrc(song.marks, song.bytes.size(), msPerTick, state);
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

#include "lyrics/lrcsong.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "audio/bass.h"
#include "lyrics/lyricpage.h"

namespace cantora::lyrics {

namespace {

LrcSongError readBytes(const std::string &path, std::string &bytes) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) // a folder opens, but reads as nothing sensible
        return LrcSongError::CannotRead;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return LrcSongError::CannotRead;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return LrcSongError::CannotRead;
    if (static_cast<std::uint64_t>(size) > kMaxLrcSongBytes)
        return LrcSongError::TooLarge;
    in.seekg(0);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad() || bytes.size() != static_cast<std::size_t>(size))
        return LrcSongError::CannotRead;
    return LrcSongError::None;
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
    const HSTREAM stream = BASS_MIDI_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE, 0);
    if (!stream) {
        const int code = BASS_ErrorGetCode();
        if (engineError)
            *engineError = code;
        return code == BASS_ERROR_FILEOPEN ? LrcSongError::CannotRead : LrcSongError::NotMidi;
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

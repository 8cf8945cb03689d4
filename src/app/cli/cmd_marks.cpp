// cantora-cli marks SONG: the song's lyric and text events as the engine
// indexes them, one tab-separated line each:
//   lyric|text, index, track (0-based, file order), tick, byte position, text
// The text is converted to UTF-8 and \ TAB CR LF are written \\ \t \r \n.

#include "app/cli/commandline.h"
#include "app/cli/songengine.h"
#include "audio/bass.h"
#include "core/textcodec.h"

#include <cerrno>
#include <cstdio>
#include <string>

namespace {

const char *const kUsage = "usage: cantora-cli marks SONG\n"
                           "  lists the song's lyric and text events: kind, index, track, tick,\n"
                           "  byte position and text, separated by tabs\n";

std::string escaped(const std::string &utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

int cantora::cli::marks(const Args &args) {
    std::string song;
    CommandLine cl("marks", kUsage);
    cl.operand("SONG", song);
    if (const int status = cl.parse(args); status >= 0)
        return status;
    if (!checkSong(song, "marks", true))
        return kFailed;
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "cantora-cli: marks: cannot start the audio engine (error %d)\n", BASS_ErrorGetCode());
        return 1;
    }
    const HSTREAM h = BASS_MIDI_StreamCreateFile(0, song.c_str(), 0, 0, BASS_STREAM_DECODE, 0);
    if (!h) {
        const int code = BASS_ErrorGetCode();
        std::fprintf(stderr, "cantora-cli: marks: %s: %s (error %d)\n", song.c_str(),
                     code == BASS_ERROR_FILEOPEN ? "cannot open the file" : "not a MIDI file", code);
        BASS_Free();
        return 1;
    }
    for (const DWORD type : {BASS_MIDI_MARK_LYRIC, BASS_MIDI_MARK_TEXT}) {
        BASS_MIDI_MARK m{};
        for (DWORD i = 0; BASS_MIDI_StreamGetMark(h, type, i, &m); ++i) {
            const std::string text = escaped(cantora::core::toUtf8(m.text ? m.text : ""));
            std::printf("%s\t%u\t%u\t%u\t%u\t%s\n", type == BASS_MIDI_MARK_LYRIC ? "lyric" : "text", i, m.track, m.tick,
                        m.pos, text.c_str());
        }
    }
    BASS_Free();
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return cl.fail("cannot write standard output: " + systemError(errno));
    return 0;
}

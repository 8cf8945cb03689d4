// cantora-cli lrc SONG OUT.lrc [--exact] [--tempo PCT] [--song-encoding NAME]:
// the song's lyrics as an LRC file.
// Without --exact the file is the very one the player's LRC button writes
// (whole-second early tags, upper case, CP1252). With --exact each line is
// tagged at its first syllable in hundredths through the whole tempo map,
// in its own case and UTF-8, after [ti:]/[ar:] lines from the "@T" texts.
// The file is written beside the target and renamed: never half written.

#include "app/cli/commands.h"
#include "audio/bass.h"
#include "core/byteio.h"
#include "core/samefile.h"
#include "core/textcodec.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lrcsong.h"
#include "player/liveoptions.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

const char *const kUsage =
    "usage: cantora-cli lrc SONG OUT.lrc [--exact] [--tempo PCT] [--song-encoding NAME]\n"
    "  writes the song's lyrics as an LRC file: the player's own file, or with\n"
    "  --exact one tagged in hundredths at each line's first syllable (UTF-8)\n"
    "  --tempo PCT            times for audio rendered at that tempo (-50..50, as for render)\n"
    "  --song-encoding NAME   the song's texts are in NAME (an iconv name: SHIFT_JIS, CP1251...);\n"
    "                         without it they are UTF-8 where valid, else CP1252\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int cantora::cli::lrc(const Args &args) {
    std::string song;
    std::string out;
    bool exact = false;
    lyrics::LrcOptions options;
    std::optional<core::SongEncoding> encoding;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--exact") {
            exact = true;
        } else if (a == "--tempo" || a == "--song-encoding") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "cantora-cli: lrc: %s needs a value\n", a.c_str());
                return usage();
            }
            const std::string &v = args[++i];
            std::string why;
            player::LiveSettings tempo;
            if (a == "--tempo" && (why = player::applyLiveOption(a, v, tempo)).empty())
                options.tempoFactor = tempo.tempoFactor;
            else if (a == "--song-encoding" && (encoding = core::SongEncoding::named(v, &why)))
                options.encoding = &*encoding;
            if (!why.empty()) {
                std::fprintf(stderr, "cantora-cli: lrc: %s\n", why.c_str());
                return usage();
            }
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "cantora-cli: lrc: unknown option '%s'\n", a.c_str());
            return usage();
        } else if (song.empty()) {
            song = a;
        } else if (out.empty()) {
            out = a;
        } else {
            std::fprintf(stderr, "cantora-cli: lrc: unexpected argument '%s'\n", a.c_str());
            return usage();
        }
    }
    if (song.empty() || out.empty())
        return usage();
    if (cantora::core::sameFile(song, out)) {
        std::fprintf(stderr, "cantora-cli: lrc: %s is the song itself; name another file\n", out.c_str());
        return 1;
    }
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "cantora-cli: lrc: cannot start the audio engine (error %d)\n", BASS_ErrorGetCode());
        return 1;
    }
    lyrics::LrcSong s;
    int code = 0;
    const lyrics::LrcSongError error = lyrics::readLrcSong(song, s, &code);
    BASS_Free();
    if (error != lyrics::LrcSongError::None) {
        std::fprintf(stderr, "cantora-cli: lrc: %s: %s", song.c_str(), lyrics::lrcSongErrorText(error));
        if (code)
            std::fprintf(stderr, " (error %d)", code);
        std::fputc('\n', stderr);
        return 1;
    }

    const lyrics::SongLrc lrc = lyrics::lrcForSong(s, exact, options);
    const std::string &bytes = lrc.bytes;
    if (!lrc.whyEmpty.empty())
        std::fprintf(stderr, "cantora-cli: lrc: %s: %s is empty: %s%s\n", song.c_str(), out.c_str(),
                     lrc.whyEmpty.c_str(), exact || s.marks.empty() ? "" : "; --exact reads the whole song");

    if (const std::string why = cantora::core::writeWholeFile(out, bytes); !why.empty()) {
        std::fprintf(stderr, "cantora-cli: lrc: cannot write %s\n", why.c_str());
        return 1;
    }
    return 0;
}

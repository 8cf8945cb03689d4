// cantora-cli lrc SONG OUT.lrc [--exact]: the song's lyrics as an LRC file.
// Without --exact the file is the very one the player's LRC button writes
// (whole-second early tags, upper case, CP1252). With --exact each line is
// tagged at its first syllable in hundredths through the whole tempo map,
// in its own case and UTF-8, after [ti:]/[ar:] lines from the "@T" texts.
// With --words every syllable is tagged too ("<mm:ss.xx>"), for players that
// highlight word by word.
// The file is written beside the target and renamed: never half written.

#include "app/cli/commands.h"
#include "audio/bass.h"
#include "core/byteio.h"
#include "core/samefile.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lrcsong.h"
#include "lyrics/lrcwords.h"

#include <cstdio>
#include <string>

namespace {

const char *const kUsage = "usage: cantora-cli lrc SONG OUT.lrc [--exact | --words]\n"
                           "  writes the song's lyrics as an LRC file: the player's own file, or with\n"
                           "  --exact one tagged in hundredths at each line's first syllable (UTF-8),\n"
                           "  or with --words one with every syllable's time as well\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int cantora::cli::lrc(const Args &args) {
    std::string song;
    std::string out;
    bool exact = false;
    bool words = false;
    for (const auto &a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--exact") {
            exact = true;
        } else if (a == "--words") {
            words = true;
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
    // The word-timed file reads the song's length through the engine.
    const std::string wordLrc =
        words && error == lyrics::LrcSongError::None ? lyrics::karaokeLyrics(s).wordLrc : std::string();
    BASS_Free();
    if (error != lyrics::LrcSongError::None) {
        std::fprintf(stderr, "cantora-cli: lrc: %s: %s", song.c_str(), lyrics::lrcSongErrorText(error));
        if (code)
            std::fprintf(stderr, " (error %d)", code);
        std::fputc('\n', stderr);
        return 1;
    }

    std::string bytes;
    if (words) {
        bytes = wordLrc;
    } else if (exact) {
        bytes = lyrics::createExactLrc(s.marks, s.atTTexts);
    } else {
        // A fresh creator, as in a player just started: no tempo kept from
        // an earlier song, no line left over.
        lyrics::LrcCreatorState state;
        bytes = lyrics::createLrc(s.marks, s.bytes.size(), lyrics::msPerTickOf(s.bytes).value_or(0.0), state);
    }
    if (s.marks.empty())
        std::fprintf(stderr,
                     "cantora-cli: lrc: %s has no lyrics (fewer than six lyric and twenty-one text "
                     "events); %s is empty\n",
                     song.c_str(), out.c_str());

    if (const std::string why = cantora::core::writeWholeFile(out, bytes); !why.empty()) {
        std::fprintf(stderr, "cantora-cli: lrc: cannot write %s\n", why.c_str());
        return 1;
    }
    return 0;
}

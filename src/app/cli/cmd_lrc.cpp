// cantora-cli lrc SONG OUT.lrc|- [--exact]: the song's lyrics as an LRC file
// (- : standard output).
// Without --exact the file is the very one the player's LRC button writes
// (whole-second early tags, upper case, CP1252). With --exact each line is
// tagged at its first syllable in hundredths through the whole tempo map,
// in its own case and UTF-8, after [ti:]/[ar:] lines from the "@T" texts.
// The file is written beside the target and renamed: never half written.

#include "app/cli/commandline.h"
#include "app/cli/interrupt.h"
#include "app/cli/songengine.h"
#include "audio/bass.h"
#include "core/safeoutput.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lrcsong.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

namespace {

const char *const kUsage = "usage: cantora-cli lrc SONG OUT.lrc|- [--exact] [--force] [-q]\n"
                           "  writes the song's lyrics as an LRC file (- : standard output): the player's\n"
                           "  own file, or with --exact one tagged in hundredths at each line's first\n"
                           "  syllable (UTF-8)\n"
                           "  --force       replace an existing OUT.lrc\n"
                           "  -q, --quiet   print nothing but errors\n";

} // namespace

int cantora::cli::lrc(const Args &args) {
    std::string song, out;
    bool exact = false, force = false;
    CommandLine cl("lrc", kUsage);
    cl.flag("--exact", exact).writes(force).operand("SONG", song).operand("OUT.lrc", out);
    if (const int status = cl.parse(args); status >= 0)
        return status;
    if (const int status = cl.checkOutput(out, force, {song}); status >= 0)
        return status;
    if (!checkSong(song, "lrc", true))
        return kFailed;
    // From here on a signal only stops the work, which then removes its file.
    const InterruptGuard interrupt;
    core::SafeOutput file;
    if (out != "-" && !file.open(out, force))
        return cl.fail(file.error());
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) {
        return cl.fail("cannot start the audio engine (error " + std::to_string(BASS_ErrorGetCode()) + ")");
    }
    lyrics::LrcSong s;
    int code = 0;
    const lyrics::LrcSongError error = lyrics::readLrcSong(song, s, &code);
    BASS_Free();
    if (error != lyrics::LrcSongError::None) {
        return cl.fail(song + ": " + lyrics::lrcSongErrorText(error) +
                       (code ? " (error " + std::to_string(code) + ")" : std::string()));
    }

    std::string bytes;
    if (exact) {
        bytes = lyrics::createExactLrc(s.marks, s.atTTexts);
    } else {
        // A fresh creator, as in a player just started: no tempo kept from
        // an earlier song, no line left over.
        lyrics::LrcCreatorState state;
        bytes = lyrics::createLrc(s.marks, s.bytes.size(), lyrics::msPerTickOf(s.bytes).value_or(0.0), state);
    }
    if (s.marks.empty())
        cl.note(song + " has no lyrics (fewer than six lyric and twenty-one text events); " +
                (out == "-" ? std::string("nothing written") : out + " is empty"));

    if (out == "-") {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
            return cl.fail("cannot write standard output: " + systemError(errno));
        return 0;
    }
    if (InterruptGuard::interrupted()) {
        cl.fail("interrupted, nothing written");
        return InterruptGuard::status();
    }
    if (!file.write(bytes) || !file.commit()) {
        cl.fail(file.error());
        return file.existed() ? kRefused : kFailed;
    }
    cl.summary(out, -1, std::to_string(std::count(bytes.begin(), bytes.end(), '\n')) + " lines");
    return 0;
}

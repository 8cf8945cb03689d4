// cantora-cli lrc SONG OUT.lrc|- [--exact] [--tempo PCT] [--song-encoding NAME]:
// the song's lyrics as an LRC file (- : standard output).
// Without --exact the file is the very one the player's LRC button writes
// (whole-second early tags, upper case, CP1252). With --exact each line is
// tagged at its first syllable in hundredths through the whole tempo map,
// in its own case and UTF-8, after [ti:]/[ar:] lines from the "@T" texts.
// With --words every syllable is tagged too ("<mm:ss.xx>"), for players that
// highlight word by word.
// The file is written beside the target and renamed: never half written.

#include "app/cli/commandline.h"
#include "app/cli/genreoption.h"
#include "app/cli/interrupt.h"
#include "app/cli/songengine.h"
#include "audio/bass.h"
#include "core/safeoutput.h"
#include "core/textcodec.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lrcsong.h"
#include "lyrics/lrcwords.h"
#include "player/liveoptions.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>

namespace {

const char *const kUsage =
    "usage: cantora-cli lrc SONG OUT.lrc|- [--exact | --words] [--tempo PCT] [--song-encoding NAME]\n"
    "                       [--force] [-q]\n"
    "  writes the song's lyrics as an LRC file (- : standard output): the player's\n"
    "  own file, or with --exact one tagged in hundredths at each line's first\n"
    "  syllable (UTF-8), or with --words one with every syllable's time as well\n"
    "  --tempo PCT            times for audio rendered at that tempo (-50..50, as for render)\n"
    "  --song-encoding NAME   the song's texts are in NAME (an iconv name: SHIFT_JIS, CP1251...);\n"
    "                         without it they are UTF-8 where valid, else CP1252\n"
    "  --force                replace an existing OUT.lrc\n"
    "  -q, --quiet            print nothing but errors\n";

} // namespace

int cantora::cli::lrc(const Args &args) {
    std::string song, out;
    bool exact = false, words = false, force = false;
    lyrics::LrcOptions options;
    std::optional<core::SongEncoding> encoding;
    CommandLine cl("lrc", kUsage);
    cl.flag("--exact", exact)
        .flag("--words", words)
        .value("--tempo",
               [&](const std::string &v) {
                   player::LiveSettings tempo;
                   const std::string why = player::applyLiveOption("--tempo", v, tempo);
                   options.tempoFactor = tempo.tempoFactor;
                   return why;
               })
        .value("--song-encoding", [&](const std::string &v) { return takeSongEncoding(v, encoding); })
        .writes(force)
        .operand("SONG", song)
        .operand("OUT.lrc", out);
    if (const int status = cl.parse(args); status >= 0)
        return status;
    if (exact && words)
        return cl.usageError("--exact and --words together");
    if (encoding)
        options.encoding = &*encoding;
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
    // The word-timed file reads the song's length through the engine.
    const std::string wordLrc = words && error == lyrics::LrcSongError::None
                                    ? lyrics::karaokeLyrics(s, options.tempoFactor, options.encoding).wordLrc
                                    : std::string();
    BASS_Free();
    if (error != lyrics::LrcSongError::None) {
        return cl.fail(song + ": " + lyrics::lrcSongErrorText(error) +
                       (code ? " (error " + std::to_string(code) + ")" : std::string()));
    }

    const lyrics::SongLrc lrc = lyrics::lrcForSong(s, exact, options);
    const std::string &bytes = words ? wordLrc : lrc.bytes;
    if (!words && !lrc.whyEmpty.empty())
        cl.note(song + ": " + (out == "-" ? std::string("the LRC") : out) + " is empty: " + lrc.whyEmpty +
                (exact || s.marks.empty() ? "" : "; --exact reads the whole song"));

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

// cantora-cli cdg SONG OUT.cdg|- [--font F] [--colours BG,TEXT,SUNG] [--force]
//     [--tempo PCT] [--song-encoding NAME]
// The song's lyrics as CD+G graphics for karaoke players: a file as long as
// the song's render at that tempo, written beside OUT and renamed when
// complete; an existing OUT is replaced only with --force. "-" writes the
// graphics to standard output.

#include "app/cli/commandline.h"
#include "app/cli/genreoption.h"
#include "app/cli/interrupt.h"
#include "app/cli/songengine.h"
#include "audio/bass.h"
#include "cdg/cdgfile.h"
#include "cdg/textraster.h"
#include "player/liveoptions.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using namespace cantora;

const std::string kUsage = "usage: cantora-cli cdg SONG OUT.cdg|- [--font FAMILY] [--colours BG,TEXT,SUNG] [--force]\n"
                           "                        [--tempo PCT] [--song-encoding NAME]\n"
                           "  writes the song's lyrics as CD+G karaoke graphics, timed as the song renders\n"
                           "  (- : standard output)\n"
                           "  --font FAMILY   the font (bold), DejaVu Sans when not given\n"
                           "  --colours C     background, text and sung colours, each #RRGGBB\n"
                           "  --tempo PCT     as for render: the graphics follow the faster or slower song\n"
                           "  --song-encoding NAME  the song's texts are in NAME (an iconv name); without it\n"
                           "                        they are UTF-8 where valid, else CP1252\n"
                           "  --force         replace an existing OUT.cdg\n"
                           "  -q, --quiet     print nothing but errors\n";

// The song's length in seconds as the engine renders it, or a negative value.
double songSeconds(const std::string &song) {
    const HSTREAM stream = BASS_MIDI_StreamCreateFile(0, song.c_str(), 0, 0, BASS_STREAM_DECODE, 0);
    if (!stream)
        return -1;
    const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    const double seconds = length == QWORD(-1) ? -1 : BASS_ChannelBytes2Seconds(stream, length);
    BASS_StreamFree(stream);
    return seconds;
}

} // namespace

int cantora::cli::cdg(const Args &args) {
    std::string song, out;
    cdg::CdgOptions options;
    bool force = false;
    std::optional<player::LiveSettings> live;
    std::optional<core::SongEncoding> encoding;
    CommandLine cl("cdg", kUsage);
    cl.value("--font",
             [&](const std::string &v) {
                 options.fontFamily = v;
                 return std::string();
             })
        .value("--colours", [&](const std::string &v) { return cdg::parseColours(v, options); })
        .value("--tempo",
               [&](const std::string &v) {
                   if (!live)
                       live.emplace();
                   return player::applyLiveOption("--tempo", v, *live);
               })
        .value("--song-encoding", [&](const std::string &v) { return takeSongEncoding(v, encoding); })
        .writes(force)
        .operand("SONG", song)
        .operand("OUT.cdg", out);
    if (const int status = cl.parse(args); status >= 0)
        return status;
    options.encoding = encoding ? &*encoding : nullptr;
    if (const int status = cl.checkOutput(out, force, {song}); status >= 0)
        return status;
    if (!checkSong(song, "cdg"))
        return kFailed;
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr))
        return cl.fail("cannot start the audio engine (error " + std::to_string(BASS_ErrorGetCode()) + ")");
    // Without an "@T" title the title screen shows the file's name.
    options.title = std::filesystem::path(song).stem().string();
    const InterruptGuard interrupt;
    const double factor = live ? live->tempoFactor : 1.0;
    const double seconds = songSeconds(song) * factor;
    cdg::CdgStream stream;
    if (seconds > 0)
        stream = cdg::songCdg(song, seconds, factor, options);
    BASS_Free();
    if (!(seconds > 0))
        return cl.fail(song + ": the song's length cannot be read");
    if (!stream.error.empty())
        return cl.fail(stream.error);
    for (const std::string &w : stream.warnings)
        cl.note(w);
    if (InterruptGuard::interrupted()) {
        cl.fail("interrupted, nothing written");
        return InterruptGuard::status();
    }
    if (out == "-") {
        if (std::fwrite(stream.bytes.data(), 1, stream.bytes.size(), stdout) != stream.bytes.size() ||
            std::fflush(stdout) != 0)
            return cl.fail("cannot write standard output: " + systemError(errno));
    } else if (const std::string why =
                   cdg::writeFileSafely(out, stream.bytes, force, [] { return InterruptGuard::interrupted(); });
               !why.empty()) {
        cl.fail(why);
        return InterruptGuard::interrupted() ? InterruptGuard::status() : kFailed;
    }
    const std::string font = options.fontFamily.empty() ? cdg::kDefaultFontFamily : options.fontFamily;
    cl.summary(out, seconds,
               std::to_string(stream.bytes.size() / 24) + " packets, font \"" + font + "\"" +
                   (stream.latest > 0.2 ? ", a graphic " + std::to_string(stream.latest) + " s late" : ""));
    return 0;
}

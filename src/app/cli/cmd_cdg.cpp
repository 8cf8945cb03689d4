// cantora-cli cdg SONG OUT.cdg [--font F] [--colours BG,TEXT,SUNG] [--force]
//     [--tempo PCT]
// The song's lyrics as CD+G graphics for karaoke players: a file as long as
// the song's render at that tempo, written beside OUT and renamed when
// complete; an existing OUT is replaced only with --force.

#include "app/cli/commands.h"
#include "app/cli/interrupt.h"
#include "app/cli/songengine.h"
#include "audio/bass.h"
#include "cdg/cdgfile.h"
#include "cdg/textraster.h"
#include "player/liveoptions.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using namespace cantora;

const std::string kUsage = "usage: cantora-cli cdg SONG OUT.cdg [--font FAMILY] [--colours BG,TEXT,SUNG] [--force]\n"
                           "                        [--tempo PCT]\n"
                           "  writes the song's lyrics as CD+G karaoke graphics, timed as the song renders\n"
                           "  --font FAMILY   the font (bold), DejaVu Sans when not given\n"
                           "  --colours C     background, text and sung colours, each #RRGGBB\n"
                           "  --tempo PCT     as for render: the graphics follow the faster or slower song\n"
                           "  --force         replace an existing OUT.cdg\n";

int usageError(const std::string &what) {
    std::fprintf(stderr, "cantora-cli: cdg: %s\n%s", what.c_str(), kUsage.c_str());
    return 2;
}

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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage.c_str(), stdout);
            return 0;
        }
        if (a == "--font" || a == "--colours") {
            if (i + 1 >= args.size())
                return usageError(a + " needs a value");
            const std::string &v = args[++i];
            if (a == "--font")
                options.fontFamily = v;
            else if (const std::string why = cdg::parseColours(v, options); !why.empty())
                return usageError(why);
        } else if (a == "--force") {
            force = true;
        } else if (a == "--tempo") {
            if (const int taken = takeLiveOption(args, i, live, "cdg", kUsage); taken)
                return taken;
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("unknown option '" + a + "'");
        } else if (song.empty()) {
            song = a;
        } else if (out.empty()) {
            out = a;
        } else {
            return usageError("too many arguments");
        }
    }
    if (song.empty() || out.empty()) {
        std::fputs(kUsage.c_str(), stderr);
        return 2;
    }
    if (outputIsAnInput(out, song, song, "cdg"))
        return 1;
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(out, ec)) && !force &&
        !std::filesystem::is_directory(out, ec)) {
        std::fprintf(stderr, "cantora-cli: cdg: %s already exists (use --force to replace it)\n", out.c_str());
        return 3;
    }
    if (!checkSong(song, "cdg"))
        return 1;
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "cantora-cli: cdg: cannot start the audio engine (error %d)\n", BASS_ErrorGetCode());
        return 1;
    }
    // Without an "@T" title the title screen shows the file's name.
    options.title = std::filesystem::path(song).stem().string();
    const InterruptGuard interrupt;
    const double factor = live ? live->tempoFactor : 1.0;
    const double seconds = songSeconds(song) * factor;
    cdg::CdgStream stream;
    if (seconds > 0)
        stream = cdg::songCdg(song, seconds, factor, options);
    BASS_Free();
    if (!(seconds > 0)) {
        std::fprintf(stderr, "cantora-cli: cdg: %s: the song's length cannot be read\n", song.c_str());
        return 1;
    }
    if (!stream.error.empty()) {
        std::fprintf(stderr, "cantora-cli: cdg: %s\n", stream.error.c_str());
        return 1;
    }
    for (const std::string &w : stream.warnings)
        std::fprintf(stderr, "cantora-cli: cdg: %s\n", w.c_str());
    if (InterruptGuard::interrupted()) {
        std::fprintf(stderr, "cantora-cli: cdg: interrupted, nothing written\n");
        return kInterruptedStatus;
    }
    if (const std::string why =
            cdg::writeFileSafely(out, stream.bytes, force, [] { return InterruptGuard::interrupted(); });
        !why.empty()) {
        std::fprintf(stderr, "cantora-cli: cdg: cannot write %s\n", why.c_str());
        return InterruptGuard::interrupted() ? kInterruptedStatus : 1;
    }
    std::fprintf(stderr, "%s: %.2f s, %zu packets, font \"%s\"%s\n", out.c_str(), seconds, stream.bytes.size() / 24,
                 options.fontFamily.empty() ? cdg::kDefaultFontFamily : options.fontFamily.c_str(),
                 stream.latest > 0.2 ? (", a graphic " + std::to_string(stream.latest) + " s late").c_str() : "");
    return 0;
}

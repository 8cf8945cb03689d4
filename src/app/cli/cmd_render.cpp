// cantora-cli render SONG OUT.wav [--soundfont SF2] [live options]: the song
// through the engine into a 16-bit PCM WAV file, faster than real time, with
// the live settings the window would play it with.

#include "app/cli/commands.h"
#include "app/cli/interrupt.h"
#include "app/cli/songengine.h"
#include "player/liveoptions.h"
#include "render/loudness.h"
#include "render/songrender.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

const std::string kUsage = std::string("usage: cantora-cli render SONG OUT.wav [--soundfont SF2] [OPTIONS]\n"
                                       "  renders a MIDI song to a 16-bit stereo 44100 Hz WAV file;\n"
                                       "  the SoundFont defaults to Chorium.sf2 beside the program\n"
                                       "options (channels 1-16 as the mixer numbers them):\n") +
                           cantora::player::kLiveOptionsUsage + cantora::render::kNormalizeUsage;

} // namespace

int cantora::cli::render(const Args &args) {
    std::string song, out, font;
    std::optional<cantora::player::LiveSettings> live;
    std::optional<cantora::render::LoudnessTarget> normalize;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage.c_str(), stdout);
            return 0;
        }
        if (a == "--soundfont") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "cantora-cli: render: --soundfont needs a file\n%s", kUsage.c_str());
                return 2;
            }
            font = args[++i];
        } else if (cantora::render::isNormalizeOption(a)) {
            if (const std::string why = cantora::render::applyNormalizeOption(a, normalize); !why.empty()) {
                std::fprintf(stderr, "cantora-cli: render: %s\n%s", why.c_str(), kUsage.c_str());
                return 2;
            }
        } else if (const int taken = takeLiveOption(args, i, live, "render", kUsage); taken >= 0) {
            if (taken)
                return taken;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "cantora-cli: render: unknown option '%s'\n%s", a.c_str(), kUsage.c_str());
            return 2;
        } else if (song.empty()) {
            song = a;
        } else if (out.empty()) {
            out = a;
        } else {
            std::fprintf(stderr, "cantora-cli: render: too many arguments\n%s", kUsage.c_str());
            return 2;
        }
    }
    if (song.empty() || out.empty()) {
        std::fputs(kUsage.c_str(), stderr);
        return 2;
    }
    if (font.empty())
        font = defaultSoundFont();
    if (outputIsAnInput(out, song, font, "render"))
        return 1;
    if (!checkSong(song, "render"))
        return 1;

    RenderEngine engine;
    if (!engine.start(font, "render"))
        return 1;
    const cantora::render::RenderBlockFn onBlock = liveBlockCallback(live);
    const InterruptGuard interrupt;
    cantora::render::LoudnessReport loudness;
    const auto result = normalize ? cantora::render::renderSongToWavNormalized(song, out, onBlock, *normalize, loudness)
                                  : cantora::render::renderSongToWav(song, out, onBlock);
    if (!result.ok && InterruptGuard::interrupted()) {
        std::fprintf(stderr, "cantora-cli: render: interrupted, nothing written\n");
        return kInterruptedStatus;
    }
    if (!result.ok) {
        if (result.engineError)
            std::fprintf(stderr, "cantora-cli: render: %s: %s (error %d)\n", result.error.c_str(),
                         engineErrorText(result.engineError), result.engineError);
        else
            std::fprintf(stderr, "cantora-cli: render: %s\n", result.error.c_str());
        return 1;
    }
    const double seconds = double(result.dataBytes) / (4.0 * result.rate);
    std::fprintf(stderr, "%s: %.2f s, %llu bytes of audio\n", out.c_str(), seconds,
                 static_cast<unsigned long long>(result.dataBytes));
    if (normalize)
        std::fprintf(stderr, "%s: %s\n", out.c_str(), cantora::render::loudnessText(loudness).c_str());
    return 0;
}

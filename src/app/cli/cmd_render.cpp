// cantora-cli render SONG OUT.wav|- [--soundfont SF2] [live options]: the
// song through the engine into a 16-bit PCM WAV file, faster than real time,
// with the live settings the window would play it with. "-" streams the WAV
// to standard output.

#include "app/cli/commandline.h"
#include "app/cli/interrupt.h"
#include "app/cli/progressbar.h"
#include "app/cli/songengine.h"
#include "core/safeoutput.h"
#include "player/liveoptions.h"
#include "render/loudness.h"
#include "render/songrender.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

const std::string kUsage = std::string("usage: cantora-cli render SONG OUT.wav|- [--soundfont SF2] [--force] [-q] "
                                       "[OPTIONS]\n"
                                       "  renders a MIDI song to a 16-bit stereo 44100 Hz WAV file (- : standard\n"
                                       "  output); the SoundFont defaults to Chorium.sf2 beside the program, its\n"
                                       "  volume to 5\n"
                                       "  --force       replace an existing OUT.wav\n"
                                       "  -q, --quiet   print nothing but errors\n"
                                       "  --progress    show progress even when stderr is no terminal\n"
                                       "options (channels 1-16 as the mixer numbers them):\n") +
                           cantora::player::kLiveOptionsUsage + cantora::render::kNormalizeUsage;

} // namespace

int cantora::cli::render(const Args &args) {
    std::string song, out;
    std::optional<std::string> font;
    std::optional<player::LiveSettings> live;
    std::optional<render::LoudnessTarget> normalize;
    bool force = false;
    CommandLine cl("render", kUsage);
    cl.value("--soundfont", font).writes(force).operand("SONG", song).operand("OUT.wav", out);
    addLiveOptions(cl, live);
    addNormalizeOption(cl, normalize);
    if (const int status = cl.parse(args); status >= 0)
        return status;
    if (normalize && out == "-")
        return cl.usageError("--normalize writes a file, not standard output");
    const std::string sf = font.value_or(defaultSoundFont());
    if (const int status = cl.checkOutput(out, force, {song, sf}); status >= 0)
        return status;
    if (!checkSong(song, "render"))
        return kFailed;

    // From here on a signal only stops the work, which then removes its file.
    const InterruptGuard interrupt;
    core::SafeOutput file;
    if (out != "-" && !normalize && !file.open(out, force))
        return cl.fail(file.error());
    RenderEngine engine;
    if (!engine.start(sf, "render"))
        return kFailed;
    ProgressBar bar(44100);
    std::int64_t total = 0; // bytes, as the engine computes the song's length
    const render::RenderBlockFn apply = liveBlockCallback(renderSettings(live));
    const render::RenderBlockFn onBlock = [&](HSTREAM stream, std::int64_t position) {
        if (position < 0)
            total = static_cast<std::int64_t>(BASS_ChannelGetLength(stream, BASS_POS_BYTE));
        else if (total > 0 && position < total)
            bar.show(position / 2, total / 2);
        return apply(stream, position);
    };
    // Normalised, the song is rendered into a scratch file, measured, and written out with the gain.
    render::LoudnessReport loudness;
    const auto result = normalize ? render::renderSongToWavNormalized(song, out, onBlock, *normalize, loudness)
                                  : render::renderSongToWav(song, out == "-" ? stdout : file.stream(), out, onBlock);
    if (result.ok)
        bar.show(1, 1, static_cast<std::int64_t>(result.dataBytes / 2),
                 static_cast<std::int64_t>(result.dataBytes / 2));
    else
        bar.interrupt();
    if (!result.ok && InterruptGuard::interrupted()) {
        cl.fail("interrupted, nothing written");
        return InterruptGuard::status();
    }
    if (!result.ok) {
        if (result.engineError)
            return cl.fail(result.error + ": " + engineErrorText(result.engineError) + " (error " +
                           std::to_string(result.engineError) + ")");
        return cl.fail(result.error);
    }
    if (out != "-" && !normalize && !file.commit()) {
        cl.fail(file.error());
        return file.existed() ? kRefused : kFailed;
    }
    cl.summary(out, double(result.dataBytes) / (4.0 * result.rate),
               normalize ? render::loudnessText(loudness) : std::string());
    return 0;
}

#include "app/cli/songengine.h"

#include "app/cli/interrupt.h"
#include "audio/midifile.h"
#include "player/liveoptions.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

namespace cantora::cli {

std::string defaultSoundFont() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("Chorium.sf2") : (exe.parent_path() / "Chorium.sf2").string();
}

const char *engineErrorText(int code) {
    switch (code) {
    case BASS_ERROR_FILEOPEN: return "cannot open the file";
    case BASS_ERROR_FILEFORM: return "not a file of the expected format";
    case BASS_ERROR_MEM: return "out of memory";
    default: return "engine error";
    }
}

bool checkSong(const std::string &song, const char *command, bool wholeOnly) {
    std::error_code ec;
    if (std::filesystem::exists(song, ec) && !std::filesystem::is_regular_file(song, ec)) {
        std::fprintf(stderr, "cantora-cli: %s: %s: not a regular file\n", command, song.c_str());
        return false;
    }
    // The system's reason first ("Permission denied"), not the engine's number.
    if (std::FILE *f = std::fopen(song.c_str(), "rb")) {
        std::fclose(f);
    } else {
        std::fprintf(stderr, "cantora-cli: %s: %s: %s\n", command, song.c_str(), std::strerror(errno));
        return false;
    }
    const audio::MidiReadResult r = audio::readMidiFile(song);
    if (!r.ok()) {
        // Said here so that every command names the same cause.
        std::fprintf(stderr, "cantora-cli: %s: %s: %s\n", command, song.c_str(), audio::midiErrorText(r.error));
        return false;
    }
    std::size_t events = 0;
    for (const auto &track : r.file.tracks)
        for (const auto &e : track.events)
            if (!(e.isMeta() && e.metaType == 0x2F))
                ++events;
    if (events == 0) {
        std::fprintf(stderr, "cantora-cli: %s: %s: the song holds no events%s\n", command, song.c_str(),
                     r.file.truncated ? " (its first track is damaged)" : "");
        return false;
    }
    const std::size_t read = r.file.tracks.size();
    const bool partial = r.file.truncated || read < r.file.declaredTracks;
    if (partial && (wholeOnly || !manners().quiet))
        std::fprintf(stderr,
                     "cantora-cli: %s: %s: the file is damaged or cut short; %s: "
                     "%zu of %u tracks, %zu events\n",
                     command, song.c_str(), wholeOnly ? "its lyrics would be incomplete" : "read in part", read,
                     static_cast<unsigned>(r.file.declaredTracks), events);
    return !(partial && wholeOnly);
}

RenderEngine::~RenderEngine() {
    if (started_)
        BASS_Free();
    if (font_)
        BASS_MIDI_FontFree(font_);
}

bool RenderEngine::start(const std::string &font, const char *command) {
    // Device 0: no sound output, decoding only.
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "cantora-cli: %s: cannot start the audio engine (error %d)\n", command,
                     BASS_ErrorGetCode());
        return false;
    }
    started_ = true;
    font_ = BASS_MIDI_FontInit(font.c_str(), 0);
    if (!font_) {
        const int code = BASS_ErrorGetCode();
        std::fprintf(stderr, "cantora-cli: %s: SoundFont %s: %s (error %d)\n", command, font.c_str(),
                     engineErrorText(code), code);
        return false;
    }
    const BASS_MIDI_FONT record{font_, -1, 0};
    BASS_MIDI_StreamSetFonts(0, &record, 1);
    return true;
}

void addNormalizeOption(CommandLine &cl, std::optional<render::LoudnessTarget> &target) {
    cl.optionalValue("--normalize", [&target](const std::string &v) {
        return render::applyNormalizeOption(v.empty() ? "--normalize" : "--normalize=" + v, target);
    });
}

void addLiveOptions(CommandLine &cl, std::optional<player::LiveSettings> &live) {
    // What was set already, per option and channel (a channel's mute and solo count as one).
    auto seen = std::make_shared<std::set<std::string>>();
    for (const char *name : {"--tempo", "--key", "--font-volume", "--compressor", "--channel-key", "--volume", "--pan",
                             "--reverb", "--chorus", "--program", "--eq", "--mute", "--solo"}) {
        const std::string option = name;
        const bool perChannel =
            option != "--tempo" && option != "--key" && option != "--font-volume" && option != "--compressor";
        cl.value(
            name,
            [&live, seen, option, perChannel](const std::string &value) -> std::string {
                if (!live)
                    live.emplace();
                if (const std::string why = player::applyLiveOption(option, value, *live); !why.empty())
                    return why;
                if (!perChannel)
                    return {};
                const std::string channel = value.substr(0, value.find(':'));
                const bool toggle = option == "--mute" || option == "--solo";
                if (seen->insert((toggle ? "--mute/--solo" : option) + " " + std::to_string(std::stoi(channel))).second)
                    return {};
                return toggle ? "--mute and --solo both name channel " + channel
                              : option + " names " + (option == "--eq" ? "band " : "channel ") + channel + " twice";
            },
            !perChannel);
    }
}

player::LiveSettings renderSettings(const std::optional<player::LiveSettings> &live) {
    player::LiveSettings s = live.value_or(player::LiveSettings{});
    if (!s.fontVolume)
        s.fontVolume = kDefaultFontVolume;
    return s;
}

render::RenderBlockFn liveBlockCallback(const player::LiveSettings &live) {
    return [hook = player::LiveBlockHook(live)](HSTREAM s, std::int64_t pos) mutable {
        return !InterruptGuard::interrupted() && hook(s, pos);
    };
}

} // namespace cantora::cli

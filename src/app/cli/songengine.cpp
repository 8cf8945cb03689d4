#include "app/cli/songengine.h"

#include "app/cli/interrupt.h"
#include "audio/midifile.h"
#include "core/samefile.h"
#include "player/liveoptions.h"

#include <cstdio>
#include <filesystem>

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

bool outputIsAnInput(const std::string &out, const std::string &song, const std::string &font, const char *command) {
    for (const std::string *input : {&song, &font}) {
        if (core::sameFile(*input, out)) {
            std::fprintf(stderr, "cantora-cli: %s: %s is the %s itself; choose another output\n", command, out.c_str(),
                         input == &song ? "song" : "SoundFont");
            return true;
        }
    }
    return false;
}

bool checkSong(const std::string &song, const char *command) {
    std::error_code ec;
    if (std::filesystem::exists(song, ec) && !std::filesystem::is_regular_file(song, ec)) {
        std::fprintf(stderr, "cantora-cli: %s: %s: not a regular file\n", command, song.c_str());
        return false;
    }
    const audio::MidiReadResult r = audio::readMidiFile(song);
    if (!r.ok())
        return true; // the engine reports why it cannot open the file
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
    if (r.file.truncated || read < r.file.declaredTracks)
        std::fprintf(stderr,
                     "cantora-cli: %s: %s: the file is damaged or cut short; read in part: "
                     "%zu of %u tracks, %zu events\n",
                     command, song.c_str(), read, static_cast<unsigned>(r.file.declaredTracks), events);
    return true;
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

int takeLiveOption(const Args &args, std::size_t &i, std::optional<player::LiveSettings> &live, const char *command,
                   const std::string &usage) {
    const std::string &a = args[i];
    if (!player::isLiveOption(a))
        return -1;
    if (i + 1 >= args.size()) {
        std::fprintf(stderr, "cantora-cli: %s: %s needs a value\n%s", command, a.c_str(), usage.c_str());
        return 2;
    }
    if (!live)
        live.emplace();
    const std::string why = player::applyLiveOption(a, args[++i], *live);
    if (!why.empty()) {
        std::fprintf(stderr, "cantora-cli: %s: %s\n%s", command, why.c_str(), usage.c_str());
        return 2;
    }
    return 0;
}

render::RenderBlockFn liveBlockCallback(const std::optional<player::LiveSettings> &live) {
    if (!live)
        return [](HSTREAM, std::int64_t) { return !InterruptGuard::interrupted(); };
    return [hook = player::LiveBlockHook(*live)](HSTREAM s, std::int64_t pos) mutable {
        return !InterruptGuard::interrupted() && hook(s, pos);
    };
}

} // namespace cantora::cli

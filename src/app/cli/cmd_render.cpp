// cantora-cli render SONG OUT.wav [--soundfont SF2] [live options]: the song
// through the engine into a 16-bit PCM WAV file, faster than real time, with
// the live settings the window would play it with.

#include "app/cli/commands.h"
#include "app/cli/interrupt.h"
#include "audio/bass.h"
#include "audio/midifile.h"
#include "core/samefile.h"
#include "player/liveoptions.h"
#include "render/songrender.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace {

const std::string kUsage = std::string("usage: cantora-cli render SONG OUT.wav [--soundfont SF2] [OPTIONS]\n"
                                       "  renders a MIDI song to a 16-bit stereo 44100 Hz WAV file;\n"
                                       "  the SoundFont defaults to Chorium.sf2 beside the program\n"
                                       "options (channels 1-16 as the mixer numbers them):\n") +
                           cantora::player::kLiveOptionsUsage;

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

// Reads the song as the engine will and says what it could not read:
// false (after the message) when nothing in it would sound.
bool checkSong(const std::string &song) {
    const cantora::audio::MidiReadResult r = cantora::audio::readMidiFile(song);
    if (!r.ok())
        return true; // the engine reports why it cannot open the file
    std::size_t events = 0;
    for (const auto &track : r.file.tracks)
        for (const auto &e : track.events)
            if (!(e.isMeta() && e.metaType == 0x2F))
                ++events;
    if (events == 0) {
        std::fprintf(stderr, "cantora-cli: render: %s: the song holds no events%s\n", song.c_str(),
                     r.file.truncated ? " (its first track is damaged)" : "");
        return false;
    }
    const std::size_t read = r.file.tracks.size();
    if (r.file.truncated || read < r.file.declaredTracks)
        std::fprintf(stderr,
                     "cantora-cli: render: %s: the file is damaged or cut short; read in part: "
                     "%zu of %u tracks, %zu events\n",
                     song.c_str(), read, static_cast<unsigned>(r.file.declaredTracks), events);
    return true;
}

} // namespace

int cantora::cli::render(const Args &args) {
    std::string song, out, font;
    std::optional<cantora::player::LiveSettings> live;
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
        } else if (cantora::player::isLiveOption(a)) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "cantora-cli: render: %s needs a value\n%s", a.c_str(), kUsage.c_str());
                return 2;
            }
            if (!live)
                live.emplace();
            const std::string why = cantora::player::applyLiveOption(a, args[++i], *live);
            if (!why.empty()) {
                std::fprintf(stderr, "cantora-cli: render: %s\n%s", why.c_str(), kUsage.c_str());
                return 2;
            }
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
    for (const std::string *input : {&song, &font}) {
        if (core::sameFile(*input, out)) {
            std::fprintf(stderr, "cantora-cli: render: %s is the %s itself; choose another output\n", out.c_str(),
                         input == &song ? "song" : "SoundFont");
            return 1;
        }
    }
    std::error_code ec;
    if (std::filesystem::exists(song, ec) && !std::filesystem::is_regular_file(song, ec)) {
        std::fprintf(stderr, "cantora-cli: render: %s: not a regular file\n", song.c_str());
        return 1;
    }
    if (!checkSong(song))
        return 1;

    // Device 0: no sound output, decoding only.
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "cantora-cli: render: cannot start the audio engine (error %d)\n", BASS_ErrorGetCode());
        return 1;
    }
    const HSOUNDFONT sf = BASS_MIDI_FontInit(font.c_str(), 0);
    if (!sf) {
        const int code = BASS_ErrorGetCode();
        std::fprintf(stderr, "cantora-cli: render: SoundFont %s: %s (error %d)\n", font.c_str(), engineErrorText(code),
                     code);
        BASS_Free();
        return 1;
    }
    const BASS_MIDI_FONT record{sf, -1, 0};
    BASS_MIDI_StreamSetFonts(0, &record, 1);

    // Without options nothing is sent: the render is the song as written.
    cantora::render::RenderBlockFn onBlock = [](HSTREAM, std::int64_t) { return !InterruptGuard::interrupted(); };
    if (live) {
        std::ifstream in(song, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        onBlock = [hook = cantora::player::LiveBlockHook(*live, bytes)](HSTREAM s, std::int64_t pos) mutable {
            return !InterruptGuard::interrupted() && hook(s, pos);
        };
    }
    const InterruptGuard interrupt;
    const auto result = cantora::render::renderSongToWav(song, out, onBlock);
    BASS_Free();
    BASS_MIDI_FontFree(sf);
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
    return 0;
}

// cantora-cli mp3 SONG OUT.mp3 [tag options] [--preset P] [--no-lyrics]
//     [--soundfont SF2] [--force] [live options]
// The whole road from a MIDI song to a karaoke MP3 in one command: the
// song's LRC as the player's LRC button makes it, the render with the live
// settings streamed straight into the encoder (no WAV file), then the ID3v1
// tag and the Lyrics3 v2 block exactly as the tag editor's Save writes them
// for a converted song. The MP3 is written as OUT.part beside OUT and
// renamed only when complete: a failure or Ctrl-C leaves no OUT, and an
// existing OUT untouched.

#include "app/cli/commands.h"
#include "app/cli/genreoption.h"
#include "app/cli/interrupt.h"
#include "app/cli/progressbar.h"
#include "app/cli/songengine.h"
#include "audio/midifile.h"
#include "core/textcodec.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lrcsong.h"
#include "player/liveoptions.h"
#include "render/encoderpresets.h"
#include "render/loudness.h"
#include "render/mp3pipeline.h"
#include "render/numberederror.h"
#include "tags/id3module.h"
#include "tags/id3v1tag.h"
#include "tags/lyricstext.h"
#include "tags/tageditor.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using namespace cantora;
namespace fs = std::filesystem;

const std::string kUsage =
    std::string("usage: cantora-cli mp3 SONG OUT.mp3 [--title T] [--artist A] [--album B] [--year Y]\n"
                "                        [--comment C] [--genre NUMBER|NAME] [--preset CODE|NAME]\n"
                "                        [--no-lyrics] [--soundfont SF2] [--force] [OPTIONS]\n"
                "  renders a MIDI song with the live settings, encodes it to MP3 (preset Standard\n"
                "  unless --preset says otherwise; see `cantora-cli encode --help`) and writes an\n"
                "  ID3v1 tag and a Lyrics3 v2 block holding the song's LRC lyrics\n"
                "  --title T      defaults to the song's \"@T\" title, else its first track name,\n"
                "                 else the file name\n"
                "  --genre G      a byte 0-255 or a genre name; 12 (Other) when not given\n"
                "  --no-lyrics    no Lyrics3 block, the ID3v1 tag only\n"
                "  --force        replace an existing OUT.mp3\n"
                "options (channels 1-16 as the mixer numbers them):\n") +
    player::kLiveOptionsUsage + render::kNormalizeUsage;

int usageError(const std::string &what) {
    std::fprintf(stderr, "cantora-cli: mp3: %s\n%s", what.c_str(), kUsage.c_str());
    return 2;
}

// One ID3v1 text option and the value given for it, if any.
struct Field {
    const char *name;
    std::optional<std::string> given;
};

// The title a song gives itself: its first "@T" text, else the first track
// name in its tracks, else the file name without its extension.
std::string songTitle(const std::string &song, const std::vector<std::string> &atTTexts) {
    for (const std::string &t : atTTexts)
        if (const std::string title = tags::TrimSpaces(core::toUtf8(t)); !title.empty())
            return title;
    const audio::MidiReadResult r = audio::readMidiFile(song);
    for (const auto &track : r.file.tracks)
        for (const auto &e : track.events)
            if (e.isMeta() && e.metaType == 0x03)
                if (const std::string name = tags::TrimSpaces(core::toUtf8(e.data)); !name.empty())
                    return name;
    return fs::path(song).stem().string();
}

void printResultError(const render::Mp3ConversionResult &r) {
    if (r.engineError)
        std::fprintf(stderr, "cantora-cli: mp3: %s: %s (error %d)\n", r.error.c_str(),
                     cli::engineErrorText(r.engineError), r.engineError);
    else
        std::fprintf(stderr, "cantora-cli: mp3: %s\n", r.error.c_str());
}

} // namespace

int cantora::cli::mp3(const Args &args) {
    render::SetExecutableName("cantora-cli");
    std::string song, out, font;
    Field fields[] = {{"title", {}}, {"artist", {}}, {"album", {}}, {"year", {}}, {"comment", {}}};
    std::optional<int> genre;
    long preset = render::EncoderPresets()[render::kDefaultPresetIndex].code;
    bool noLyrics = false, force = false;
    std::optional<player::LiveSettings> live;
    std::optional<render::LoudnessTarget> normalize;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage.c_str(), stdout);
            return 0;
        }
        Field *field = nullptr;
        for (Field &f : fields)
            if (a == std::string("--") + f.name)
                field = &f;
        if (field) {
            field->given = value();
            if (!field->given)
                return usageError(a + " needs a value");
        } else if (a == "--genre") {
            if (const std::string why = takeGenre(value(), genre); !why.empty())
                return usageError(why);
        } else if (a == "--preset") {
            const auto v = value();
            if (!v)
                return usageError("--preset needs a code or a name");
            const auto code = render::FindPresetCode(*v);
            if (!code)
                return usageError("unknown preset '" + *v + "' (`cantora-cli encode --help` lists them)");
            preset = *code;
        } else if (a == "--soundfont") {
            const auto v = value();
            if (!v)
                return usageError("--soundfont needs a file");
            font = *v;
        } else if (a == "--no-lyrics") {
            noLyrics = true;
        } else if (a == "--force") {
            force = true;
        } else if (render::isNormalizeOption(a)) {
            if (const std::string why = render::applyNormalizeOption(a, normalize); !why.empty())
                return usageError(why);
        } else if (const int taken = takeLiveOption(args, i, live, "mp3", kUsage); taken >= 0) {
            if (taken)
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
    if (font.empty())
        font = defaultSoundFont();

    // Nothing is read or written before every refusal has had its say.
    if (outputIsAnInput(out, song, font, "mp3"))
        return 1;
    std::error_code ec;
    if (fs::is_directory(out, ec)) {
        std::fprintf(stderr, "cantora-cli: mp3: %s is a folder\n", out.c_str());
        return 1;
    }
    if (fs::exists(fs::symlink_status(out, ec)) && !force) {
        std::fprintf(stderr, "cantora-cli: mp3: %s already exists (use --force to replace it)\n", out.c_str());
        return 1;
    }
    if (!checkSong(song, "mp3"))
        return 1;

    RenderEngine engine;
    if (!engine.start(font, "mp3"))
        return 1;

    // The LRC as the player's LRC button writes it: a fresh creator, the
    // song's first tempo.
    lyrics::LrcSong lrcSong;
    int code = 0;
    if (const auto e = lyrics::readLrcSong(song, lrcSong, &code); e != lyrics::LrcSongError::None) {
        std::fprintf(stderr, "cantora-cli: mp3: %s: %s", song.c_str(), lyrics::lrcSongErrorText(e));
        if (code)
            std::fprintf(stderr, " (error %d: %s)", code, engineErrorText(code));
        std::fputc('\n', stderr);
        return 1;
    }
    std::string lyricText;
    if (!noLyrics) {
        lyrics::LrcCreatorState state;
        const std::string lrc = lyrics::createLrc(lrcSong.marks, lrcSong.bytes.size(),
                                                  lyrics::msPerTickOf(lrcSong.bytes).value_or(0.0), state);
        // What the tag editor's lyric box holds after loading that file, as its Save writes it.
        lyricText = tags::TrimSpaces(tags::WithCrLf(tags::LyricBoxText(lrc)));
        if (lyricText.empty())
            std::fprintf(stderr,
                         "cantora-cli: mp3: %s has no lyrics (fewer than six lyric and twenty-one text "
                         "events); the MP3 gets an ID3v1 tag only\n",
                         song.c_str());
        // Refused before the render rather than after it, counted as the block will store them.
        else if (const std::size_t n = core::encodeForWriting(lyricText).size();
                 n > tags::Id3Module::kMaxLyricsLength) {
            std::fprintf(stderr,
                         "cantora-cli: mp3: %s: the lyrics take %zu bytes, more than a Lyrics3 block holds "
                         "(%zu); give --no-lyrics to convert without them\n",
                         song.c_str(), n, tags::Id3Module::kMaxLyricsLength);
            return 1;
        }
    }

    // The record as the tag editor's Save builds it from the typed fields.
    const auto text = [](const Field &f) { return f.given ? *f.given : std::string(); };
    const std::string title = fields[0].given ? *fields[0].given : songTitle(song, lrcSong.atTTexts);
    tags::Id3v1Fit fit;
    const tags::Id3v1Tag record =
        tags::MakeId3v1Tag(title, text(fields[1]), text(fields[2]), text(fields[3]), text(fields[4]),
                           static_cast<std::uint8_t>(genre.value_or(12)), &fit);

    const std::string part = out + ".part";
    fs::remove(part, ec);

    const InterruptGuard interrupt;
    ProgressBar bar(44100);
    const double lengthFactor = live ? live->tempoFactor : 1.0;
    std::atomic<std::int64_t> rendered{0};
    render::Mp3ConversionOptions options;
    options.preset = preset;
    const render::RenderBlockFn liveCallback = liveBlockCallback(live);
    options.onBlock = [&](HSTREAM stream, std::int64_t position) {
        if (position > 0)
            rendered = position;
        return liveCallback(stream, position);
    };
    options.onEncoded = [&](std::uint64_t encoded, std::uint64_t expected) {
        // Render and encode make one bar, each half of it; a changed tempo
        // changes the length, so the end is only ever shown at the end.
        const auto total = static_cast<std::int64_t>(double(expected) * lengthFactor);
        const std::int64_t done = std::min(rendered.load() + static_cast<std::int64_t>(encoded), 2 * total);
        if (total > 0 && done < 2 * total)
            bar.show(done, 2 * total, static_cast<std::int64_t>(encoded) / 2, total / 2);
    };
    render::LoudnessReport loudness;
    const render::Mp3ConversionResult result =
        normalize ? render::renderSongToMp3Normalized(song, part, options, *normalize, loudness)
                  : render::renderSongToMp3(song, part, options);

    const auto giveUp = [&](int status) {
        fs::remove(part, ec);
        bar.interrupt();
        if (status == kInterruptedStatus)
            std::fprintf(stderr, "cantora-cli: mp3: interrupted, nothing written\n");
        return status;
    };
    if (InterruptGuard::interrupted())
        return giveUp(kInterruptedStatus);
    if (!result.ok) {
        giveUp(1);
        printResultError(result);
        return 1;
    }

    tags::Id3Module module;
    module.GetMp3Info(part);
    const tags::TagWriteResult written = module.OpenError().empty()
                                             ? module.WriteLyricsTag(part, record, lyricText)
                                             : tags::TagWriteResult{false, module.OpenError(), false};
    if (!written) {
        giveUp(1);
        std::fprintf(stderr, "cantora-cli: mp3: %s: %s\n", part.c_str(), written.error.c_str());
        return 1;
    }
    if (InterruptGuard::interrupted())
        return giveUp(kInterruptedStatus);
    fs::rename(part, out, ec);
    if (ec) {
        const std::string why = ec.message();
        giveUp(1);
        std::fprintf(stderr, "cantora-cli: mp3: cannot write %s: %s\n", out.c_str(), why.c_str());
        return 1;
    }
    bar.show(1, 1, static_cast<std::int64_t>(result.pcmBytes / 2), static_cast<std::int64_t>(result.pcmBytes / 2));

    reportTagFit("mp3", out, fit, written.lyricsUtf8);
    const double seconds = result.rate ? double(result.pcmBytes) / (4.0 * result.rate) : 0.0;
    // Where the time went: each thread's busy time (waits for the other
    // left out) and its processor time.
    std::fprintf(stderr,
                 "%s: %.2f s of audio, title \"%s\"%s; render %.2f s (cpu %.2f s), encode %.2f s (cpu %.2f s)\n",
                 out.c_str(), seconds, tags::TrimSpaces(std::string(record.Title.data(), record.Title.size())).c_str(),
                 lyricText.empty() ? ", no lyrics" : ", with lyrics", result.renderBusySeconds, result.renderCpuSeconds,
                 result.encodeBusySeconds, result.encodeCpuSeconds);
    if (normalize)
        std::fprintf(stderr, "%s: %s\n", out.c_str(), render::loudnessText(loudness).c_str());
    return 0;
}

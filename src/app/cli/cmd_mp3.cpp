// cantora-cli mp3 SONG OUT.mp3 [tag options] [--preset P [--bitrate KBPS]]
//     [--no-lyrics] [--soundfont SF2] [--force] [live options]
// The whole road from a MIDI song to a karaoke MP3 in one command: the
// song's LRC as the player's LRC button makes it, the render with the live
// settings streamed straight into the encoder (no WAV file), then the ID3v1
// tag and the Lyrics3 v2 block exactly as the tag editor's Save writes them
// for a converted song, and an ID3v2 tag at its start with the same fields
// and the lyrics for today's players (USLT, and SYLT timed per syllable).
// The MP3 is written under a temporary name beside OUT
// and renamed only when complete: a failure or Ctrl-C leaves no OUT, and an
// existing OUT untouched.

#include "app/cli/commandline.h"
#include "app/cli/genreoption.h"
#include "app/cli/interrupt.h"
#include "app/cli/progressbar.h"
#include "app/cli/songengine.h"
#include "audio/midifile.h"
#include "cdg/cdgfile.h"
#include "core/safeoutput.h"
#include "core/textcodec.h"
#include "lyrics/lrccreator.h"
#include "lyrics/lrcsong.h"
#include "lyrics/lrcwords.h"
#include "player/liveoptions.h"
#include "render/encoderpresets.h"
#include "render/loudness.h"
#include "render/mp3pipeline.h"
#include "render/numberederror.h"
#include "tags/id3module.h"
#include "tags/id3v1tag.h"
#include "tags/karaokeassembly.h"
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
                "                        [--bitrate KBPS] [--no-lyrics] [--song-encoding NAME]\n"
                "                        [--id3v2 4|3|none] [--lrc-beside] [--soundfont SF2] [--cdg [--zip]]\n"
                "                        [--force] [-q] [--progress] [OPTIONS]\n"
                "  renders a MIDI song with the live settings (SoundFont volume 5 unless\n"
                "  --font-volume says otherwise), encodes it to MP3 (preset Standard unless\n"
                "  --preset says otherwise; see `cantora-cli encode --help`) and writes an\n"
                "  ID3v1 tag and a Lyrics3 v2 block holding the song's LRC lyrics\n"
                "  --title T      defaults to the song's \"@T\" title, else the name of its\n"
                "                 first track, else the file name\n"
                "  --genre G      a byte 0-255 or a genre name; 12 (Other) when not given\n"
                "  --bitrate KBPS the bit rate of the ABR and CBR presets, 8-320\n"
                "  --no-lyrics    no Lyrics3 block, the ID3v1 tag only\n"
                "  --song-encoding NAME  the song's texts are in NAME (an iconv name); without it\n"
                "                 they are UTF-8 where valid, else CP1252\n"
                "  --id3v2 V      the ID3v2 tag at the start: version 4 (the default, UTF-8),\n"
                "                 3 (UTF-16, for older players) or none\n"
                "  --lrc-beside   also write OUT.lrc with every syllable's time\n"
                "  --force        replace an existing OUT.mp3\n"
                "  --cdg          also the CD+G lyric graphics as OUT.cdg (MP3+G); --zip both in OUT.zip\n"
                "  -q, --quiet    print nothing but errors\n"
                "  --progress     show progress even when stderr is no terminal\n"
                "options (channels 1-16 as the mixer numbers them):\n") +
    player::kLiveOptionsUsage + render::kNormalizeUsage;

// A name as a title: control characters (a NUL ending the text, CR, LF) dropped.
std::string printable(const std::string &text) {
    std::string out;
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            out += c;
    return tags::TrimSpaces(out);
}

// The title a song gives itself: its first "@T" text, else the sequence
// name (the name of the first track, which in format 0 is the only one;
// later tracks name instruments), else the file name without its extension.
std::string songTitle(const std::string &song, const std::vector<std::string> &atTTexts,
                      const core::SongEncoding *encoding) {
    const auto decoded = [&](const std::string &t) {
        return printable(encoding ? encoding->toUtf8(t) : core::toUtf8(t));
    };
    for (const std::string &t : atTTexts)
        if (const std::string title = decoded(t); !title.empty())
            return title;
    const audio::MidiReadResult r = audio::readMidiFile(song);
    if (!r.file.tracks.empty())
        for (const auto &e : r.file.tracks.front().events)
            if (e.isMeta() && e.metaType == 0x03)
                if (const std::string name = decoded(e.data); !name.empty())
                    return name;
    return fs::path(song).stem().string();
}

} // namespace

int cantora::cli::mp3(const Args &args) {
    render::SetExecutableName("cantora-cli");
    std::string song, out;
    std::optional<std::string> font, bitrate;
    const char *const names[] = {"--title", "--artist", "--album", "--year", "--comment"};
    std::optional<std::string> fields[5];
    std::optional<int> genre;
    long preset = render::EncoderPresets()[render::kDefaultPresetIndex].code;
    bool noLyrics = false, force = false, cdg = false, zip = false, lrcBeside = false;
    std::optional<int> id3v2 = 4; // 0: none
    std::optional<player::LiveSettings> live;
    std::optional<core::SongEncoding> encoding;
    std::optional<render::LoudnessTarget> normalize;
    CommandLine cl("mp3", kUsage);
    for (std::size_t k = 0; k < 5; ++k)
        cl.value(names[k], fields[k]);
    cl.value("--genre", [&](const std::string &v) { return takeGenre(v, genre); })
        .value("--preset", [&](const std::string &v) { return takePreset(v, preset); })
        .value("--bitrate", bitrate)
        .value("--soundfont", font)
        .value("--song-encoding", [&](const std::string &v) { return takeSongEncoding(v, encoding); })
        .value("--id3v2", [&](const std::string &v) { return takeId3v2Version(v, id3v2); })
        .flag("--no-lyrics", noLyrics)
        .flag("--lrc-beside", lrcBeside)
        .flag("--cdg", cdg)
        .flag("--zip", zip)
        .writes(force)
        .operand("SONG", song)
        .operand("OUT.mp3", out);
    addLiveOptions(cl, live);
    addNormalizeOption(cl, normalize);
    if (const int status = cl.parse(args); status >= 0)
        return status;
    cdg = cdg || zip;
    long kbps = 0;
    if (const int status = checkMp3Options(cl, preset, bitrate, out, kbps); status >= 0)
        return status;
    const std::string sf = font.value_or(defaultSoundFont());

    // Nothing is read or written before every refusal has had its say.
    if (const int status = cl.checkOutput(out, force, {song, sf}); status >= 0)
        return status;
    for (const char *extension : {".cdg", ".zip"})
        if (cdg && (zip || extension == std::string(".cdg")))
            if (const int status =
                    cl.checkOutput(fs::path(out).replace_extension(extension).string(), force, {song, sf});
                status >= 0)
                return status;
    const std::string lrcOut = fs::path(out).replace_extension(".lrc").string();
    if (lrcBeside)
        if (const int status = cl.checkOutput(lrcOut, force, {song, sf}); status >= 0)
            return status;
    if (!checkSong(song, "mp3"))
        return kFailed;
    // From here on a signal only stops the work, which then removes its file.
    const InterruptGuard interrupt;
    core::SafeOutput file;
    if (!file.open(out, force))
        return cl.fail(file.error());

    RenderEngine engine;
    if (!engine.start(sf, "mp3"))
        return kFailed;

    // The LRC as the player's LRC button writes it: a fresh creator, the
    // song's first tempo.
    lyrics::LrcSong lrcSong;
    int code = 0;
    if (const auto e = lyrics::readLrcSong(song, lrcSong, &code); e != lyrics::LrcSongError::None)
        return cl.fail(song + ": " + lyrics::lrcSongErrorText(e) +
                       (code ? " (error " + std::to_string(code) + ": " + engineErrorText(code) + ")" : std::string()));
    // Every syllable at its time on the rendered song's clock.
    const lyrics::KaraokeLyrics words =
        lyrics::karaokeLyrics(lrcSong, live ? live->tempoFactor : 1.0, encoding ? &*encoding : nullptr);
    std::string lyricText;
    if (!noLyrics) {
        // Lines timed for the audio as rendered, at the tempo asked for.
        const lyrics::SongLrc lrc =
            lyrics::lyricsForMp3(lrcSong, {live ? live->tempoFactor : 1.0, encoding ? &*encoding : nullptr});
        if (lrc.exactLines)
            cl.note(song + ": the LRC rules give no line (" + lrc.whyEmpty +
                    "); the MP3 carries the lines `lrc --exact` writes instead");
        // What the tag editor's lyric box holds after loading that file, as its Save writes it.
        lyricText = tags::TrimSpaces(tags::WithCrLf(tags::LyricBoxText(lrc.bytes)));
        if (lyricText.empty())
            cl.note(song + ": " + (lrc.whyEmpty.empty() ? std::string("the song has no lyrics") : lrc.whyEmpty) +
                    "; the MP3 gets an ID3v1 tag only");
        // Refused before the render rather than after it, counted as the block will store them.
        else if (const std::string why = lyricsTooLong(lyricText); !why.empty())
            return cl.fail(song + ": " + why + "; give --no-lyrics to convert without them");
    }

    // The record as the tag editor's Save builds it from the typed fields.
    const auto text = [&](std::size_t k) { return fields[k].value_or(std::string()); };
    const std::string title = fields[0].value_or(songTitle(song, lrcSong.atTTexts, encoding ? &*encoding : nullptr));
    tags::Id3v1Fit fit;
    const tags::Id3v1Tag record = tags::MakeId3v1Tag(title, text(1), text(2), text(3), text(4),
                                                     static_cast<std::uint8_t>(genre.value_or(12)), &fit);

    ProgressBar bar(44100);
    const player::LiveSettings settings = renderSettings(live);
    const double lengthFactor = settings.tempoFactor;
    std::atomic<std::int64_t> rendered{0};
    render::Mp3ConversionOptions options;
    options.preset = preset;
    options.bitrate = kbps;
    const render::RenderBlockFn liveCallback = liveBlockCallback(settings);
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
        normalize ? render::renderSongToMp3Normalized(song, file.stream(), out, options, *normalize, loudness)
                  : render::renderSongToMp3(song, file.stream(), out, options);

    const auto giveUp = [&](const std::string &why) {
        file.abandon();
        bar.interrupt();
        if (!InterruptGuard::interrupted())
            return cl.fail(why);
        cl.fail("interrupted, nothing written");
        return InterruptGuard::status();
    };
    if (!result.ok || InterruptGuard::interrupted())
        return giveUp(result.engineError ? result.error + ": " + engineErrorText(result.engineError) + " (error " +
                                               std::to_string(result.engineError) + ")"
                                         : result.error);

    // The Lyrics3 block and the ID3v1 tag after the audio, as the tag editor's Save puts them on a fresh MP3.
    bool lyricsUtf8 = false;
    const std::string encodedLyrics = core::encodeForWriting(lyricText, &lyricsUtf8);
    if (!file.write(tags::Id3Module::LyricsBlock(encodedLyrics) + record.Bytes()))
        return giveUp(file.error());
    // The ID3v2 tag at the start, for today's players: the finished file gets it before it takes OUT's name.
    if (*id3v2) {
        const tags::Id3v2Edit edit = tags::KaraokeId3v2Edit(title, text(1), text(2), text(3), text(4),
                                                            genre.value_or(-1), noLyrics ? nullptr : &words);
        if (std::fflush(file.stream()) != 0)
            return giveUp(file.error());
        if (const std::string why = tags::WriteId3v2(file.tempPath(), edit, *id3v2); !why.empty())
            return giveUp(out + ": " + why);
    }
    if (InterruptGuard::interrupted())
        return giveUp({});
    if (!file.commit()) {
        bar.interrupt();
        cl.fail(file.error());
        return file.existed() ? kRefused : kFailed;
    }
    bar.show(1, 1, static_cast<std::int64_t>(result.pcmBytes / 2), static_cast<std::int64_t>(result.pcmBytes / 2));
    if (lrcBeside)
        if (const std::string why = core::writeFileSafely(lrcOut, words.wordLrc, force); !why.empty())
            return cl.fail(why);

    reportTagFit("mp3", out, fit, lyricsUtf8 && !lyricText.empty());
    const double seconds = result.rate ? double(result.pcmBytes) / (4.0 * result.rate) : 0.0;
    if (cdg) {
        cantora::cdg::CdgOptions look;
        look.title = title;
        look.artist = text(1);
        look.encoding = encoding ? &*encoding : nullptr;
        std::vector<std::string> warnings;
        const std::string why = cantora::cdg::writeSongCdgBeside(
            song, out, seconds, lengthFactor, look, zip, force, warnings, [] { return InterruptGuard::interrupted(); });
        for (const std::string &w : warnings)
            cl.note(w);
        if (!why.empty()) {
            cl.fail("cannot write the CD+G graphics: " + why);
            return InterruptGuard::interrupted() ? InterruptGuard::status() : kFailed;
        }
    }
    // Where the time went: each thread's busy time (waits for the other
    // left out) and its processor time.
    char times[160];
    std::snprintf(times, sizeof times, "render %.2f s (cpu %.2f s), encode %.2f s (cpu %.2f s)",
                  result.renderBusySeconds, result.renderCpuSeconds, result.encodeBusySeconds, result.encodeCpuSeconds);
    cl.summary(out, seconds,
               "title \"" + tags::TrimSpaces(std::string(record.Title.data(), record.Title.size())) + "\"" +
                   (lyricText.empty() ? ", no lyrics; " : ", with lyrics; ") + times +
                   (normalize ? "; " + render::loudnessText(loudness) : std::string()));
    return 0;
}

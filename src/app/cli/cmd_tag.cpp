// cantora-cli tag FILE [--title T] [--artist A] [--album B] [--year Y]
//     [--comment C] [--genre NUMBER|NAME] [--lyrics FILE [--lyrics-encoding NAME]
//     | --no-lyrics] [--force]
// Rewrites the ID3v1 tag and the Lyrics3 v2 block of FILE, keeping the bytes
// of every field that is not given, and of the lyrics when none are given.
// Texts are written in CP1252 when it holds them, else in UTF-8.
// The ID3v2 tag at the start of FILE gets the given fields too, and the
// lyrics as USLT and SYLT (timed by the LRC's tags); its other frames stay.

#include "app/cli/commands.h"
#include "app/cli/genreoption.h"
#include "core/byteio.h"
#include "core/samefile.h"
#include "core/textcodec.h"
#include "tags/audioframes.h"
#include "tags/genres.h"
#include "tags/id3module.h"
#include "tags/id3v2tag.h"
#include "tags/lyricstext.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace {

using namespace cantora;

constexpr const char *kUsage =
    "usage: cantora-cli tag FILE [--title T] [--artist A] [--album B] [--year Y] [--comment C]\n"
    "                        [--genre NUMBER|NAME] [--lyrics FILE [--lyrics-encoding NAME] | --no-lyrics]\n"
    "                        [--id3v2 4|3|none] [--force]\n"
    "  --lyrics-encoding NAME  the lyrics file's encoding (GBK, SHIFT_JIS, CP949, ...);\n"
    "                          without it the file is read as UTF-8, else CP1252, and\n"
    "                          its bytes are kept\n"
    "  --id3v2 V               the ID3v2 tag: version 4 or 3 (made when missing), or none\n"
    "                          (left alone); without it an existing tag keeps its version and\n"
    "                          one is made when lyrics are given\n"
    "  --force                 tag a file in which no MPEG audio frame is found, and rewrite\n"
    "                          a damaged ID3v2 tag without the frames that cannot be read\n";

int usageError(const std::string &what) {
    std::fprintf(stderr, "cantora-cli: tag: %s\n%s", what.c_str(), kUsage);
    return 2;
}

// One ID3v1 text option and the value given for it, if any.
struct Field {
    const char *name;
    std::optional<std::string> given;
};

} // namespace

int cantora::cli::tag(const Args &args) {
    std::string path;
    Field fields[] = {{"title", {}}, {"artist", {}}, {"album", {}}, {"year", {}}, {"comment", {}}};
    std::optional<int> genre;
    std::optional<std::string> lyricsFile;
    std::optional<std::string> lyricsEncoding;
    bool noLyrics = false;
    bool force = false;
    std::optional<int> id3v2; // 0: none

    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string &a = args[k];
        const auto value = [&]() -> std::optional<std::string> {
            if (k + 1 >= args.size())
                return std::nullopt;
            return args[++k];
        };
        bool matched = false;
        for (Field &f : fields) {
            if (a == std::string("--") + f.name) {
                f.given = value();
                if (!f.given)
                    return usageError(a + " needs a value");
                matched = true;
            }
        }
        if (matched)
            continue;
        if (a == "--genre") {
            if (const std::string why = takeGenre(value(), genre); !why.empty())
                return usageError(why);
        } else if (a == "--lyrics") {
            lyricsFile = value();
            if (!lyricsFile)
                return usageError("--lyrics needs a file");
        } else if (a == "--lyrics-encoding") {
            lyricsEncoding = value();
            if (!lyricsEncoding)
                return usageError("--lyrics-encoding needs an encoding name");
        } else if (a == "--no-lyrics") {
            noLyrics = true;
        } else if (a == "--id3v2") {
            id3v2 = tags::Id3v2VersionOption(value().value_or(""));
            if (!id3v2)
                return usageError("--id3v2 takes 4, 3 or none");
        } else if (a == "--force") {
            force = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("unknown option '" + a + "'");
        } else if (path.empty()) {
            path = a;
        } else {
            return usageError("one FILE only");
        }
    }
    if (path.empty())
        return usageError("no FILE given");
    if (lyricsFile && noLyrics)
        return usageError("--lyrics and --no-lyrics exclude each other");
    if (lyricsEncoding && !lyricsFile)
        return usageError("--lyrics-encoding needs --lyrics");

    const char *p = path.c_str();
    if (lyricsFile && core::sameFile(*lyricsFile, path)) {
        std::fprintf(stderr, "cantora-cli: tag: %s: the lyrics file is the file being tagged\n", p);
        return 1;
    }
    std::optional<std::string> newLyrics;
    if (noLyrics)
        newLyrics = std::string();
    if (lyricsFile) {
        std::ifstream in(*lyricsFile, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf(); // an empty file sets no lyrics
        if (!in.is_open() || in.bad() || std::filesystem::is_directory(*lyricsFile)) {
            std::fprintf(stderr, "cantora-cli: tag: %s: cannot read the lyrics file\n", lyricsFile->c_str());
            return 1;
        }
        std::string text = bytes.str();
        if (lyricsEncoding) {
            std::string why;
            const std::optional<std::string> utf8 = core::convertToUtf8(text, *lyricsEncoding, &why);
            if (!utf8) {
                std::fprintf(stderr, "cantora-cli: tag: %s: %s\n", lyricsFile->c_str(), why.c_str());
                return 1;
            }
            text = *utf8;
        }
        std::string box = tags::LyricBoxText(text);
        const std::size_t first = box.find_first_not_of(' ');
        box = first == std::string::npos ? std::string() : box.substr(first, box.find_last_not_of(' ') - first + 1);
        newLyrics = box;
    }

    tags::Id3Module module;
    const tags::Mp3Info info = module.GetMp3Info(path);
    if (!module.OpenError().empty()) {
        std::fprintf(stderr, "cantora-cli: tag: %s: %s\n", p, module.OpenError().c_str());
        return 1;
    }
    if (!force) {
        core::FileSource file;
        if (file.open(path) && !tags::FindFirstAudioFrame(file)) {
            std::fprintf(stderr,
                         "cantora-cli: tag: %s: no MPEG audio frame found; not an MP3 file? "
                         "(--force tags it anyway)\n",
                         p);
            return 1;
        }
    }
    // A file without a tag gets genre 12 (Other), as the tag editor saves it.
    const int genreByte = genre ? *genre : info.Genre.empty() ? 12 : std::stoi(info.Genre) - 1;

    // Fields not given keep their bytes exactly (whatever their encoding,
    // and a track number in the last comment bytes).
    tags::Id3v1Fit fit;
    const auto text = [](const Field &f) { return f.given ? *f.given : std::string(); };
    const tags::Id3v1Tag edited = tags::MakeId3v1Tag(text(fields[0]), text(fields[1]), text(fields[2]), text(fields[3]),
                                                     text(fields[4]), 0, &fit);
    tags::Id3v1Tag record = tags::Id3v1TagFromBytes(module.Id3v1Bytes());
    if (fields[0].given)
        record.Title = edited.Title;
    if (fields[1].given)
        record.Artist = edited.Artist;
    if (fields[2].given)
        record.Album = edited.Album;
    if (fields[3].given)
        record.Year = edited.Year;
    if (fields[4].given)
        record.Comment = edited.Comment;
    record.Genre = static_cast<std::uint8_t>(genreByte);

    // The ID3v2 edit is tried before anything is written: a damaged tag stops everything.
    tags::Id3v2Edit edit = newLyrics ? tags::LyricsEdit(*newLyrics) : tags::Id3v2Edit{};
    std::optional<std::string> *texts[] = {&edit.title, &edit.artist, &edit.album, &edit.year, &edit.comment};
    for (int k = 0; k < 5; ++k)
        *texts[k] = fields[k].given;
    if (genre)
        edit.genre = std::string(tags::GenreName(*genre));
    edit.dropDamaged = force;
    edit.create = id3v2.has_value() || (newLyrics && !newLyrics->empty());
    if (id3v2 != 0) {
        core::FileSource file;
        const std::string why = file.open(path) ? tags::RenderId3v2(file, edit).error : file.error();
        if (!why.empty()) {
            std::fprintf(stderr,
                         "cantora-cli: tag: %s: %s; nothing written (--force rewrites a damaged ID3v2 tag without "
                         "what cannot be read, --id3v2 none leaves it alone)\n",
                         p, why.c_str());
            return 1;
        }
    }

    // Without new lyrics the block stays byte for byte: its text is never
    // decoded and encoded again, and a damaged block never swallows the tag.
    const tags::TagWriteResult result =
        newLyrics ? module.WriteLyricsTag(path, record, *newLyrics) : module.WriteId3v1Tag(path, record);
    if (!result) {
        std::fprintf(stderr, "cantora-cli: tag: %s: %s\n", p, result.error.c_str());
        return 1;
    }
    if (id3v2 != 0)
        if (const std::string why = tags::WriteId3v2(path, edit, id3v2.value_or(0)); !why.empty()) {
            std::fprintf(stderr, "cantora-cli: tag: %s: ID3v2: %s\n", p, why.c_str());
            return 1;
        }
    if (module.LyricsTagFound && module.LyricsBlockDamaged)
        std::fprintf(stderr,
                     newLyrics ? "cantora-cli: tag: %s: the old Lyrics3 block was inconsistent (a field length runs "
                                 "past its end); it was replaced\n"
                               : "cantora-cli: tag: %s: the Lyrics3 block is inconsistent (a field length runs past "
                                 "its end); it was kept unchanged (give --lyrics or --no-lyrics to replace it)\n",
                     p);
    reportTagFit("tag", path, fit, result.lyricsUtf8);
    return 0;
}

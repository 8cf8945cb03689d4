// cantora-cli tag FILE [--title T] [--artist A] [--album B] [--year Y]
//     [--comment C] [--genre NUMBER|NAME] [--lyrics FILE [--lyrics-encoding NAME]
//     | --no-lyrics] [--not-mp3]
// Rewrites the ID3v1 tag and the Lyrics3 v2 block of FILE, keeping the bytes
// of every field that is not given, and of the lyrics when none are given.
// Texts are written in CP1252 when it holds them, else in UTF-8. The new
// file is written beside FILE and renamed over it: FILE is never half
// rewritten. The ID3v2 tag at the start of FILE gets the given fields too,
// and the lyrics as USLT and SYLT (timed by the LRC's tags); its other
// frames stay.

#include "app/cli/commandline.h"
#include "app/cli/genreoption.h"
#include "core/byteio.h"
#include "core/samefile.h"
#include "core/textcodec.h"
#include "tags/audioframes.h"
#include "tags/genres.h"
#include "tags/id3module.h"
#include "tags/id3v2tag.h"
#include "tags/lyricstext.h"

#include <cerrno>
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
    "                        [--id3v2 4|3|none] [--not-mp3] [--force] [-q]\n"
    "  --lyrics-encoding NAME  the lyrics file's encoding (GBK, SHIFT_JIS, CP949, ...);\n"
    "                          without it the file is read as UTF-8, else CP1252, and\n"
    "                          its bytes are kept\n"
    "  --id3v2 V               the ID3v2 tag: version 4 or 3 (made when missing), or none\n"
    "                          (left alone); without it an existing tag keeps its version and\n"
    "                          one is made when lyrics are given\n"
    "  --not-mp3               tag a file in which no MPEG audio frame is found\n"
    "  --force                 rewrite a damaged ID3v2 tag without the frames that cannot be read\n"
    "  -q, --quiet             print nothing but errors\n"
    "  FILE is rewritten whole beside itself and renamed over the old one\n";

// The largest lyrics file that may still fit a Lyrics3 block once converted
// (four bytes of UTF-32 may become one byte of CP1252).
constexpr std::uintmax_t kMaxLyricsFileBytes = 4 * tags::Id3Module::kMaxLyricsLength + 4;

} // namespace

int cantora::cli::tag(const Args &args) {
    std::string path;
    const char *const names[] = {"--title", "--artist", "--album", "--year", "--comment"};
    std::optional<std::string> fields[5];
    std::optional<int> genre;
    std::optional<std::string> lyricsFile, lyricsEncoding;
    bool noLyrics = false, notMp3 = false, force = false;
    std::optional<int> id3v2; // 0: none
    CommandLine cl("tag", kUsage);
    for (std::size_t k = 0; k < 5; ++k)
        cl.value(names[k], fields[k]);
    cl.value("--genre", [&](const std::string &v) { return takeGenre(v, genre); })
        .value("--lyrics", lyricsFile)
        .value("--lyrics-encoding", lyricsEncoding)
        .value("--id3v2", [&](const std::string &v) { return takeId3v2Version(v, id3v2); })
        .flag("--no-lyrics", noLyrics)
        .flag("--not-mp3", notMp3)
        .writes(force)
        .operand("FILE", path);
    if (const int status = cl.parse(args); status >= 0)
        return status;
    if (lyricsFile && noLyrics)
        return cl.usageError("--lyrics and --no-lyrics exclude each other");
    if (lyricsEncoding && !lyricsFile)
        return cl.usageError("--lyrics-encoding needs --lyrics");
    if (const int status = cl.checkInput(path); status >= 0)
        return status;

    if (lyricsFile && core::sameFile(*lyricsFile, path))
        return cl.fail(path + ": the lyrics file is the file being tagged");
    std::optional<std::string> newLyrics;
    if (noLyrics)
        newLyrics = std::string();
    if (lyricsFile) {
        if (const int status = cl.checkInput(*lyricsFile); status >= 0)
            return status;
        std::error_code ec;
        if (const auto size = std::filesystem::file_size(*lyricsFile, ec); !ec && size > kMaxLyricsFileBytes)
            return cl.fail(*lyricsFile + ": the lyrics file takes " + std::to_string(size) +
                           " bytes; a Lyrics3 block holds at most " +
                           std::to_string(tags::Id3Module::kMaxLyricsLength));
        std::ifstream in(*lyricsFile, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf(); // an empty file sets no lyrics
        if (!in.is_open() || in.bad())
            return cl.fail(*lyricsFile + ": cannot read the lyrics file: " + systemError(errno));
        std::string text = bytes.str();
        if (lyricsEncoding && !core::byteOrderMarkEncoding(text)) { // a byte-order mark names its own
            std::string why;
            const std::optional<std::string> utf8 = core::convertToUtf8(text, *lyricsEncoding, &why);
            if (!utf8)
                return cl.fail(*lyricsFile + ": " + why);
            text = *utf8;
        }
        std::string box = tags::LyricBoxText(text);
        const std::size_t first = box.find_first_not_of(' ');
        box = first == std::string::npos ? std::string() : box.substr(first, box.find_last_not_of(' ') - first + 1);
        if (const std::string why = lyricsTooLong(box); !why.empty())
            return cl.fail(*lyricsFile + ": " + why);
        newLyrics = box;
    }

    tags::Id3Module module;
    const tags::Mp3Info info = module.GetMp3Info(path);
    if (!module.OpenError().empty())
        return cl.fail(path + ": " + module.OpenError());
    if (const std::string why = notMp3 ? std::string() : tags::NotMpegAudio(path); !why.empty())
        return cl.fail(path + ": " + why + " (--not-mp3 tags it anyway)");
    // A file without a tag gets genre 12 (Other), as the tag editor saves it.
    const int genreByte = genre ? *genre : info.Genre.empty() ? 12 : std::stoi(info.Genre) - 1;

    // Fields not given keep their bytes exactly (whatever their encoding,
    // and a track number in the last comment bytes).
    tags::Id3v1Fit fit;
    const auto text = [&](std::size_t k) { return fields[k].value_or(std::string()); };
    const tags::Id3v1Tag edited = tags::MakeId3v1Tag(text(0), text(1), text(2), text(3), text(4), 0, &fit);
    tags::Id3v1Tag record = tags::Id3v1TagFromBytes(module.Id3v1Bytes());
    if (fields[0])
        record.Title = edited.Title;
    if (fields[1])
        record.Artist = edited.Artist;
    if (fields[2])
        record.Album = edited.Album;
    if (fields[3])
        record.Year = edited.Year;
    if (fields[4])
        record.Comment = edited.Comment;
    record.Genre = static_cast<std::uint8_t>(genreByte);

    // The ID3v2 edit is tried before anything is written: a damaged tag stops everything.
    tags::Id3v2Edit edit = newLyrics ? tags::LyricsEdit(*newLyrics) : tags::Id3v2Edit{};
    std::optional<std::string> *texts[] = {&edit.title, &edit.artist, &edit.album, &edit.year, &edit.comment};
    for (int k = 0; k < 5; ++k)
        *texts[k] = fields[k];
    if (genre)
        edit.genre = std::string(tags::GenreName(*genre));
    edit.dropDamaged = force;
    edit.create = id3v2.has_value() || (newLyrics && !newLyrics->empty());
    if (id3v2 != 0) {
        core::FileSource file;
        const std::string why = file.open(path) ? tags::RenderId3v2(file, edit).error : file.error();
        if (!why.empty())
            return cl.fail(path + ": " + why +
                           "; nothing written (--force rewrites a damaged ID3v2 tag without what cannot be read, "
                           "--id3v2 none leaves it alone)");
    }

    // Without new lyrics the block stays byte for byte: its text is never
    // decoded and encoded again, and a damaged block never swallows the tag.
    const tags::TagWriteResult result =
        newLyrics ? module.WriteLyricsTag(path, record, *newLyrics) : module.WriteId3v1Tag(path, record);
    if (!result)
        return cl.fail(result.error.rfind("cannot write", 0) == 0 ? result.error : path + ": " + result.error);
    if (id3v2 != 0)
        if (const std::string why = tags::WriteId3v2(path, edit, id3v2.value_or(0)); !why.empty())
            return cl.fail(path + ": ID3v2: " + why);
    if (module.LyricsTagFound && module.LyricsBlockDamaged) {
        const std::string why = " (a field length runs past its end); it was ";
        if (!newLyrics)
            cl.note(path + ": the Lyrics3 block is inconsistent" + why +
                    "kept unchanged (give --lyrics or --no-lyrics to replace it)");
        else
            cl.note(path + ": the old Lyrics3 block was inconsistent" + why +
                    (newLyrics->empty() ? "removed" : "replaced"));
    }
    reportTagFit("tag", path, fit, result.lyricsUtf8);
    cl.summary(path, -1,
               newLyrics ? (newLyrics->empty() ? "ID3v1 tag, no lyrics" : "ID3v1 tag and lyrics") : "ID3v1 tag");
    return 0;
}

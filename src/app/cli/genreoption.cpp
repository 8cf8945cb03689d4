#include "app/cli/genreoption.h"

#include "app/cli/commandline.h"

#include "core/textcodec.h"
#include "render/bladeenc.h"
#include "render/encoderpresets.h"
#include "tags/genres.h"
#include "tags/id3module.h"
#include "tags/id3v2tag.h"

#include <algorithm>

#include <cstdio>

namespace cantora::cli {

std::optional<int> parseGenre(const std::string &value) {
    if (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos) {
        const std::size_t first = std::min(value.find_first_not_of('0'), value.size() - 1); // "0012" is 12
        if (value.size() - first > 3 || std::stoi(value.substr(first)) > 255)
            return std::nullopt;
        return std::stoi(value.substr(first));
    }
    return tags::GenreByteFromName(value);
}

std::string takeGenre(const std::optional<std::string> &value, std::optional<int> &genre) {
    if (!value)
        return "--genre needs a value";
    genre = parseGenre(*value);
    if (!genre)
        return "unknown genre '" + *value + "': give a byte 0-255 (12 is Other) or a genre name";
    return {};
}

std::string takePreset(const std::string &value, long &preset) {
    const auto code = render::FindPresetCode(value);
    if (!code)
        return "unknown preset '" + value + "' (`cantora-cli encode --help` lists them)";
    preset = *code;
    return {};
}

std::string checkBitrate(long preset, const std::optional<std::string> &value, long &kbps) {
    const bool takesRate = preset == render::LQP_ABR || preset == render::LQP_CBR;
    if (!value)
        return {};
    if (!takesRate)
        return "--bitrate goes with the ABR and CBR presets only";
    const bool digits =
        !value->empty() && value->size() <= 3 && value->find_first_not_of("0123456789") == std::string::npos;
    kbps = digits ? std::stol(*value) : 0;
    if (kbps < 8 || kbps > 320)
        return "--bitrate: '" + *value + "' is not a bit rate from 8 to 320 kbit/s";
    return {};
}

int checkMp3Options(const CommandLine &cl, long preset, const std::optional<std::string> &bitrate,
                    const std::string &out, long &kbps) {
    if (const std::string why = checkBitrate(preset, bitrate, kbps); !why.empty())
        return cl.usageError(why);
    if (out == "-")
        return cl.usageError("OUT.mp3 cannot be standard output");
    return -1;
}

std::string lyricsTooLong(const std::string &lyrics) {
    const std::size_t n = core::encodeForWriting(lyrics).size();
    if (n <= tags::Id3Module::kMaxLyricsLength)
        return {};
    const auto crs = static_cast<std::size_t>(std::count(lyrics.begin(), lyrics.end(), '\r'));
    return "the lyrics take " + std::to_string(n) + " bytes" +
           (n - crs <= tags::Id3Module::kMaxLyricsLength ? " once their line ends are converted to CR LF" : "") +
           ", more than a Lyrics3 block holds (" + std::to_string(tags::Id3Module::kMaxLyricsLength) + ")";
}

void reportTagFit(const char *command, const std::string &file, const tags::Id3v1Fit &fit, bool lyricsUtf8) {
    if (manners().quiet)
        return;
    if (!fit.cutFields.empty())
        std::fprintf(stderr, "cantora-cli: %s: %s: cut to fit the tag: %s\n", command, file.c_str(),
                     fit.cutFields.c_str());
    std::string utf8 = fit.utf8Fields;
    if (lyricsUtf8)
        utf8 += utf8.empty() ? "lyrics" : ", lyrics";
    if (!utf8.empty())
        std::fprintf(stderr,
                     "cantora-cli: %s: %s: written in UTF-8, as CP1252 cannot hold them "
                     "(some older players show UTF-8 wrongly): %s\n",
                     command, file.c_str(), utf8.c_str());
}

std::string takeId3v2Version(const std::string &value, std::optional<int> &version) {
    version = tags::Id3v2VersionOption(value);
    return version ? std::string() : std::string("--id3v2 takes 4, 3 or none");
}

std::string takeSongEncoding(const std::string &value, std::optional<core::SongEncoding> &encoding) {
    std::string why;
    encoding = core::SongEncoding::named(value, &why);
    return encoding ? std::string() : "--song-encoding: " + why;
}

} // namespace cantora::cli

#include "cdg/cdgfile.h"

#include "core/safeoutput.h"
#include "lyrics/lrcsong.h"

#include <filesystem>
#include <zip.h>

namespace cantora::cdg {

namespace fs = std::filesystem;

namespace {

std::string refuseExisting(const std::string &path, bool replace) {
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return path + ": is a folder";
    if (!replace && fs::exists(fs::symlink_status(path, ec)))
        return path + ": already exists (use --force to replace it)";
    return {};
}

} // namespace

std::string writeFileSafely(const std::string &path, std::string_view bytes, bool replace, const CancelFn &cancelled) {
    core::SafeOutput out;
    if (!out.open(path, replace) || !out.write(bytes))
        return out.error();
    if (cancelled && cancelled())
        return path + ": cancelled";
    return out.commit() ? std::string() : out.error();
}

std::string writeZip(const std::string &path, const std::vector<std::string> &files, bool replace,
                     const CancelFn &cancelled) {
    // The archive is built in memory, then written as any other file.
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t *zip = buffer ? zip_open_from_source(buffer, ZIP_TRUNCATE, &error) : nullptr;
    std::string why;
    if (!zip) {
        why = zip_error_strerror(&error);
        zip_source_free(buffer);
    } else {
        zip_source_keep(buffer);
    }
    for (std::size_t i = 0; zip && why.empty() && i < files.size(); ++i) {
        zip_source_t *source = zip_source_file(zip, files[i].c_str(), 0, -1);
        if (!source || zip_file_add(zip, fs::path(files[i]).filename().c_str(), source, ZIP_FL_OVERWRITE) < 0) {
            why = files[i] + ": " + zip_strerror(zip);
            zip_source_free(source);
        }
    }
    if (zip && why.empty() && zip_close(zip) != 0)
        why = zip_strerror(zip);
    else if (zip && !why.empty())
        zip_discard(zip);
    zip_error_fini(&error);
    std::string bytes;
    zip_stat_t stat;
    if (why.empty() && (zip_source_stat(buffer, &stat) != 0 || zip_source_open(buffer) != 0))
        why = "cannot read the archive back";
    if (why.empty()) {
        bytes.resize(stat.size);
        if (zip_source_read(buffer, bytes.data(), stat.size) != static_cast<zip_int64_t>(stat.size))
            why = "cannot read the archive back";
        zip_source_close(buffer);
    }
    if (zip)
        zip_source_free(buffer);
    if (!why.empty())
        return path + ": " + why;
    return writeFileSafely(path, bytes, replace, cancelled);
}

CdgStream songCdg(const std::string &songPath, double seconds, double liveTempoFactor, const CdgOptions &options) {
    lyrics::LrcSong song;
    int code = 0;
    if (const lyrics::LrcSongError e = lyrics::readLrcSong(songPath, song, &code); e != lyrics::LrcSongError::None) {
        CdgStream out;
        out.error = songPath + ": " + lyrics::lrcSongErrorText(e);
        return out;
    }
    if (options.encoding)
        lyrics::decodeSongTexts(song.marks, song.atTTexts, *options.encoding);
    // The timeline's factor is the speed: the tempo option's factor scales the tempo value.
    const double factor = liveTempoFactor > 0 ? 1.0 / liveTempoFactor : 1.0;
    const lyrics::LyricTimeline timeline(song.marks, song.atTTexts, factor);
    return makeCdg(timeline, seconds, options, factor);
}

std::string writeSongCdgBeside(const std::string &songPath, const std::string &mp3Path, double seconds,
                               double liveTempoFactor, const CdgOptions &options, bool zip, bool replace,
                               std::vector<std::string> &warnings, const CancelFn &cancelled) {
    const std::string cdgPath = fs::path(mp3Path).replace_extension(".cdg").string();
    const std::string zipPath = fs::path(mp3Path).replace_extension(".zip").string();
    // Both refusals before anything is written.
    if (std::string why = refuseExisting(cdgPath, replace); !why.empty())
        return why;
    if (zip)
        if (std::string why = refuseExisting(zipPath, replace); !why.empty())
            return why;
    CdgStream stream = songCdg(songPath, seconds, liveTempoFactor, options);
    if (!stream.error.empty())
        return stream.error;
    warnings.insert(warnings.end(), stream.warnings.begin(), stream.warnings.end());
    if (std::string why = writeFileSafely(cdgPath, stream.bytes, replace, cancelled); !why.empty())
        return why;
    return zip ? writeZip(zipPath, {mp3Path, cdgPath}, replace, cancelled) : std::string();
}

std::string parseColours(const std::string &text, CdgOptions &options) {
    Rgb4 *const targets[] = {&options.background, &options.text, &options.sung};
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = i < 2 ? text.find(',', at) : text.size();
        if (comma == std::string::npos)
            return "--colours needs three colours: BG,TEXT,SUNG";
        const std::string given = text.substr(at, comma - at);
        std::string c = given;
        at = comma + 1;
        if (!c.empty() && c[0] == '#')
            c.erase(0, 1);
        if ((c.size() != 6 && c.size() != 3) || c.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return "'" + given + "': a colour is #RRGGBB or #RGB";
        const auto nibble = [&](std::size_t k) {
            return static_cast<std::uint8_t>(std::stoi(c.substr(c.size() == 6 ? 2 * k : k, 1), nullptr, 16));
        };
        *targets[i] = {nibble(0), nibble(1), nibble(2)};
    }
    return {};
}

} // namespace cantora::cdg

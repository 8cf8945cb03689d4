#include "cdg/cdgfile.h"

#include "core/byteio.h"
#include "lyrics/lrcsong.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace cantora::cdg {

namespace fs = std::filesystem;

namespace {

// A new empty file beside `path` with a name no other writer has: its
// descriptor (or -1, errno set) and its name.
int createPart(const std::string &path, std::string &part) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string tag;
        for (int i = 0; i < 8; ++i)
            tag += kLetters[random() % (sizeof kLetters - 1)];
        part = path + "." + tag + ".part";
        const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

std::string refuseExisting(const std::string &path, bool replace) {
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return path + ": is a folder";
    if (!replace && fs::exists(fs::symlink_status(path, ec)))
        return path + ": already exists (use --force to replace it)";
    return {};
}

// Flushes `part` to the disk and renames it to `path`; removes it on failure.
std::string finish(const std::string &part, const std::string &path, const CancelFn &cancelled) {
    std::error_code ec;
    const int fd = ::open(part.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const std::string why = synced ? std::string() : std::strerror(errno);
    if (fd >= 0)
        ::close(fd);
    if (!synced) {
        fs::remove(part, ec);
        return path + ": " + why;
    }
    if (cancelled && cancelled()) {
        fs::remove(part, ec);
        return path + ": cancelled";
    }
    fs::rename(part, path, ec);
    if (ec) {
        const std::string message = ec.message();
        fs::remove(part, ec);
        return path + ": " + message;
    }
    return {};
}

} // namespace

std::string writeFileSafely(const std::string &path, std::string_view bytes, bool replace, const CancelFn &cancelled) {
    if (std::string why = refuseExisting(path, replace); !why.empty())
        return why;
    std::string part;
    const int fd = createPart(path, part);
    if (fd < 0)
        return path + ": " + std::strerror(errno);
    const bool written = core::writeFullyAt(fd, bytes, 0);
    const std::string why = written ? std::string() : std::strerror(errno);
    ::close(fd);
    if (!written) {
        std::error_code ec;
        fs::remove(part, ec);
        return path + ": " + why;
    }
    return finish(part, path, cancelled);
}

std::string writeZip(const std::string &path, const std::vector<std::string> &files, bool replace,
                     const CancelFn &cancelled) {
    if (std::string why = refuseExisting(path, replace); !why.empty())
        return why;
    std::string part;
    const int fd = createPart(path, part);
    if (fd < 0)
        return path + ": " + std::strerror(errno);
    ::close(fd);
    std::error_code ec;
    int code = 0;
    zip_t *zip = zip_open(part.c_str(), ZIP_TRUNCATE, &code);
    std::string why;
    if (!zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        why = zip_error_strerror(&error);
        zip_error_fini(&error);
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
    if (zip && !why.empty())
        zip_discard(zip);
    if (!why.empty()) {
        fs::remove(part, ec);
        return path + ": " + why;
    }
    return finish(part, path, cancelled);
}

CdgStream songCdg(const std::string &songPath, double seconds, double liveTempoFactor, const CdgOptions &options) {
    lyrics::LrcSong song;
    int code = 0;
    if (const lyrics::LrcSongError e = lyrics::readLrcSong(songPath, song, &code); e != lyrics::LrcSongError::None) {
        CdgStream out;
        out.error = songPath + ": " + lyrics::lrcSongErrorText(e);
        return out;
    }
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

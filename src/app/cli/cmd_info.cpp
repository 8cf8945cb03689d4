// cantora-cli info [--json] FILE...: the tag editor's view of MP3 files
// (- : standard input), and the ID3v2 tag at their start.

#include "app/cli/commandline.h"
#include "core/byteio.h"
#include "core/textcodec.h"
#include "tags/audioframes.h"
#include "tags/genres.h"
#include "tags/id3module.h"
#include "tags/id3v2tag.h"

#include <sys/stat.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using cantora::tags::Id3Module;
using cantora::tags::Mp3Info;

// A JSON string that is always valid UTF-8: bytes that are not UTF-8 are
// read as CP1252 (every byte has a meaning there, none is dropped), and
// control characters, C0 and C1, are written as \u escapes.
std::string jsonString(const std::string &s) {
    const std::string utf8 = cantora::core::toUtf8(s);
    std::string out = "\"";
    for (std::size_t k = 0; k < utf8.size(); ++k) {
        const auto c = static_cast<unsigned char>(utf8[k]);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            unsigned control = 0x100;
            if (c < 0x20 || c == 0x7F)
                control = c;
            else if (c == 0xC2 && k + 1 < utf8.size() && static_cast<unsigned char>(utf8[k + 1]) < 0xA0)
                control = static_cast<unsigned char>(utf8[++k]); // U+0080..U+009F
            if (control < 0x100) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", control);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
        }
    }
    return out + "\"";
}

// The "id3v2" object: version, size, text frames as [id, text] pairs, the
// USLT text, the SYLT entry count and its first and last times in ms.
std::string json(const cantora::tags::Id3v2Info &t) {
    std::string out = std::string("{\"present\": ") + (t.present ? "true" : "false");
    if (t.present) {
        out +=
            ", \"version\": " + std::to_string(t.version) + ", \"size\": " + std::to_string(t.size) + ", \"frames\": [";
        for (std::size_t k = 0; k < t.textFrames.size(); ++k)
            out +=
                (k ? ", [" : "[") + jsonString(t.textFrames[k].first) + ", " + jsonString(t.textFrames[k].second) + "]";
        out += "], \"lyrics\": " + jsonString(t.lyrics) + ", \"syncedCount\": " + std::to_string(t.synced.size());
        if (!t.synced.empty())
            out += ", \"syncedFirstMs\": " + std::to_string(t.synced.front().ms) +
                   ", \"syncedLastMs\": " + std::to_string(t.synced.back().ms);
    }
    if (!t.damage.empty())
        out += ", \"damage\": " + jsonString(t.damage);
    return out + "}";
}

std::string json(const std::string &file, const Mp3Info &i, const Id3Module &m) {
    const std::pair<const char *, const std::string *> fields[] = {
        {"Bitrate", &i.Bitrate},
        {"ChannelMode", &i.ChannelMode},
        {"Copyrighted", &i.Copyrighted},
        {"Crcs", &i.Crcs},
        {"Emphasis", &i.Emphasis},
        {"Frequency", &i.Frequency},
        {"Layer", &i.Layer},
        {"Length", &i.Length},
        {"MpegVersion", &i.MpegVersion},
        {"Original", &i.Original},
        {"Size", &i.Size},
        {"Title", &i.Title},
        {"Artist", &i.Artist},
        {"Album", &i.Album},
        {"Year", &i.Year},
        {"Comment", &i.Comment},
        {"Genre", &i.Genre},
        {"Lyrics", &i.Lyrics},
    };
    std::string out = "{\n  \"file\": " + jsonString(file) + ",";
    for (const auto &[key, value] : fields)
        out += "\n  \"" + std::string(key) + "\": " + jsonString(*value) + ",";
    out += std::string("\n  \"HasId3v1\": ") + (m.HasId3v1 ? "true" : "false") + ",";
    out += std::string("\n  \"HasLyricsMarker\": ") + (m.HasLyricsMarker ? "true" : "false") + ",";
    out += std::string("\n  \"LyricsTagFound\": ") + (m.LyricsTagFound ? "true" : "false");
    return out + "\n}";
}

// Lines for a terminal: CR LF and lone CR become LF.
std::string unixLines(const std::string &s) {
    std::string out;
    for (std::size_t k = 0; k < s.size(); ++k) {
        if (s[k] == '\r') {
            out += '\n';
            if (k + 1 < s.size() && s[k + 1] == '\n')
                ++k;
        } else {
            out += s[k];
        }
    }
    return out;
}

std::string text(const Mp3Info &i) {
    std::string genre = i.Genre;
    if (!genre.empty()) {
        const std::string_view name = cantora::tags::GenreName(std::stoi(genre) - 1);
        if (!name.empty())
            genre += " (" + std::string(name) + ")";
    }
    std::string out = unixLines(cantora::tags::FormatInfoPanel(i)) + "\n";
    out += "Title: " + i.Title + "\n";
    out += "Artist: " + i.Artist + "\n";
    out += "Album: " + i.Album + "\n";
    out += "Year: " + i.Year + "\n";
    out += "Comment: " + i.Comment + "\n";
    out += "Genre: " + genre + "\n";
    out += "Lyrics:\n";
    if (!i.Lyrics.empty()) {
        out += unixLines(i.Lyrics);
        if (out.back() != '\n')
            out += '\n';
    }
    return out;
}

// Standard input read whole.
bool readStandardInput(std::string &bytes) {
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        bytes.append(buffer, n);
    return !std::ferror(stdin);
}

} // namespace

int cantora::cli::info(const Args &args) {
    bool asJson = false;
    std::vector<std::string> files;
    CommandLine cl("info", "usage: cantora-cli info [--json] FILE...   (- : standard input)\n"
                           "  MPEG frame information, ID3v1 tag and Lyrics3 lyrics of MP3 files; --json\n"
                           "  prints an array with one object per FILE, in order, each with \"file\" and,\n"
                           "  when it could not be read, \"error\"\n");
    cl.flag("--json", asJson).operands("FILE", files);
    if (const int status = cl.parse(args); status >= 0)
        return status;

    int status = 0;
    std::vector<std::string> objects;
    bool stdinRead = false;
    for (const std::string &path : files) {
        Id3Module module;
        Mp3Info i;
        std::string error, bytes;
        cantora::core::FileSource file;
        std::optional<cantora::core::MemorySource> memory;
        const cantora::core::ByteSource *source = &file;
        struct stat st {};
        if (path == "-") {
            if (stdinRead || !readStandardInput(bytes))
                error = stdinRead ? "standard input was read already" : "cannot read standard input";
            stdinRead = true;
            source = &memory.emplace(bytes);
        } else if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            error = S_ISDIR(st.st_mode) ? "is a folder" : "not a regular file";
        } else if (!file.open(path)) {
            error = file.error();
        }
        if (error.empty() && !cantora::tags::FindFirstAudioFrame(*source))
            error = cantora::tags::kNoAudioFrame;
        if (error.empty())
            i = module.GetMp3Info(*source, path);
        if (!error.empty()) {
            cl.fail(path + ": " + error);
            status = kFailed;
            if (asJson)
                objects.push_back("{\n  \"file\": " + jsonString(path) + ",\n  \"error\": " + jsonString(error) +
                                  "\n}");
            continue;
        }
        if (asJson) {
            const cantora::tags::Id3v2Info tag = cantora::tags::ReadId3v2(*source);
            std::string object = json(path, i, module);
            object.insert(object.size() - 2, ",\n  \"id3v2\": " + json(tag));
            objects.push_back(object);
        } else {
            if (files.size() > 1)
                std::printf("%sFile: %s\n", objects.empty() ? "" : "\n", path.c_str());
            std::fputs(text(i).c_str(), stdout);
            std::fputs(cantora::tags::FormatId3v2(cantora::tags::ReadId3v2(*source)).c_str(), stdout);
            objects.emplace_back();
        }
    }
    if (asJson) {
        std::string out = "[";
        for (std::size_t k = 0; k < objects.size(); ++k)
            out += (k ? ",\n" : "\n") + objects[k];
        std::printf("%s\n]\n", out.c_str());
    }
    return status;
}

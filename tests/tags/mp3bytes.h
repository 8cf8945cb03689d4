#pragma once
// MP3 files built from bytes for the tag tests: frame headers, Xing frames,
// ID3v1 tags and Lyrics3 v2 blocks, so no fixture needs to be committed.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

namespace mp3bytes {

// Four header bytes, e.g. header(0xFF, 0xFB, 0x90, 0x64) for MPEG 1 layer III 128 kbit/s.
inline std::string header(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return std::string{static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), static_cast<char>(d)};
}

// `head` at `offset` in a file of `size` bytes filled with `fill`.
inline std::string audio(std::size_t size, const std::string &head = header(0xFF, 0xFB, 0x90, 0x64),
                         std::size_t offset = 0, char fill = '\x55') {
    std::string s(size, fill);
    s.replace(offset, head.size(), head);
    return s;
}

// An MPEG 1 stereo frame carrying a Xing header with `frames` frames, then zeros up to `size`.
inline std::string xing(std::uint32_t frames, std::size_t size) {
    std::string s(size, '\0');
    s.replace(0, 4, header(0xFF, 0xFB, 0x90, 0x64));
    s.replace(36, 4, "Xing");
    s.replace(40, 4, std::string("\0\0\0\x0F", 4));
    for (int k = 0; k < 4; ++k)
        s[44 + k] = static_cast<char>(frames >> (24 - 8 * k));
    return s;
}

// A raw 128-byte ID3v1 tag; fields are placed as given (no padding added beyond `pad`).
inline std::string id3v1(const std::string &title, const std::string &artist = "", const std::string &album = "",
                         const std::string &year = "", const std::string &comment = "", std::uint8_t genre = 12,
                         char pad = ' ') {
    std::string t = "TAG";
    auto field = [&](const std::string &v, std::size_t w) { t += (v + std::string(w, pad)).substr(0, w); };
    field(title, 30);
    field(artist, 30);
    field(album, 30);
    field(year, 4);
    field(comment, 30);
    t += static_cast<char>(genre);
    return t;
}

// A Lyrics3 v2 block from (id, data) fields, with a correct size.
inline std::string lyrics3(std::initializer_list<std::pair<std::string, std::string>> fields) {
    std::string b = "LYRICSBEGIN";
    for (const auto &[id, data] : fields) {
        char len[8];
        std::snprintf(len, sizeof len, "%05zu", data.size());
        b += id + len + data;
    }
    char size[8];
    std::snprintf(size, sizeof size, "%06zu", b.size());
    return b + size + "LYRICS200";
}

} // namespace mp3bytes

#pragma once
// The 128-byte ID3v1 tag that ends an MP3 file: "TAG", title, artist, album
// (30 bytes each), year (4), comment (30) and a genre byte. Texts are padded
// with spaces (never NULs). An ID3v1.1 tag gives the comment's last two
// bytes to a track number: a NUL, then the track (1-255). Each text is written in CP1252 when CP1252 holds it, else in
// UTF-8 cut at a character boundary; the reader takes valid UTF-8 as such.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace cantora::tags {

// One ID3v1 record exactly as it lies on disk.
struct Id3v1Tag {
    std::array<char, 3> Tag{'T', 'A', 'G'};
    std::array<char, 30> Title{};
    std::array<char, 30> Artist{};
    std::array<char, 30> Album{};
    std::array<char, 4> Year{};
    std::array<char, 30> Comment{};
    std::uint8_t Genre = 0;

    // The 128 bytes in field order.
    std::string Bytes() const;
};

// What MakeId3v1Tag did to fit the texts into the record.
struct Id3v1Fit {
    std::string cutFields;  // names of the fields cut to their width, comma separated
    std::string utf8Fields; // names of the fields written in UTF-8 (CP1252 could not hold them)
};

// Builds a record from UTF-8 texts: each is trimmed of spaces, encoded
// (CP1252 when it holds the text, else UTF-8), cut to its field and filled
// with spaces. `fit`, when given, says what was cut or written in UTF-8.
Id3v1Tag MakeId3v1Tag(std::string_view title, std::string_view artist, std::string_view album, std::string_view year,
                      std::string_view comment, std::uint8_t genre, Id3v1Fit *fit = nullptr);

// The ID3v1.1 track number of a 128-byte tag; 0 when it holds none.
std::uint8_t Id3v1Track(std::string_view tag);

// Makes `tag` an ID3v1.1 tag of `track` (1-255): the comment is cut to 28
// bytes (never inside a UTF-8 character) and followed by a NUL and the track.
void SetId3v1Track(Id3v1Tag &tag, std::uint8_t track);

// The record held in 128 bytes read from a file (the first 128 are used;
// shorter input gives a blank record with genre 12).
Id3v1Tag Id3v1TagFromBytes(std::string_view bytes);

} // namespace cantora::tags

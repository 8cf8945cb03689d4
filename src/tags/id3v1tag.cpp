#include "tags/id3v1tag.h"

#include "core/textcodec.h"

#include <algorithm>

namespace cantora::tags {

namespace {

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

template <std::size_t N>
void fill(std::array<char, N> &field, std::string_view utf8, const char *name, Id3v1Fit *fit) {
    std::string missing;
    const std::string bytes = core::utf8ToCp1252(trimSpaces(utf8), &missing);
    field.fill(' ');
    const std::size_t n = std::min(N, bytes.size());
    bytes.copy(field.data(), n);
    if (!fit)
        return;
    if (bytes.size() > N) {
        if (!fit->cutFields.empty())
            fit->cutFields += ", ";
        fit->cutFields += name;
    }
    // Collect each character once across all fields.
    std::string merged;
    core::utf8ToCp1252(fit->unrepresentable + missing, &merged);
    fit->unrepresentable = merged;
}

} // namespace

std::string Id3v1Tag::Bytes() const {
    std::string out;
    out.reserve(128);
    out.append(Tag.data(), Tag.size());
    out.append(Title.data(), Title.size());
    out.append(Artist.data(), Artist.size());
    out.append(Album.data(), Album.size());
    out.append(Year.data(), Year.size());
    out.append(Comment.data(), Comment.size());
    out += static_cast<char>(Genre);
    return out;
}

Id3v1Tag Id3v1TagFromBytes(std::string_view bytes) {
    Id3v1Tag tag;
    if (bytes.size() < 128)
        return MakeId3v1Tag("", "", "", "", "", 12);
    bytes.copy(tag.Title.data(), 30, 3);
    bytes.copy(tag.Artist.data(), 30, 33);
    bytes.copy(tag.Album.data(), 30, 63);
    bytes.copy(tag.Year.data(), 4, 93);
    bytes.copy(tag.Comment.data(), 30, 97);
    tag.Genre = static_cast<std::uint8_t>(bytes[127]);
    return tag;
}

Id3v1Tag MakeId3v1Tag(std::string_view title, std::string_view artist, std::string_view album,
                      std::string_view year, std::string_view comment, std::uint8_t genre, Id3v1Fit *fit) {
    Id3v1Tag tag;
    fill(tag.Title, title, "title", fit);
    fill(tag.Artist, artist, "artist", fit);
    fill(tag.Album, album, "album", fit);
    fill(tag.Year, year, "year", fit);
    fill(tag.Comment, comment, "comment", fit);
    tag.Genre = genre;
    return tag;
}

} // namespace cantora::tags

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

void addName(std::string &list, const char *name) {
    if (!list.empty())
        list += ", ";
    list += name;
}

template <std::size_t N>
void fill(std::array<char, N> &field, std::string_view utf8, const char *name, Id3v1Fit *fit) {
    bool usedUtf8 = false;
    const std::string bytes = core::encodeForWriting(trimSpaces(utf8), &usedUtf8);
    // CP1252 has one byte per character; UTF-8 is never cut inside one.
    const std::string_view kept =
        usedUtf8 ? core::cutAtCharacter(bytes, N) : std::string_view(bytes).substr(0, std::min(N, bytes.size()));
    field.fill(' ');
    kept.copy(field.data(), kept.size());
    if (!fit)
        return;
    if (kept.size() < bytes.size())
        addName(fit->cutFields, name);
    if (usedUtf8)
        addName(fit->utf8Fields, name);
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

std::uint8_t Id3v1Track(std::string_view tag) {
    return tag.size() == 128 && tag[125] == '\0' ? static_cast<std::uint8_t>(tag[126]) : 0;
}

void SetId3v1Track(Id3v1Tag &tag, std::uint8_t track) {
    if (track == 0)
        return;
    const std::string_view comment(tag.Comment.data(), tag.Comment.size());
    const std::string_view kept =
        core::isValidUtf8(comment) ? core::cutAtCharacter(comment, 28) : comment.substr(0, 28);
    std::array<char, 30> field{};
    field.fill(' ');
    kept.copy(field.data(), kept.size());
    field[28] = '\0';
    field[29] = static_cast<char>(track);
    tag.Comment = field;
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

Id3v1Tag MakeId3v1Tag(std::string_view title, std::string_view artist, std::string_view album, std::string_view year,
                      std::string_view comment, std::uint8_t genre, Id3v1Fit *fit) {
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

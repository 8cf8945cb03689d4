#pragma once
// The one seam for 8-bit text: song files, tags and settings store bytes,
// the program works in UTF-8. Bytes that already form valid UTF-8 are taken
// as UTF-8 (many karaoke files store it); anything else is read as CP1252.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cantora::core {

// True when `bytes` is well-formed UTF-8 (plain ASCII included).
bool isValidUtf8(std::string_view bytes);

// 8-bit text as stored -> UTF-8: valid UTF-8 passes unchanged, anything else
// is decoded as CP1252.
std::string toUtf8(std::string_view bytes);

// CP1252 bytes -> UTF-8, unconditionally.
std::string cp1252ToUtf8(std::string_view bytes);

// UTF-8 -> CP1252 bytes. Characters CP1252 cannot hold become '?' and are
// listed (as UTF-8, in order of first appearance) in `unrepresentable` when
// it is given. Writers use encodeForWriting, which never loses a character.
std::string utf8ToCp1252(std::string_view utf8, std::string *unrepresentable = nullptr);

// The bytes to store for UTF-8 text in an 8-bit field or file: CP1252 when
// it holds every character (what older readers expect), otherwise the UTF-8
// itself, which toUtf8 reads back unchanged. `usedUtf8`, when given, says
// which was chosen.
std::string encodeForWriting(std::string_view utf8, bool *usedUtf8 = nullptr);

// The longest head of the UTF-8 text `bytes` of at most `maxBytes` bytes
// that does not end inside a character.
std::string_view cutAtCharacter(std::string_view bytes, std::size_t maxBytes);

// Text in the encoding `encoding` (an iconv name: "GBK", "SHIFT_JIS",
// "CP949", "ISO-8859-2", ...) -> UTF-8. Nothing, with `error` set, when the
// name is unknown or the bytes are not valid in that encoding.
std::optional<std::string> convertToUtf8(std::string_view bytes, const std::string &encoding, std::string *error);

// The Unicode encoding a text file's byte order mark names ("UTF-8",
// "UTF-16LE", "UTF-16BE", "UTF-32LE", "UTF-32BE"), or null when it has none.
const char *byteOrderMarkEncoding(std::string_view bytes);

// A text file's bytes -> UTF-8: a byte order mark names the encoding (and is
// dropped); without one the bytes read as toUtf8 reads them. Text that its
// mark does not describe (cut in the middle of a character, say) reads as
// far as it goes.
std::string textFileToUtf8(std::string_view bytes);

// The encoding a song's 8-bit texts are written in, named by the user.
class SongEncoding {
public:
    // Nothing, with `error` set, when iconv does not know `name`.
    static std::optional<SongEncoding> named(const std::string &name, std::string *error);

    const std::string &name() const { return name_; }
    // The bytes as UTF-8; bytes that are not valid in the encoding read as
    // toUtf8 reads them.
    std::string toUtf8(std::string_view bytes) const;
    // UTF-8 text in upper case, changing only characters that the encoding
    // stores in one byte and whose capital it stores in one byte too: no
    // byte of a multi-byte sequence ever changes.
    std::string upperCase(std::string_view utf8) const;

private:
    std::string name_;
    std::vector<char32_t> singleByte_; // sorted: the characters stored in one byte
};

} // namespace cantora::core

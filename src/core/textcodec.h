#pragma once
// The one seam for 8-bit text: song files, tags and settings store bytes,
// the program works in UTF-8. Bytes that already form valid UTF-8 are taken
// as UTF-8 (many karaoke files store it); anything else is read as CP1252.

#include <optional>
#include <string>
#include <string_view>

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

} // namespace cantora::core

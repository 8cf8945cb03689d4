#pragma once
// The one seam for 8-bit text: song files, tags and settings store bytes,
// the program works in UTF-8. Bytes that already form valid UTF-8 are taken
// as UTF-8 (many karaoke files store it); anything else is read as CP1252.

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

// UTF-8 -> CP1252 bytes for writing. Characters CP1252 cannot hold become
// '?' and are listed (as UTF-8, in order of first appearance) in
// `unrepresentable` when it is given.
std::string utf8ToCp1252(std::string_view utf8, std::string *unrepresentable = nullptr);

} // namespace cantora::core

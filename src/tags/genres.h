#pragma once
// The genre list of the tag editor, shared with cantora-cli. Entry 0 is a
// one-character text holding NUL (the "no choice" entry of the drop-down);
// entries 1..126 name the ID3v1 genres 0..125, so a list index k stands for
// the genre byte k - 1.

#include <array>
#include <optional>
#include <string_view>

namespace cantora::tags {

// Number of entries in the editor's genre list (NUL entry included).
inline constexpr int kGenreListSize = 127;

// The editor's genre list, in list order.
const std::array<std::string_view, kGenreListSize> &GenreList();

// Name of the ID3v1 genre byte, or an empty view when the list has none
// (bytes 126..255).
std::string_view GenreName(int genreByte);

// Genre byte whose name matches `name` (ASCII case ignored), if any.
std::optional<int> GenreByteFromName(std::string_view name);

} // namespace cantora::tags

#pragma once
// The --genre value of the tagging commands: a byte 0-255 or a genre name.

#include <optional>
#include <string>

namespace cantora::cli {

// The genre byte for `value`; nothing when it is neither a byte nor a known name.
std::optional<int> parseGenre(const std::string &value);

// The usage error text for a value parseGenre refuses.
std::string unknownGenreText(const std::string &value);

} // namespace cantora::cli

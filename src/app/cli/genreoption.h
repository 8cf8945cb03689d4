#pragma once
// The --genre value of the tagging commands: a byte 0-255 or a genre name.

#include <optional>
#include <string>

namespace cantora::cli {

// The genre byte for `value`; nothing when it is neither a byte nor a known name.
std::optional<int> parseGenre(const std::string &value);

// Reads the value given after --genre into `genre`: "" when taken, else
// the usage error to show (no value, or one parseGenre refuses).
std::string takeGenre(const std::optional<std::string> &value, std::optional<int> &genre);

} // namespace cantora::cli

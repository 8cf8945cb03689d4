#pragma once
// What the tagging commands (tag, mp3) share: the --genre value, a byte
// 0-255 or a genre name, and the notes on how the fields were written.

#include "tags/id3v1tag.h"

#include <optional>
#include <string>

namespace cantora::cli {

// The genre byte for `value`; nothing when it is neither a byte nor a known name.
std::optional<int> parseGenre(const std::string &value);

// Reads the value given after --genre into `genre`: "" when taken, else
// the usage error to show (no value, or one parseGenre refuses).
std::string takeGenre(const std::optional<std::string> &value, std::optional<int> &genre);

// Notes on stderr, naming `command` and `file`, for the fields cut to fit the
// tag and those (and the lyrics, when `lyricsUtf8`) written in UTF-8.
void reportTagFit(const char *command, const std::string &file, const tags::Id3v1Fit &fit, bool lyricsUtf8);

} // namespace cantora::cli

#pragma once
// Option values several commands share: the --genre value of the tagging
// commands (tag, mp3), a byte 0-255 or a genre name, and the notes on how
// the fields were written; the --preset and --bitrate of the encoding ones
// (encode, mp3).

#include "app/cli/commandline.h"
#include "core/textcodec.h"
#include "tags/id3v1tag.h"

#include <optional>
#include <string>

namespace cantora::cli {

// The genre byte for `value`; nothing when it is neither a byte nor a known name.
std::optional<int> parseGenre(const std::string &value);

// Reads the value given after --genre into `genre`: "" when taken, else
// the usage error to show (no value, or one parseGenre refuses).
std::string takeGenre(const std::optional<std::string> &value, std::optional<int> &genre);

// The preset code for --preset's value: "" when taken, else the usage error.
std::string takePreset(const std::string &value, long &preset);
// The bit rate of --bitrate for `preset` into `kbps` (untouched when not
// given): "" when fine, else the usage error (no ABR/CBR preset, or not 8-320).
std::string checkBitrate(long preset, const std::optional<std::string> &value, long &kbps);
// What the MP3 writers check after parsing: checkBitrate, and an OUT.mp3
// that is not standard output. -1 when fine, else 2 after the usage error.
int checkMp3Options(const CommandLine &cl, long preset, const std::optional<std::string> &bitrate,
                    const std::string &out, long &kbps);

// --id3v2 4|3|none into `version` (0: none): "" when taken, else the usage error.
std::string takeId3v2Version(const std::string &value, std::optional<int> &version);
// --song-encoding NAME (an iconv name) into `encoding`: "" when taken, else the usage error.
std::string takeSongEncoding(const std::string &value, std::optional<core::SongEncoding> &encoding);

// Why lyrics with CR LF line ends (UTF-8) do not fit a Lyrics3 block, naming
// the conversion to CR LF when that made them too long; "" when they fit.
std::string lyricsTooLong(const std::string &lyrics);

// Notes on stderr, naming `command` and `file`, for the fields cut to fit the
// tag and those (and the lyrics, when `lyricsUtf8`) written in UTF-8.
void reportTagFit(const char *command, const std::string &file, const tags::Id3v1Fit &fit, bool lyricsUtf8);

} // namespace cantora::cli

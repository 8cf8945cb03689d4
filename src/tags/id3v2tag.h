#pragma once
// The ID3v2 tag at the start of an MP3 file, where today's players look for
// titles and lyrics: reading what it says (text frames, the unsynchronised
// lyrics USLT, the synchronised lyrics SYLT) and writing it with new fields
// and lyrics while every other frame (pictures, chapters, ReplayGain,
// private frames) stays as it is.
//
// A write never touches the bytes after the tag: the new file is the new
// tag followed by every byte that followed the old one (audio, ID3v1,
// Lyrics3, APE), written to a temporary file beside the old one that
// replaces it only once complete and checked. A damaged tag is refused with
// the damage named, unless the caller asks to drop what cannot be read.
//
// Texts are UTF-8. Version 4 tags store text in UTF-8, version 3 in UTF-16.

#include "lyrics/lrcwords.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cantora::core {
class ByteSource;
}

namespace cantora::tags {

// What a leading ID3v2 tag holds.
struct Id3v2Info {
    bool present = false;
    int version = 0;       // major version: 2, 3 or 4
    std::int64_t size = 0; // bytes, header and footer included
    // Text frames (and comments) in file order: frame id and text.
    std::vector<std::pair<std::string, std::string>> textFrames;
    std::string lyrics;                     // text of the first USLT frame
    std::vector<lyrics::SyncedText> synced; // the first SYLT frame timed in milliseconds, lyrics preferred
    std::string damage;                     // what is wrong with the tag; empty when it reads cleanly
};

// The leading ID3v2 tag of `file`. A declared size past the end of the file
// counts as no tag, with `damage` saying so.
Id3v2Info ReadId3v2(const core::ByteSource &file);

// What a write changes; what is not given stays as it is.
struct Id3v2Edit {
    // TIT2, TPE1, TALB, TDRC, COMM (no description), TCON; "" removes the frame.
    std::optional<std::string> title, artist, album, year, comment, genre;
    // USLT and SYLT replace every lyric frame of their kind; empty removes them.
    std::optional<std::string> lyrics;
    std::optional<std::vector<lyrics::SyncedText>> synced;
    bool dropDamaged = false; // rewrite a tag with damaged frames, keeping the frames that read
    bool create = true;       // write a new tag into a file that has none
};

// An edit setting the lyrics of an LRC text: the text itself as USLT and
// its timed lines (or words) as SYLT; empty text removes both.
Id3v2Edit LyricsEdit(std::string_view lrc);

// The tag bytes a write puts at the start of the file.
struct Id3v2Render {
    std::string tag;           // the new tag; empty when there is nothing to write
    std::int64_t replaces = 0; // bytes of the old tag it takes the place of
    std::string error;         // why nothing can be written
};

// The new tag for `file` as version 3 or 4; 0 keeps the tag's own version
// (4 for a new tag or a version 2 one), and an edit that changes nothing
// then renders nothing.
Id3v2Render RenderId3v2(const core::ByteSource &file, const Id3v2Edit &edit, int version = 0);

// The version an option names: "4" or "3", or "none" (0); nothing for any other text.
std::optional<int> Id3v2VersionOption(std::string_view text);

// Writes the edit into the file at `path` (see above). Empty on success,
// else why not; the file is then unchanged.
std::string WriteId3v2(const std::string &path, const Id3v2Edit &edit, int version = 0);

// The tag as text lines for a terminal: version and size, each text frame,
// the USLT text and the SYLT entry count with its first and last times.
std::string FormatId3v2(const Id3v2Info &info);

// The LRC lines of a tag's lyrics for the tag editor's lyric box: the
// synchronised ones when there are any, else the unsynchronised text.
std::string Id3v2LyricLines(const Id3v2Info &info);

} // namespace cantora::tags

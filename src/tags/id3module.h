#pragma once
// Id3Module reads what the program shows about an MP3 file (MPEG frame
// information, ID3v1 tag, Lyrics3 v2 lyrics) and writes the ID3v1 tag and
// the Lyrics3 v2 block back.
//
// The module keeps one set of tag state: every GetMp3Info overwrites it and
// the next WriteLyricsTag relies on it to know where the old block and tag
// lie. Read a file, then write it; a write refuses to run when the file no
// longer looks as it did when it was read. The application owns one
// instance; it is not thread-safe and belongs to the user-interface thread.
//
// Texts handed out are UTF-8 (bytes that are valid UTF-8 are taken as such,
// anything else is CP1252); texts written are CP1252 when CP1252 holds them,
// else UTF-8, so no character is ever lost.

#include "tags/id3v1tag.h"
#include "tags/mp3info.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cantora::core {
class ByteSource;
}

namespace cantora::tags {

using core::ByteSource;

// Outcome of WriteLyricsTag.
struct TagWriteResult {
    bool ok = false;         // the block and tag are on disk
    std::string error;       // why not, for the user; the file is unchanged
    bool lyricsUtf8 = false; // the lyrics were written in UTF-8 (CP1252 could not hold them)
    explicit operator bool() const { return ok; }
};

// Average bitrate and play time of a Xing (variable bitrate) file.
struct VbrInfo {
    std::string bitrate; // "<kbit/s> Kbit (VBR)"
    std::int32_t seconds = 0;
};

class Id3Module {
public:
    // Largest lyric text a Lyrics3 v2 field can hold: its length has five digits.
    static constexpr std::size_t kMaxLyricsLength = 99999;

    // --- Tag state, overwritten by every read -------------------------------
    std::string CurrentFile; // path being read or written
    bool HasId3v1 = false;   // the file ends with an ID3v1 tag
    bool HasLyricsMarker =
        false; // "LYRICS" lies where a Lyrics3 end marker belongs; only set here, the editor clears it
    bool LyricsTagFound = false;      // a Lyrics3 v2 block was parsed; the editor may force it true
    std::int64_t LyricsStart = 0;     // 1-based position of "LYRICSBEGIN" computed by the last parse
    bool LyricsBlockDamaged = false;  // the parsed block's fields do not fill it exactly (a length runs
                                      // past the size digits, or bytes are left over): the lyrics read
                                      // may hold bytes of the block's end or of the ID3v1 tag
    std::int32_t DurationSeconds = 0; // constant-bitrate play time of the last file read

    // Reads the file at `path`; all texts stay empty when it cannot be read.
    Mp3Info GetMp3Info(const std::string &path);
    // Same on bytes already at hand; `name` becomes CurrentFile.
    Mp3Info GetMp3Info(const ByteSource &file, const std::string &name = {});
    // The 128 bytes of the ID3v1 tag last read, empty when there was none;
    // lets a caller keep fields it does not change byte for byte.
    const std::string &Id3v1Bytes() const { return id3v1Bytes_; }
    // Why the last GetMp3Info(path) could not open its file; empty when it could.
    const std::string &OpenError() const { return openError_; }

    // Tag, lyrics marker and frame information of `file` into the state.
    void ReadMp3File(const ByteSource &file);
    // Frame information from the first frame header in the 4096 bytes after
    // a leading ID3v2 tag (from the start of the file without one).
    void ReadFrameInfo(const ByteSource &file);
    // Lyrics3 v2 block before the ID3v1 tag (or at the end); true when parsed.
    bool ReadLyricsTag(const ByteSource &file);

    // Writes `lyrics` (UTF-8) as a Lyrics3 v2 block followed by `tag` where
    // the last read found the old block or tag, and cuts what lay behind
    // them. Empty lyrics remove the block. The new file is written beside the
    // old one and renamed over it (keeping its mode and owner): on failure
    // the file is unchanged, byte for byte.
    TagWriteResult WriteLyricsTag(const std::string &path, const Id3v1Tag &tag, std::string_view lyrics);
    // Writes only `tag`, over the old ID3v1 tag or appended, and keeps every
    // byte before it: a Lyrics3 block (damaged or not) stays exactly as it
    // is. Same checks and guarantees as WriteLyricsTag.
    TagWriteResult WriteId3v1Tag(const std::string &path, const Id3v1Tag &tag);

    // Average rate and seconds of a Xing file of `fileLength` bytes holding
    // `frames` frames; nothing when the count is too small to give a second.
    static std::optional<VbrInfo> ComputeVbrInfo(std::int64_t fileLength, std::int64_t frames);
    // True when lo <= x <= hi.
    static bool InByteRange(std::uint8_t x, std::uint8_t lo, std::uint8_t hi) { return lo <= x && x <= hi; }
    // The extra frame in every third second of a 44.1 kHz stream (38.28 frames a second).
    static int ExtraFrameStep(std::int32_t n) { return n % 3 == 0 ? 1 : 0; }
    // Cuts the file to `length` bytes when it is longer; false when it could not.
    static bool TruncateFile(const std::string &path, std::int64_t length);

    // 0-based offset at which WriteLyricsTag puts the block and tag in `file`:
    // the old block, else the old tag, else the end. Nothing when `file` is
    // not the file the state was read from (length or markers differ).
    std::optional<std::int64_t> WritePosition(const ByteSource &file) const;

    // The Lyrics3 v2 block for lyrics already encoded ("" for no lyrics).
    static std::string LyricsBlock(std::string_view encodedLyrics);

private:
    void readId3v1(const ByteSource &file);
    // The file with `tail` in place of its end: from the old block (or tag)
    // on, or only the old tag when `keepLyrics`.
    TagWriteResult writeTail(const std::string &path, const std::string &tail, bool keepLyrics);

    Mp3Info info_;
    std::string id3v1Bytes_;
    std::string openError_;
    std::int64_t readLength_ = -1; // length of the file the state describes; -1 after a write
};

} // namespace cantora::tags

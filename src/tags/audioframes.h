#pragma once
// Finding the MPEG audio in a file before tags are written into it: a WAV,
// a MIDI song or a text file must not get an ID3v1 tag by mistake.
//
// Frame header, 4 bytes big-endian:
//   AAAAAAAA AAABBCCD EEEEFFGH IIJJKLMM
//   A sync (11 ones), B version (00 MPEG 2.5, 01 reserved, 10 MPEG 2,
//   11 MPEG 1), C layer (01 III, 10 II, 11 I, 00 reserved), D protection,
//   E bitrate index (0000 free format, 1111 bad), F sample-rate index
//   (11 reserved), G padding, H private, I channel mode, J mode extension,
//   K copyright, L original, M emphasis.

#include "core/byteio.h"

#include <cstdint>
#include <optional>
#include <string>

namespace cantora::tags {

// One frame header taken apart.
struct FrameHeader {
    int version = 0;          // 1 (MPEG 1), 2 (MPEG 2) or 25 (MPEG 2.5)
    int layer = 0;            // 1, 2 or 3
    std::int32_t bitrate = 0; // bit/s
    std::int32_t rate = 0;    // samples a second
    std::int32_t length = 0;  // bytes of the whole frame, header included
};

// A leading ID3v2 tag: "ID3", version, revision, flags, four 7-bit bytes
// giving the size of what follows the 10-byte header, and a 10-byte footer
// when flag bit 4 is set.
struct Id3v2Span {
    int version = 0;      // major version: 2, 3 or 4 (other values are kept as read)
    std::int64_t end = 0; // offset of the first byte after the tag, footer included
};

// The ID3v2 tag at the start of `file`; nothing when the file does not start
// with one, or when its declared size runs past the end of the file.
std::optional<Id3v2Span> LeadingId3v2(const core::ByteSource &file);

// The header in the four bytes at `b`; nothing for bytes that are not a
// usable header (free format and the bad bitrate index included).
std::optional<FrameHeader> ParseFrameHeader(const unsigned char *b);

// Offset of the first MPEG audio frame: a header, after any ID3v2 tag at
// the start, whose frame is followed by three more of the same stream, or
// sooner by the end of the file or a tag ("TAG", "LYRICSBEGIN", "APETAGEX",
// "ID3"). Junk before the audio is searched through up to `searchBytes`.
// Nothing when there is no such frame.
std::optional<std::int64_t> FindFirstAudioFrame(const core::ByteSource &file, std::int64_t searchBytes = 1 << 20);

// What every writer of tags says of a file without MPEG audio.
inline constexpr const char *kNoAudioFrame = "no MPEG audio frame found; not an MP3 file?";

// Why tags must not be written into `path`: it cannot be read, or it holds
// no MPEG audio frame (a WAV, a text, an empty file). Empty when it can take them.
std::string NotMpegAudio(const std::string &path);

} // namespace cantora::tags

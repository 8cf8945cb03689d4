#pragma once
// The one reader of song files from disk, for the engine's streams and the
// MIDI file reader alike: bounded, and safe on anything that is no file.
//
// Only regular files are read. A FIFO, a device, a socket or a folder is
// refused before anything could block on it (a FIFO named ".mid" would
// otherwise hang the caller in open() until someone writes to it).
// Thread-safe: no shared state.

#include <cstdint>
#include <string>

namespace cantora::audio {

// No karaoke song comes near this size, and it bounds what a hostile file
// costs: a parsed event takes about 50 bytes for as few as 2 in the file.
constexpr std::uint64_t kMaxSongBytes = 8u << 20;

enum class SongFileError {
    None = 0,
    Open,       // missing, unreadable, or not a path at all
    NotRegular, // a FIFO, device, socket or folder
    Read,       // an I/O error while reading
};

struct SongBytes {
    SongFileError error = SongFileError::None;
    std::string bytes;           // what was read, never more than kMaxSongBytes
    std::uint64_t available = 0; // bytes the file holds in the range asked for
    bool overLimit = false;      // the range holds more than kMaxSongBytes: `bytes` is its start
    bool ok() const { return error == SongFileError::None; }
};

// Reads `length` bytes from `offset` (length 0 = to the end of the file) of
// the file at `path` (UTF-8), at most kMaxSongBytes of them.
SongBytes readSongFile(const std::string &path, std::uint64_t offset = 0, std::uint64_t length = 0);

} // namespace cantora::audio

#pragma once
// The chunk walk of RIFF files (WAV, RMID, SoundFont 2): after a 12-byte
// form header ("RIFF", size, form type) come chunks of a four-letter id, a
// 32-bit little-endian body size and the body, padded to an even length.
// LIST chunks hold a four-letter list type and then chunks of their own.
//
// Sizes come from the file and are not trusted: a chunk whose size runs
// past the range ends the walk after it is visited, and nothing is ever
// allocated from a size alone.

#include "core/byteio.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace cantora::core {

// One chunk header as found in the file.
struct RiffChunk {
    std::string id;          // the four id bytes
    std::int64_t offset = 0; // where the chunk header starts
    std::int64_t body = 0;   // where its body starts (offset + 8)
    std::uint32_t size = 0;  // body size as the header says (may run past the end)
    // Where the next chunk starts: after the body and its pad byte.
    std::int64_t next() const { return body + static_cast<std::int64_t>(size) + (size & 1); }
};

// Called for each chunk in order; returning false ends the walk.
using RiffVisitor = std::function<bool(const RiffChunk &)>;

// Visits the chunks whose 8-byte header lies wholly inside [begin, end) of
// `src` (end is cut to the source's size).
void walkRiffChunks(const ByteSource &src, std::int64_t begin, std::int64_t end, const RiffVisitor &visit);
// The same over bytes in memory.
void walkRiffChunks(std::string_view bytes, std::int64_t begin, std::int64_t end, const RiffVisitor &visit);

// The part of a chunk's body that `bytes` really holds.
std::string_view riffBody(std::string_view bytes, const RiffChunk &chunk);

} // namespace cantora::core

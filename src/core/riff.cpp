#include "core/riff.h"

#include <algorithm>

namespace cantora::core {

void walkRiffChunks(const ByteSource &src, std::int64_t begin, std::int64_t end, const RiffVisitor &visit) {
    end = std::min(end, src.size());
    for (std::int64_t at = begin; at >= 0 && at + 8 <= end;) {
        char head[8];
        if (src.read(at, head, sizeof head) != sizeof head)
            return;
        RiffChunk chunk;
        chunk.id.assign(head, 4);
        chunk.offset = at;
        chunk.body = at + 8;
        chunk.size = le32(std::string_view(head, sizeof head), 4);
        if (!visit(chunk))
            return;
        at = chunk.next();
    }
}

void walkRiffChunks(std::string_view bytes, std::int64_t begin, std::int64_t end, const RiffVisitor &visit) {
    walkRiffChunks(MemorySource(bytes), begin, end, visit);
}

std::string_view riffBody(std::string_view bytes, const RiffChunk &chunk) {
    if (chunk.body < 0 || static_cast<std::uint64_t>(chunk.body) >= bytes.size())
        return {};
    const auto at = static_cast<std::size_t>(chunk.body);
    return bytes.substr(at, std::min<std::size_t>(chunk.size, bytes.size() - at));
}

} // namespace cantora::core

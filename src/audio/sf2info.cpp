#include "audio/sf2info.h"

#include <algorithm>

namespace cantora::audio {

namespace {

std::uint32_t le32(std::string_view b, std::size_t at) {
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}

// Text fields are zero-terminated (and zero-padded) inside their chunk.
std::string fieldText(std::string_view body) {
    const auto nul = body.find('\0');
    return std::string(body.substr(0, nul));
}

} // namespace

std::optional<Sf2Info> readSf2Info(std::string_view head) {
    if (head.size() < 12 || head.substr(0, 4) != "RIFF" || head.substr(8, 4) != "sfbk")
        return std::nullopt;
    Sf2Info info;
    std::size_t pos = 12;
    while (pos + 12 <= head.size()) {
        const std::string_view id = head.substr(pos, 4);
        const std::uint64_t size = le32(head, pos + 4);
        if (id != "LIST")
            break;
        const std::string_view type = head.substr(pos + 8, 4);
        const std::uint64_t end = pos + 8 + size;
        if (type == "INFO") {
            std::uint64_t sub = pos + 12;
            while (sub + 8 <= end && sub + 8 <= head.size()) {
                const std::string_view sid = head.substr(sub, 4);
                const std::uint64_t ssize = le32(head, sub + 4);
                const std::uint64_t avail = std::min<std::uint64_t>(ssize, head.size() - (sub + 8));
                const std::string_view body = head.substr(sub + 8, avail);
                if (sid == "INAM")
                    info.name = fieldText(body);
                else if (sid == "ICOP")
                    info.copyright = fieldText(body);
                else if (sid == "ICMT")
                    info.comment = fieldText(body);
                sub += 8 + ssize + (ssize & 1);
            }
        } else if (type == "sdta") {
            const std::uint64_t sub = pos + 12;
            if (sub + 8 <= head.size() && head.substr(sub, 4) == "smpl")
                info.sampleBytes = le32(head, sub + 4);
            break;
        }
        pos = end + (size & 1);
    }
    return info;
}

} // namespace cantora::audio

#include "audio/sf2info.h"

#include <algorithm>

namespace cantora::audio {

namespace {

std::uint32_t le16(std::string_view b, std::size_t at) {
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8;
}

std::uint32_t le32(std::string_view b, std::size_t at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}

// Text fields are zero-terminated (and zero-padded) inside their space.
std::string fieldText(std::string_view body) {
    const auto nul = body.find('\0');
    return std::string(body.substr(0, nul));
}

constexpr std::size_t kPresetHeader = 38;

} // namespace

std::optional<Sf2Info> readSf2Info(std::string_view head) {
    if (head.size() < 12 || head.substr(0, 4) != "RIFF" || head.substr(8, 4) != "sfbk")
        return std::nullopt;
    Sf2Info info;
    std::uint64_t pos = 12;
    // Top-level lists are walked by their sizes; the sample list may lie
    // far beyond `head`, only its size is needed to find pdta.
    while (pos + 12 <= head.size()) {
        const std::uint64_t size = le32(head, pos + 4);
        const std::string_view type = head.substr(pos + 8, 4);
        const std::uint64_t end = pos + 8 + size;
        if (head.substr(pos, 4) == "LIST" && type == "INFO") {
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
        } else if (head.substr(pos, 4) == "LIST" && type == "sdta") {
            if (pos + 20 <= head.size() && head.substr(pos + 12, 4) == "smpl")
                info.sampleBytes = le32(head, pos + 16);
            info.afterSdta = end + (size & 1);
        } else if (head.substr(pos, 4) == "LIST" && type == "pdta") {
            info.pdtaOffset = pos + 12;
            info.pdtaSize = size >= 4 ? static_cast<std::uint32_t>(size - 4) : 0;
            break;
        }
        pos = end + (size & 1);
    }
    return info;
}

std::optional<std::pair<std::uint64_t, std::uint32_t>> readPdtaHeader(std::string_view b, std::uint64_t at) {
    if (b.size() < 12 || b.substr(0, 4) != "LIST" || b.substr(8, 4) != "pdta")
        return std::nullopt;
    const std::uint32_t size = le32(b, 4);
    return std::make_pair(at + 12, size >= 4 ? size - 4 : 0u);
}

std::optional<std::vector<Sf2Preset>> readSf2Presets(std::string_view pdta) {
    std::size_t pos = 0;
    while (pos + 8 <= pdta.size()) {
        const std::size_t size = le32(pdta, pos + 4);
        if (pdta.substr(pos, 4) == "phdr") {
            const std::string_view body = pdta.substr(pos + 8, std::min(size, pdta.size() - (pos + 8)));
            const std::size_t count = body.size() / kPresetHeader;
            std::vector<Sf2Preset> presets;
            // The last record is the terminal "EOP" one.
            for (std::size_t i = 0; i + 1 < count; ++i) {
                const std::string_view rec = body.substr(i * kPresetHeader, kPresetHeader);
                presets.push_back({static_cast<int>(le16(rec, 22)), static_cast<int>(le16(rec, 20)),
                                   fieldText(rec.substr(0, 20))});
            }
            return presets;
        }
        pos += 8 + size + (size & 1);
    }
    return std::nullopt;
}

} // namespace cantora::audio

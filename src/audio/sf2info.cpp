#include "audio/sf2info.h"

#include "core/riff.h"

#include <algorithm>

namespace cantora::audio {

namespace {

using core::le16;
using core::le32;

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
    // Top-level lists are walked by their sizes; the sample list may lie
    // far beyond `head`, only its size is needed to find pdta.
    core::walkRiffChunks(head, 12, static_cast<std::int64_t>(head.size()), [&](const core::RiffChunk &list) {
        if (list.id != "LIST")
            return true;
        const std::string_view type = head.substr(static_cast<std::size_t>(list.body), 4);
        const std::int64_t end = list.body + list.size;
        if (type == "INFO") {
            core::walkRiffChunks(head, list.body + 4, end, [&](const core::RiffChunk &field) {
                const std::string body = fieldText(core::riffBody(head, field));
                if (field.id == "INAM")
                    info.name = body;
                else if (field.id == "ICOP")
                    info.copyright = body;
                else if (field.id == "ICMT")
                    info.comment = body;
                return true;
            });
        } else if (type == "sdta") {
            const auto at = static_cast<std::size_t>(list.body);
            if (at + 12 <= head.size() && head.substr(at + 4, 4) == "smpl")
                info.sampleBytes = le32(head, at + 8);
            info.afterSdta = static_cast<std::uint64_t>(list.next());
        } else if (type == "pdta") {
            info.pdtaOffset = static_cast<std::uint64_t>(list.body + 4);
            info.pdtaSize = list.size >= 4 ? list.size - 4 : 0;
            return false;
        }
        return true;
    });
    return info;
}

std::optional<std::pair<std::uint64_t, std::uint32_t>> readPdtaHeader(std::string_view b, std::uint64_t at) {
    if (b.size() < 12 || b.substr(0, 4) != "LIST" || b.substr(8, 4) != "pdta")
        return std::nullopt;
    const std::uint32_t size = le32(b, 4);
    return std::make_pair(at + 12, size >= 4 ? size - 4 : 0u);
}

std::optional<std::vector<Sf2Preset>> readSf2Presets(std::string_view pdta) {
    std::optional<std::vector<Sf2Preset>> presets;
    core::walkRiffChunks(pdta, 0, static_cast<std::int64_t>(pdta.size()), [&](const core::RiffChunk &c) {
        if (c.id != "phdr")
            return true;
        const std::string_view body = core::riffBody(pdta, c);
        const std::size_t count = body.size() / kPresetHeader;
        presets.emplace();
        // The last record is the terminal "EOP" one.
        for (std::size_t i = 0; i + 1 < count; ++i) {
            const std::string_view rec = body.substr(i * kPresetHeader, kPresetHeader);
            presets->push_back(
                {static_cast<int>(le16(rec, 22)), static_cast<int>(le16(rec, 20)), fieldText(rec.substr(0, 20))});
        }
        return false;
    });
    return presets;
}

} // namespace cantora::audio

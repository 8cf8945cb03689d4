#include "audio/fontregistry.h"

#include <filesystem>
#include <fstream>

namespace cantora::audio {

namespace {

// Enough for INFO and the head of sdta in any real file.
constexpr std::size_t kHeadBytes = 1 << 18;
// The preset tables of the largest General MIDI fonts are a few MiB.
constexpr std::uint32_t kMaxPdta = 64u << 20;

} // namespace

FontRegistry &FontRegistry::instance() {
    static FontRegistry *registry = new FontRegistry; // never destroyed: fonts may outlive main
    return *registry;
}

std::uint32_t FontRegistry::open(const std::string &path, FontError &error) {
    error = FontError::None;
    std::error_code ec;
    const auto canonical = std::filesystem::canonical(std::filesystem::path(path), ec);
    if (ec || !std::filesystem::is_regular_file(canonical, ec)) {
        error = FontError::FileOpen;
        return 0;
    }
    const std::string key = canonical.string();

    std::lock_guard lock(mutex_);
    std::shared_ptr<LoadedFont> font;
    if (auto it = byPath_.find(key); it != byPath_.end())
        font = it->second.lock();
    if (!font) {
        std::ifstream in(key, std::ios::binary);
        if (!in) {
            error = FontError::FileOpen;
            return 0;
        }
        std::string head(kHeadBytes, '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(in.gcount()));
        auto info = readSf2Info(head);
        if (info && info->pdtaOffset == 0 && info->afterSdta != 0) {
            // The sample data lies between the head and the preset tables.
            in.clear();
            in.seekg(static_cast<std::streamoff>(info->afterSdta));
            std::string listHead(12, '\0');
            in.read(listHead.data(), 12);
            listHead.resize(static_cast<std::size_t>(in.gcount()));
            if (auto pdta = readPdtaHeader(listHead, info->afterSdta)) {
                info->pdtaOffset = pdta->first;
                info->pdtaSize = pdta->second;
            }
        }
        if (!info || info->pdtaOffset == 0 || info->pdtaSize > kMaxPdta) {
            error = FontError::FileForm;
            return 0;
        }
        in.clear();
        in.seekg(static_cast<std::streamoff>(info->pdtaOffset));
        std::string pdta(info->pdtaSize, '\0');
        in.read(pdta.data(), static_cast<std::streamsize>(pdta.size()));
        pdta.resize(static_cast<std::size_t>(in.gcount()));
        auto presets = readSf2Presets(pdta);
        if (!presets) {
            error = FontError::FileForm;
            return 0;
        }
        font = std::make_shared<LoadedFont>();
        font->path = key;
        font->info = std::move(*info);
        for (auto &p : *presets)
            font->presetNames.emplace(p.bank * 128 + p.program, std::move(p.name));
        font->presets = static_cast<std::uint32_t>(presets->size());
        for (auto it = byPath_.begin(); it != byPath_.end();)
            it = it->second.expired() ? byPath_.erase(it) : std::next(it);
        byPath_[key] = font;
    }
    auto entry = std::make_shared<FontEntry>();
    entry->font = std::move(font);
    const std::uint32_t handle = nextHandle_++;
    handles_[handle] = std::move(entry);
    return handle;
}

bool FontRegistry::close(std::uint32_t handle) {
    std::shared_ptr<FontEntry> entry; // dropped after the lock
    {
        std::lock_guard lock(mutex_);
        auto it = handles_.find(handle);
        if (it == handles_.end())
            return false;
        entry = std::move(it->second);
        handles_.erase(it);
    }
    return true;
}

std::shared_ptr<FontEntry> FontRegistry::find(std::uint32_t handle) const {
    std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : it->second;
}

const char *FontRegistry::presetName(const LoadedFont &font, int bank, int program) const {
    if (bank < 0 || bank > 128 || program < 0 || program > 127)
        return nullptr;
    // The map is filled once when the font is read and never changes.
    auto it = font.presetNames.find(bank * 128 + program);
    return it == font.presetNames.end() ? nullptr : it->second.c_str();
}

PresetChoice choosePreset(const std::vector<FontRecord> &records, int channel, int bank, int program,
                          const std::function<bool(int, int, int)> &has) {
    const bool drums = channel == 9;
    for (int r = 0; r < static_cast<int>(records.size()); ++r) {
        const FontRecord &rec = records[r];
        if (!rec.entry)
            continue;
        if (rec.bank == 128) {
            if (!drums)
                continue;
            const int p = rec.preset < 0 ? program : rec.preset;
            if (has(r, 128, p))
                return {r, 128, p};
            for (int b = 0; b < 128; ++b)
                if (has(r, b, p))
                    return {r, b, p};
            continue;
        }
        if (rec.preset < 0) {
            if (drums) {
                if (has(r, 128, program))
                    return {r, 128, program};
                if (has(r, 128, 0))
                    return {r, 128, 0};
                continue;
            }
            if (has(r, bank, program))
                return {r, bank, program};
            if (bank != 0 && has(r, 0, program))
                return {r, 0, program};
            continue;
        }
        if (drums || rec.preset != program)
            continue;
        if (has(r, bank, program))
            return {r, bank, program};
        for (int b = 0; b < 128; ++b)
            if (has(r, b, program))
                return {r, b, program};
    }
    return {};
}

} // namespace cantora::audio

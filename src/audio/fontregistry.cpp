#include "audio/fontregistry.h"

#include <fluidsynth.h>

#include <filesystem>
#include <fstream>

namespace cantora::audio {

namespace {

fluid_synth_t *asSynth(void *p) { return static_cast<fluid_synth_t *>(p); }

// FluidSynth reports load problems on stderr by default; the engine reports
// them through its error codes instead.
void quietLog(int, const char *, void *) {}

std::string readHead(const std::string &path, std::size_t limit, bool &opened) {
    std::ifstream in(path, std::ios::binary);
    opened = static_cast<bool>(in);
    if (!opened)
        return {};
    std::string head(limit, '\0');
    in.read(head.data(), static_cast<std::streamsize>(limit));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

} // namespace

LoadedFont::~LoadedFont() {
    if (holderId >= 0)
        FontRegistry::instance().unload(holderId);
}

FontRegistry &FontRegistry::instance() {
    static FontRegistry *registry = new FontRegistry;  // never destroyed: fonts may outlive main
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
        bool opened = false;
        const std::string head = readHead(key, 1 << 18, opened);
        if (!opened) {
            error = FontError::FileOpen;
            return 0;
        }
        auto info = readSf2Info(head);
        if (!info) {
            error = FontError::FileForm;
            return 0;
        }
        if (!holder_) {
            for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
                fluid_set_log_function(level, quietLog, nullptr);
            fluid_settings_t *settings = new_fluid_settings();
            fluid_settings_setint(settings, "synth.reverb.active", 0);
            fluid_settings_setint(settings, "synth.chorus.active", 0);
            fluid_settings_setint(settings, "synth.polyphony", 1);
            holderSettings_ = settings;
            holder_ = new_fluid_synth(settings);
        }
        const int id = holder_ ? fluid_synth_sfload(asSynth(holder_), key.c_str(), 0) : FLUID_FAILED;
        if (id == FLUID_FAILED) {
            error = FontError::FileForm;
            return 0;
        }
        font = std::make_shared<LoadedFont>();
        font->path = key;
        font->info = std::move(*info);
        font->holderId = id;
        if (fluid_sfont_t *sf = fluid_synth_get_sfont_by_id(asSynth(holder_), id)) {
            fluid_sfont_iteration_start(sf);
            while (fluid_sfont_iteration_next(sf))
                ++font->presets;
        }
        byPath_[key] = font;
    }
    auto entry = std::make_shared<FontEntry>();
    entry->font = std::move(font);
    const std::uint32_t handle = nextHandle_++;
    handles_[handle] = std::move(entry);
    return handle;
}

bool FontRegistry::close(std::uint32_t handle) {
    std::shared_ptr<FontEntry> entry;  // dropped after the lock, it may unload the file
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
    std::lock_guard lock(mutex_);
    if (!holder_ || font.holderId < 0 || bank < 0 || program < 0 || program > 127)
        return nullptr;
    fluid_sfont_t *sf = fluid_synth_get_sfont_by_id(asSynth(holder_), font.holderId);
    if (!sf)
        return nullptr;
    fluid_preset_t *preset = fluid_sfont_get_preset(sf, bank, program);
    return preset ? fluid_preset_get_name(preset) : nullptr;
}

void FontRegistry::unload(int holderId) {
    std::lock_guard lock(mutex_);
    if (holder_)
        fluid_synth_sfunload(asSynth(holder_), holderId, 0);
    for (auto it = byPath_.begin(); it != byPath_.end();) {
        if (it->second.expired())
            it = byPath_.erase(it);
        else
            ++it;
    }
}

void FontRegistry::releaseIdle() {
    std::lock_guard lock(mutex_);
    if (holder_ && byPath_.empty() && handles_.empty()) {
        delete_fluid_synth(asSynth(holder_));
        delete_fluid_settings(static_cast<fluid_settings_t *>(holderSettings_));
        holder_ = nullptr;
        holderSettings_ = nullptr;
    }
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

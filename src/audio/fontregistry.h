#pragma once
// SoundFont handles shared by every stream.
//
// A file is read once however many handles point at it: handles of the
// same canonical path share one LoadedFont. The registry itself reads only
// the file's INFO fields and preset list; the samples are loaded by the
// stream synths, and FluidSynth's sample cache keeps one copy of them for
// every synth that loads the same path.
//
// Threading: all members may be called from any thread.

#include "audio/sf2info.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace cantora::audio {

// One SoundFont file in memory.
struct LoadedFont {
    std::string path; // canonical path; stream synths load it by this name
    Sf2Info info;
    std::map<int, std::string> presetNames; // key bank * 128 + program
    std::uint32_t presets = 0;
};

// What a font handle refers to: the file and this handle's volume.
struct FontEntry {
    std::shared_ptr<LoadedFont> font;
    std::atomic<float> volume{1.0f};
};

// A stream's font list entry as the synth sees it.
struct FontRecord {
    std::shared_ptr<FontEntry> entry; // null = the record is ignored
    std::uint32_t handle = 0;
    int preset = -1;
    int bank = 0;
};

enum class FontError { None, FileOpen, FileForm };

class FontRegistry {
public:
    static FontRegistry &instance();

    // Loads (or shares) the file and returns a new handle, 0 on failure.
    std::uint32_t open(const std::string &path, FontError &error);
    bool close(std::uint32_t handle);
    std::shared_ptr<FontEntry> find(std::uint32_t handle) const;

    // Preset name of a loaded font, nullptr if it has no such preset. The
    // text lives as long as the font.
    const char *presetName(const LoadedFont &font, int bank, int program) const;
    bool hasPreset(const LoadedFont &font, int bank, int program) const { return presetName(font, bank, program); }

    // Bumped on every volume change, so synths know to re-read volumes.
    std::uint32_t volumeGeneration() const { return volumeGen_.load(std::memory_order_acquire); }
    void volumeChanged() { volumeGen_.fetch_add(1, std::memory_order_acq_rel); }

private:
    FontRegistry() = default;

    mutable std::mutex mutex_;
    std::map<std::string, std::weak_ptr<LoadedFont>> byPath_;
    std::map<std::uint32_t, std::shared_ptr<FontEntry>> handles_;
    std::uint32_t nextHandle_ = 1;
    std::atomic<std::uint32_t> volumeGen_{0};
};

// Which record of a stream's font list serves a channel's (bank, program),
// and which preset of that font is used.
struct PresetChoice {
    int record = -1; // index into the list, -1 = nothing serves it
    int bank = 0;
    int program = 0;
};

// Walks the records in order; the first that serves the channel wins.
// preset -1 serves every preset of its font (the melodic banks, and for the
// drum channel 9 the font's bank 128 kits); preset p serves only program p
// on melodic channels; a bank 128 record serves the drum channel with its
// preset p (looked for in bank 128, then in any bank). `has(record, bank,
// program)` says whether a record's font holds a preset.
PresetChoice choosePreset(const std::vector<FontRecord> &records, int channel, int bank, int program,
                          const std::function<bool(int, int, int)> &has);

} // namespace cantora::audio

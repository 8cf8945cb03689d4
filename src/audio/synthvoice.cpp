#include "audio/synthvoice.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <thread>

namespace cantora::audio {

namespace {
fluid_settings_t *asSettings(void *p) { return static_cast<fluid_settings_t *>(p); }
// Attenuation (centibels) that stands for a font volume of 0.
constexpr float kSilentCb = 1440.0f;
} // namespace

SynthVoice::SynthVoice(double rate, bool samplesOnDemand) {
    fluid_settings_t *s = new_fluid_settings();
    settings_ = s;
    fluid_settings_setnum(s, "synth.sample-rate", rate);
    // The stream serialises calls itself; FluidSynth's own lock per call
    // would only cost time in the render loop.
    fluid_settings_setint(s, "synth.threadsafe-api", 0);
    // A decode stream renders as fast as the CPU allows, so it may spread
    // its voices over the cores (the output is the same sample for sample).
    // A playing stream stays on the output thread alone.
    const int cores = samplesOnDemand ? static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u)) : 1;
    fluid_settings_setint(s, "synth.cpu-cores", cores);
    // Those helper threads run at the caller's priority: asking for real-time
    // fails for an ordinary user, and FluidSynth then warns on the terminal.
    fluid_settings_setint(s, "audio.realtime-prio", 0);
    // Decoding loads only the samples of the presets the song selects:
    // faster to start and far smaller for a large font. Playback loads a
    // font whole, so that no program change ever waits for the disk in the
    // output thread (and FluidSynth's sample cache shares that copy among
    // playing streams).
    fluid_settings_setint(s, "synth.dynamic-sample-loading", samplesOnDemand ? 1 : 0);
    fluid_settings_setint(s, "synth.lock-memory", 0);
    synth_ = new_fluid_synth(s);
    servingRecord_.fill(-1);
    if (synth_)
        for (int ch = 0; ch < 16; ++ch)
            fluid_synth_unset_program(synth_, ch);
}

SynthVoice::~SynthVoice() {
    if (synth_)
        delete_fluid_synth(synth_);
    delete_fluid_settings(asSettings(settings_));
}

int SynthVoice::fontId(const std::shared_ptr<LoadedFont> &font) {
    auto it = loaded_.find(font.get());
    if (it != loaded_.end())
        return it->second.second;
    const int id = fluid_synth_sfload(synth_, font->path.c_str(), 0);
    loaded_[font.get()] = {font, id};
    return id;
}

void SynthVoice::setFonts(std::vector<FontRecord> records) {
    records_ = std::move(records);
    if (!synth_)
        return;
    for (const auto &r : records_)
        if (r.entry)
            fontId(r.entry->font);
    for (int ch = 0; ch < 16; ++ch)
        select(ch);
    // Unload files no record uses any more.
    for (auto it = loaded_.begin(); it != loaded_.end();) {
        const bool used = std::any_of(records_.begin(), records_.end(),
                                      [&](const FontRecord &r) { return r.entry && r.entry->font.get() == it->first; });
        if (!used) {
            if (it->second.second != FLUID_FAILED)
                fluid_synth_sfunload(synth_, it->second.second, 0);
            it = loaded_.erase(it);
        } else {
            ++it;
        }
    }
    volumeGen_ = ~0u;
}

void SynthVoice::select(int ch) {
    const auto has = [&](int r, int bank, int prog) {
        return FontRegistry::instance().hasPreset(*records_[r].entry->font, bank, prog);
    };
    const PresetChoice c = choosePreset(records_, ch, bankMsb_[ch], program_[ch], has);
    servingRecord_[ch] = c.record;
    if (c.record < 0) {
        fluid_synth_all_notes_off(synth_, ch);
        fluid_synth_unset_program(synth_, ch);
        return;
    }
    const int id = fontId(records_[c.record].entry->font);
    if (id == FLUID_FAILED || fluid_synth_program_select(synth_, ch, id, c.bank, c.program) != FLUID_OK) {
        servingRecord_[ch] = -1;
        fluid_synth_unset_program(synth_, ch);
        return;
    }
    volumeGen_ = ~0u;
}

void SynthVoice::applyVolume(int ch) {
    float cb = 0;
    if (servingRecord_[ch] >= 0) {
        const float v = records_[servingRecord_[ch]].entry->volume.load(std::memory_order_relaxed);
        cb = v <= 0.0f ? kSilentCb : std::clamp(-200.0f * std::log10(v), -200.0f, kSilentCb);
    }
    fluid_synth_set_gen(synth_, ch, GEN_ATTENUATION, cb);
}

void SynthVoice::applyVolumes() {
    for (int ch = 0; ch < 16; ++ch)
        applyVolume(ch);
}

int SynthVoice::controllerValue(int channel, int number) const {
    int v = 0;
    if (synth_)
        fluid_synth_get_cc(synth_, channel & 15, number & 127, &v);
    return v;
}

void SynthVoice::noteOn(int ch, int key, int velocity) {
    if (synth_ && servingRecord_[ch] >= 0)
        fluid_synth_noteon(synth_, ch, key, velocity);
}

void SynthVoice::noteOff(int ch, int key) {
    if (synth_)
        fluid_synth_noteoff(synth_, ch, key);
}

void SynthVoice::controller(int ch, int number, int value) {
    if (!synth_)
        return;
    if (number == 0) {
        // Bank selects only take effect with the next program change.
        bankMsb_[ch] = value;
        return;
    }
    if (number == 32)
        return;
    fluid_synth_cc(synth_, ch, number, value);
    // Reset-all-controllers also clears the channel's generator offsets in
    // FluidSynth, the font volume among them: put it back at once, so the
    // song can never undo the user's volume.
    if (number == 121)
        applyVolume(ch);
}

void SynthVoice::programChange(int ch, int program) {
    program_[ch] = program & 127;
    if (synth_)
        select(ch);
}

void SynthVoice::pitchBend(int ch, int value14) {
    if (synth_)
        fluid_synth_pitch_bend(synth_, ch, value14);
}

void SynthVoice::channelPressure(int ch, int value) {
    if (synth_)
        fluid_synth_channel_pressure(synth_, ch, value);
}

void SynthVoice::keyPressure(int ch, int key, int value) {
    if (synth_)
        fluid_synth_key_pressure(synth_, ch, key, value);
}

void SynthVoice::allSoundsOff() {
    if (synth_)
        fluid_synth_all_sounds_off(synth_, -1);
}

void SynthVoice::render(float *out, std::size_t frames) {
    if (!synth_) {
        std::fill(out, out + 2 * frames, 0.0f);
        return;
    }
    const std::uint32_t gen = FontRegistry::instance().volumeGeneration();
    if (gen != volumeGen_) {
        volumeGen_ = gen;
        applyVolumes();
    }
    fluid_synth_write_float(synth_, static_cast<int>(frames), out, 0, 2, out, 1, 2);
    rendered_ += frames;
}

void SynthVoice::alignBlocks(std::uint64_t frame) {
    if (!synth_)
        return;
    const std::uint64_t block = static_cast<std::uint64_t>(fluid_synth_get_internal_bufsize(synth_));
    const std::size_t skip = static_cast<std::size_t>((frame % block + block - rendered_ % block) % block);
    if (skip == 0)
        return;
    float discard[2 * 128];
    for (std::size_t done = 0; done < skip;) {
        const std::size_t n = std::min<std::size_t>(skip - done, 128);
        fluid_synth_write_float(synth_, static_cast<int>(n), discard, 0, 2, discard, 1, 2);
        done += n;
    }
    rendered_ += skip;
}

} // namespace cantora::audio
